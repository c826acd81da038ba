// One run of tvq sync, from the server's changes and the list's to the file and the state written once.
#include "cli/SyncRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <tuple>

#include "cli/Cli.h"
#include "cli/DavCollection.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/SyncItem.h"
#include "cli/SyncPlan.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskAlign.h"
#include "doc/TaskCommands.h"
#include "platform/core/CMirrorFile.h"
#include "platform/core/NativePath.h"

namespace tvqcli {
namespace {

// A 412 means someone else wrote the item since it was read: read it again and decide again, a few times.
constexpr int kWriteAttempts = 4;

// One task through the run: the three sides, the server's identity of it, and the decision.
struct RunRecord {
  SyncRecord sides;
  std::unique_ptr<TaskItem> serverTask;  // owned copy behind sides.server when the item was fetched
  std::string uid;
  std::string href;  // empty: not on the server
  std::string etag;
  std::string ics;
  SyncDecision decision;
  int baseOrder = INT_MAX;  // position in the state's list; INT_MAX for new ones
  int newOrder = 0;         // the server's new items keep the server's order among themselves
};

// An item the server holds that is not a task of the list now: a candidate for the list or kept as is.
struct ServerItem {
  std::string uid;
  std::string href;
  std::string etag;
  std::string ics;
  std::unique_ptr<TaskItem> task;  // null: not a VTODO
  bool completed = false;
};

class SyncRunner {
 public:
  SyncRunner(const CTarvelquistDoc& document, DavCollection& collection, SyncState state, const SyncOptions& options)
      : m_document(document), m_collection(collection), m_state(std::move(state)), m_options(options) {}

  SyncSummary Run() {
    ReadServer();
    AlignList();
    Decide();
    CheckMassRemoval();
    WriteServer();
    WriteFile();
    WriteState();
    return m_summary;
  }

 private:
  // ---- the server's side ----
  void ReadServer() {
    const ServerListing listing = m_collection.List(m_state.syncToken);
    m_newToken = listing.syncToken;
    std::map<std::string, int> known;  // key -> state item
    for (int i = 0; i < static_cast<int>(m_state.items.size()); ++i) known[m_collection.Key(m_state.items[i].href)] = i;
    std::vector<std::string> toFetch;
    for (const auto& [key, etag] : listing.etags) {
      const auto found = known.find(key);
      if (found == known.end() || m_state.items[static_cast<std::size_t>(found->second)].etag != etag) {
        toFetch.push_back(listing.hrefs.at(key));
      }
    }
    std::map<std::string, FetchedItem> fetched;
    for (FetchedItem& item : m_collection.Fetch(toFetch)) {
      const std::string key = m_collection.Key(item.href);
      fetched.emplace(key, std::move(item));
    }
    m_serverChanged = !toFetch.empty() || !listing.removed.empty();
    for (int i = 0; i < static_cast<int>(m_state.items.size()); ++i) {
      SyncItem& item = m_state.items[static_cast<std::size_t>(i)];
      const std::string key = m_collection.Key(item.href);
      const bool listed = listing.etags.count(key) != 0;
      const bool gone = listing.removed.count(key) != 0 || (listing.complete && !listed) ||
                        (listed && listing.etags.at(key) != item.etag && fetched.count(key) == 0);
      if (gone) m_serverChanged = true;
      const auto update = fetched.find(key);
      if (item.base) {
        AddBaseRecord(item, i, gone, update == fetched.end() ? nullptr : &update->second);
      } else if (update != fetched.end()) {
        AddServerItem(update->second);
      } else if (!gone) {
        // Unchanged and not an open task (a completed one, an event): it stays what it was, unread.
        m_others.push_back({item.uid, item.href, item.etag, {}, nullptr, false});
      }
      if (update != fetched.end()) fetched.erase(update);
    }
    for (auto& [key, item] : fetched) AddServerItem(item);
  }

  void AddBaseRecord(SyncItem& item, int index, bool gone, const FetchedItem* update) {
    RunRecord record;
    record.sides.stateItem = index;
    record.sides.base = item.base.get();
    record.baseOrder = static_cast<int>(m_records.size());
    record.uid = item.uid;
    if (!gone) {
      record.href = item.href;
      record.etag = update ? update->etag : item.etag;
      record.ics = update ? update->ics : item.ics;
      if (!update) {
        record.sides.server = item.base.get();  // unchanged since the last sync
      } else if (std::optional<ItemTask> task = ReadItemTask(update->ics)) {
        record.serverTask = std::move(task->task);
        record.sides.server = record.serverTask.get();
        record.sides.serverCompleted = task->completed;
      } else {
        m_others.push_back({item.uid, item.href, record.etag, record.ics, nullptr, false});  // no longer a task
        record.href.clear();
      }
    }
    m_records.push_back(std::move(record));
  }

  void AddServerItem(const FetchedItem& fetched) {
    ServerItem item{{}, fetched.href, fetched.etag, fetched.ics, nullptr, false};
    if (std::optional<ItemTask> task = ReadItemTask(fetched.ics)) {
      item.uid = task->uid;
      item.task = std::move(task->task);
      item.completed = task->completed;
    }
    if (item.task && !item.completed) {
      m_serverNew.push_back(std::move(item));
    } else {
      m_others.push_back(std::move(item));
    }
  }

  // ---- the list's side ----
  void AlignList() {
    std::vector<const TaskItem*> list;
    for (int i = 0; i < m_document.GetTaskCount(); ++i) list.push_back(&m_document.TaskAt(i));
    std::vector<const TaskItem*> bases;
    for (const RunRecord& record : m_records) bases.push_back(record.sides.base);
    const TaskAlignment alignment = AlignChangedTasks(list, bases);
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (alignment.aToB[i] >= 0) Attach(m_records[static_cast<std::size_t>(alignment.aToB[i])], list, static_cast<int>(i));
    }
    // A task that moved is the same task: equal to a base the alignment left without a partner, or changed in
    // one field only.
    std::vector<int> unpairedList = Unpaired(alignment.aToB);
    std::vector<int> unpairedBases = Unpaired(alignment.bToA);
    PairMoved(list, unpairedList, unpairedBases, MatchEqualTasks(Pick(list, unpairedList), Pick(bases, unpairedBases)));
    PairMoved(list, unpairedList, unpairedBases,
              MatchMovedChangedTasks(Pick(list, unpairedList), Pick(bases, unpairedBases)));
    AddNewRecords(list, unpairedList);
  }

  // Attaches the pairs found among the left-over tasks and keeps only those still without a partner.
  void PairMoved(const std::vector<const TaskItem*>& list, std::vector<int>& unpairedList, std::vector<int>& unpairedBases, const std::vector<int>& partner) {
    std::vector<bool> baseTaken(unpairedBases.size(), false);
    std::vector<int> stillList;
    for (std::size_t i = 0; i < unpairedList.size(); ++i) {
      if (partner[i] < 0) {
        stillList.push_back(unpairedList[i]);
        continue;
      }
      baseTaken[static_cast<std::size_t>(partner[i])] = true;
      Attach(m_records[static_cast<std::size_t>(unpairedBases[static_cast<std::size_t>(partner[i])])], list, unpairedList[i]);
    }
    std::vector<int> stillBases;
    for (std::size_t b = 0; b < unpairedBases.size(); ++b) {
      if (!baseTaken[b]) stillBases.push_back(unpairedBases[b]);
    }
    unpairedList = std::move(stillList);
    unpairedBases = std::move(stillBases);
  }

  static std::vector<int> Unpaired(const std::vector<int>& partners) {
    std::vector<int> unpaired;
    for (std::size_t i = 0; i < partners.size(); ++i) {
      if (partners[i] < 0) unpaired.push_back(static_cast<int>(i));
    }
    return unpaired;
  }

  static std::vector<const TaskItem*> Pick(const std::vector<const TaskItem*>& tasks, const std::vector<int>& indices) {
    std::vector<const TaskItem*> picked;
    for (int index : indices) picked.push_back(tasks[static_cast<std::size_t>(index)]);
    return picked;
  }

  static void Attach(RunRecord& record, const std::vector<const TaskItem*>& list, int index) {
    record.sides.list = list[static_cast<std::size_t>(index)];
    record.sides.listIndex = index;
  }

  // Tasks new on both sides since the last sync: equal ones are one task (a first sync doubles nothing).
  void AddNewRecords(const std::vector<const TaskItem*>& list, const std::vector<int>& newList) {
    std::vector<const TaskItem*> serverTasks;
    for (const ServerItem& item : m_serverNew) serverTasks.push_back(item.task.get());
    const std::vector<int> partner = MatchEqualTasks(Pick(list, newList), serverTasks);
    std::vector<bool> taken(m_serverNew.size(), false);
    for (std::size_t i = 0; i < newList.size(); ++i) {
      RunRecord record;
      Attach(record, list, newList[i]);
      if (partner[i] >= 0) {
        TakeServerItem(record, static_cast<std::size_t>(partner[i]));
        taken[static_cast<std::size_t>(partner[i])] = true;
      }
      m_records.push_back(std::move(record));
    }
    for (std::size_t i = 0; i < m_serverNew.size(); ++i) {
      if (taken[i]) continue;
      RunRecord record;
      TakeServerItem(record, i);
      record.newOrder = static_cast<int>(i);
      m_records.push_back(std::move(record));
    }
  }

  void TakeServerItem(RunRecord& record, std::size_t index) {
    ServerItem& item = m_serverNew[index];
    record.uid = item.uid;
    record.href = item.href;
    record.etag = item.etag;
    record.ics = item.ics;
    record.serverTask = std::move(item.task);
    record.sides.server = record.serverTask.get();
  }

  // ---- deciding ----
  void Decide() {
    for (RunRecord& record : m_records) record.decision = DecideRecord(record.sides);
  }

  void CheckMassRemoval() {
    if (m_options.force) return;
    int fromList = 0;
    int fromServer = 0;
    int serverOpen = 0;
    for (const RunRecord& record : m_records) {
      fromList += record.decision.removedFromList ? 1 : 0;
      fromServer += record.decision.completedOnServer ? 1 : 0;
      serverOpen += record.sides.server && !record.sides.serverCompleted ? 1 : 0;
    }
    const int listCount = m_document.GetTaskCount();
    if (IsMassRemoval(fromList, listCount)) {
      throw SyncStopped("this run would remove " + std::to_string(fromList) + " of the list's " +
                        std::to_string(listCount) + " tasks (deleted or completed on the server); nothing was changed."
                        " Run again with --force if that is what you want");
    }
    if (IsMassRemoval(fromServer, serverOpen)) {
      throw SyncStopped("this run would complete " + std::to_string(fromServer) + " of the server's " +
                        std::to_string(serverOpen) + " open tasks (deleted from the list); nothing was changed."
                        " Run again with --force if that is what you want");
    }
  }

  // The list after the run: its own order; a task it deleted that the server changed comes back after the task
  // before it at the last sync; the server's new tasks at the end in the server's order.
  std::vector<RunRecord*> FinalOrder() {
    std::vector<std::tuple<int, int, int, RunRecord*>> keyed;
    int lastListed = -1;
    for (RunRecord& record : m_records) {
      if (record.sides.base && record.sides.list) lastListed = record.sides.listIndex;
      if (!record.decision.inList) continue;
      if (record.sides.list) {
        keyed.emplace_back(record.sides.listIndex, 0, 0, &record);
      } else if (record.sides.base) {
        keyed.emplace_back(lastListed, 1, record.baseOrder, &record);
      } else {
        keyed.emplace_back(INT_MAX, 2, record.newOrder, &record);
      }
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return std::tie(std::get<0>(a), std::get<1>(a), std::get<2>(a)) < std::tie(std::get<0>(b), std::get<1>(b), std::get<2>(b));
    });
    std::vector<RunRecord*> order;
    for (const auto& entry : keyed) order.push_back(std::get<3>(entry));
    return order;
  }

  // ---- the server's writes ----
  void WriteServer() {
    const std::vector<RunRecord*> order = FinalOrder();
    for (std::size_t i = 0; i < order.size(); ++i) Write(*order[i], static_cast<int>(i));
    for (RunRecord& record : m_records) {
      if (!record.decision.inList) Write(record, std::nullopt);
    }
  }

  void Write(RunRecord& record, std::optional<int> position) {
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
      const ServerAction action = record.decision.server;
      if (action == ServerAction::none) return;
      if (action == ServerAction::create && Create(record, position.value_or(0))) return;
      if (action != ServerAction::create && Patch(record, position)) return;
    }
    throw DavError("the item " + record.href + " keeps changing on the server while this run writes it; run again later");
  }

  bool Create(RunRecord& record, int position) {
    const std::string uid = NewUid();
    const std::string href = m_collection.NewHref(uid);
    const std::string ics = NewItem(uid, *record.decision.result, position);
    const PutResult result = m_collection.Put(href, ics, {});
    if (result.status != PutStatus::done) return false;  // the name is taken: another UID
    record.uid = uid;
    record.href = href;
    Written(record, ics, result.etag);
    return true;
  }

  bool Patch(RunRecord& record, std::optional<int> position) {
    const ItemCompletion completion = record.decision.server == ServerAction::complete ? ItemCompletion::complete
                                      : record.decision.server == ServerAction::reopen ? ItemCompletion::reopen
                                                                                       : ItemCompletion::keep;
    const std::optional<std::string> ics = PatchItem(record.ics, *record.decision.result, position, completion);
    if (!ics) {
      ReadAgain(record);
      return false;
    }
    const PutResult result = m_collection.Put(record.href, *ics, record.etag);
    if (result.status != PutStatus::done) {
      ReadAgain(record);
      return false;
    }
    Written(record, *ics, result.etag);
    return true;
  }

  void Written(RunRecord& record, const std::string& ics, const std::optional<std::string>& etag) {
    ++m_summary.toServer;
    record.ics = ics;
    if (etag) {
      record.etag = *etag;
      return;
    }
    // No ETag in the answer: the server may have changed what it stored, so its own version is the one to keep.
    const std::vector<FetchedItem> fetched = m_collection.Fetch({record.href});
    if (fetched.empty()) throw DavError("the item " + record.href + " the server just accepted cannot be read back");
    record.etag = fetched.front().etag;
    record.ics = fetched.front().ics;
  }

  // Someone else wrote or removed the item since it was read: decide again with what the server holds now.
  void ReadAgain(RunRecord& record) {
    const std::vector<FetchedItem> fetched = m_collection.Fetch({record.href});
    record.serverTask.reset();
    record.sides.server = nullptr;
    record.sides.serverCompleted = false;
    if (!fetched.empty()) {
      record.etag = fetched.front().etag;
      record.ics = fetched.front().ics;
      if (std::optional<ItemTask> task = ReadItemTask(record.ics)) {
        record.serverTask = std::move(task->task);
        record.sides.server = record.serverTask.get();
        record.sides.serverCompleted = task->completed;
      }
    }
    if (!record.sides.server) record.href.clear();
    record.decision = DecideRecord(record.sides);
  }

  // ---- conflicts, the file and the state ----
  void KeepConflicts() {
    for (const RunRecord& record : m_records) {
      if (record.decision.conflictFields == 0 || !record.sides.list) continue;
      ++m_summary.conflicts;
      const std::string copy = WriteConflictCopy(*record.sides.list);
      const std::string line = "tvq sync: \"" + record.decision.result->subject.ToUtf8() +
                               "\" was changed on both sides: the server's version is in the list, the list's is kept in " +
                               copy + "\n";
      const std::string shown = TerminalText(line.substr(0, line.size() - 1)) + "\n";
      std::fwrite(shown.data(), 1, shown.size(), stderr);
    }
  }

  std::string WriteConflictCopy(const TaskItem& listVersion) {
    const CString target = platform::PathFromNative(m_options.filePath);
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = platform::ToNativePath(AfxConflictFileName(target, local, attempt));
      struct stat info {};
      if (::lstat(name.c_str(), &info) == 0) continue;
      CTarvelquistDoc copy;
      TaskCommands(copy).Insert(0, listVersion);
      if (!SaveDocument(copy, name)) throw InputError("cannot keep the list's version of a task in " + name);
      return name;
    }
    throw InputError("no free name for a conflict copy beside " + m_options.filePath);
  }

  void WriteFile() {
    const std::vector<RunRecord*> order = FinalOrder();
    bool same = static_cast<int>(order.size()) == m_document.GetTaskCount();
    for (std::size_t i = 0; same && i < order.size(); ++i) {
      same = DifferentFields(*order[i]->decision.result, m_document.TaskAt(static_cast<int>(i))) == 0;
    }
    for (const RunRecord& record : m_records) {
      const bool listed = record.sides.list != nullptr;
      if (listed != record.decision.inList || (listed && DifferentFields(*record.sides.list, *record.decision.result))) {
        ++m_summary.toList;
      }
    }
    m_finalOrder = order;
    if (same) return;
    // The lock from here to the save; another writer's change since the start means deciding again.
    CTarvelquistDoc current;
    if (!LoadForChange(current, m_options.filePath, true)) {
      throw InputError("the list could not be read again to write it; the next run finishes this one");
    }
    if (!SameTasks(current, m_document)) throw ListChangedMeanwhile("the list changed while it was synced");
    KeepConflicts();  // a task changed on both sides always changes the list
    TaskCommands commands(current);
    for (int i = current.GetTaskCount() - 1; i >= 0; --i) commands.Delete(i);
    for (const RunRecord* record : order) commands.Insert(current.GetTaskCount(), *record->decision.result);
    if (!SaveDocument(current, m_options.filePath)) throw InputError("the list was not saved; nothing more was done");
    m_summary.fileWritten = true;
  }

  static bool SameTasks(const CTarvelquistDoc& a, const CTarvelquistDoc& b) {
    if (a.GetTaskCount() != b.GetTaskCount()) return false;
    for (int i = 0; i < a.GetTaskCount(); ++i) {
      if (DifferentFields(a.TaskAt(i), b.TaskAt(i)) != 0) return false;
    }
    return true;
  }

  void WriteState() {
    SyncState next;
    next.url = m_state.url;
    next.syncToken = m_newToken;
    for (const RunRecord* record : m_finalOrder) {
      next.items.push_back({record->uid, record->href, record->etag, record->ics, CopyTask(*record->decision.result)});
    }
    for (const RunRecord& record : m_records) {
      if (record.decision.inList || record.href.empty()) continue;
      next.items.push_back({record.uid, record.href, record.etag, {}, nullptr});
    }
    // Only the ETag of an item the list does not hold is kept: its text is read again when it changes.
    for (const ServerItem& item : m_others) next.items.push_back({item.uid, item.href, item.etag, {}, nullptr});
    const bool changed = m_serverChanged || m_summary.toServer > 0 || m_summary.fileWritten || m_summary.toList > 0 ||
                         next.syncToken != m_state.syncToken || next.items.size() != m_state.items.size();
    if (!changed) return;
    SaveSyncState(m_options.statePath, next);
    m_summary.stateWritten = true;
  }

  const CTarvelquistDoc& m_document;
  DavCollection& m_collection;
  SyncState m_state;
  const SyncOptions& m_options;
  std::string m_newToken;
  bool m_serverChanged = false;
  std::vector<RunRecord> m_records;
  std::vector<ServerItem> m_serverNew;  // open tasks new on the server (moved into records as they are taken)
  std::vector<ServerItem> m_others;     // items that are not open tasks: completed ones, events
  std::vector<RunRecord*> m_finalOrder;
  SyncSummary m_summary;
};

}  // namespace

SyncSummary RunSync(const CTarvelquistDoc& document, DavCollection& collection, SyncState state,
                    const SyncOptions& options) {
  return SyncRunner(document, collection, std::move(state), options).Run();
}

}  // namespace tvqcli
