// tvq merge FILE [OTHER...] [--dry-run]: brings conflict copies back into FILE without losing a task, then
// moves them to the trash.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/ConflictCopies.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/Output.h"
#include "cli/TrashFile.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskAlign.h"
#include "doc/TaskCommands.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"dry-run", false}};

using TaskList = std::vector<const TaskItem*>;

TaskList TasksOf(const CTarvelquistDoc& document) {
  TaskList tasks;
  tasks.reserve(static_cast<std::size_t>(document.GetTaskCount()));
  for (int i = 0; i < document.GetTaskCount(); ++i) tasks.push_back(&document.TaskAt(i));
  return tasks;
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

std::string Tasks(std::size_t count) { return std::to_string(count) + (count == 1 ? " task" : " tasks"); }

// Puts the merged list into the document: its own tasks keep their objects (and order), the others are
// appended as copies and then moved into place, linear at any length.
void Apply(CTarvelquistDoc& document, const TaskList& merged) {
  const int own = document.GetTaskCount();
  std::vector<int> order;
  TaskList added;
  int next = 0;
  for (const TaskItem* task : merged) {
    if (next < own && task == &document.TaskAt(next)) {
      order.push_back(next++);
    } else {
      order.push_back(own + static_cast<int>(added.size()));
      added.push_back(task);
    }
  }
  TaskCommands commands(document);
  for (const TaskItem* task : added) commands.Insert(document.GetTaskCount(), *task);
  document.ReorderTasks(order);
}

class Merge {
 public:
  Merge(CTarvelquistDoc& document, const std::string& path, Output& out)
      : m_document(document), m_path(path), m_out(out), m_merged(TasksOf(document)) {}

  // Merges one copy in, or reports that it does not load.
  void Add(const std::string& copy) {
    std::string line = copy;
    if (const auto kind = ConflictCopyOf(NameOf(m_path), NameOf(copy))) {
      line += " (" + std::string(ConflictCopyKindName(*kind)) + ")";
    }
    auto loaded = std::make_unique<CTarvelquistDoc>();
    if (!LoadDocument(*loaded, copy)) {
      m_out.Buffer() += line + ": does not load; left where it is\n";
      ++m_unloaded;
      return;
    }
    TaskList next = MergeTaskLists(m_merged, TasksOf(*loaded));
    const std::size_t added = next.size() - m_merged.size();
    m_out.Buffer() += line + ": " + Tasks(static_cast<std::size_t>(loaded->GetTaskCount())) + ", " +
                      std::to_string(added) + " added\n";
    m_merged = std::move(next);
    m_copies.push_back(copy);
    m_loaded.push_back(std::move(loaded));
  }

  std::size_t Added() const { return m_merged.size() - static_cast<std::size_t>(m_document.GetTaskCount()); }
  const TaskList& Merged() const { return m_merged; }
  const std::vector<std::string>& Copies() const { return m_copies; }
  int Unloaded() const { return m_unloaded; }

 private:
  CTarvelquistDoc& m_document;
  const std::string& m_path;
  Output& m_out;
  TaskList m_merged;
  std::vector<std::unique_ptr<CTarvelquistDoc>> m_loaded;  // the tasks that m_merged points at
  std::vector<std::string> m_copies;
  int m_unloaded = 0;
};

int RunMerge(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  if (parsed.positional.empty()) throw UsageError("missing FILE");
  const std::string& path = parsed.positional[0];
  const bool dryRun = parsed.Has("dry-run");
  std::vector<std::string> copies(parsed.positional.begin() + 1, parsed.positional.end());
  for (const std::string& copy : copies) {
    if (SameFile(copy, path)) throw UsageError("'" + copy + "' is FILE itself");
  }
  if (copies.empty()) copies = FindConflictCopies(path);

  CTarvelquistDoc document;
  if (!(dryRun ? LoadDocument(document, path) : LoadForChange(document, path))) return kExitFailure;
  Output out(true);
  if (copies.empty()) {
    out.Buffer() += path + ": no conflict copies to merge\n";
    out.Flush();
    return kExitOk;
  }
  Merge merge(document, path, out);
  for (const std::string& copy : copies) merge.Add(copy);
  const std::size_t kept = static_cast<std::size_t>(document.GetTaskCount());
  const std::size_t added = merge.Added();
  out.Buffer() += path + ": " + Tasks(kept + added) + ", " + std::to_string(kept) + " kept, " + std::to_string(added) +
                  " added from " + std::to_string(merge.Copies().size()) +
                  (merge.Copies().size() == 1 ? " copy" : " copies") + (dryRun ? " (dry run: nothing changed)" : "") +
                  "\n";
  out.Flush();
  if (dryRun) return merge.Unloaded() > 0 ? kExitFailure : kExitOk;

  if (added > 0) {
    Apply(document, merge.Merged());
    if (!SaveDocument(document, path)) return kExitFailure;
  }
  int failures = merge.Unloaded();
  for (const std::string& copy : merge.Copies()) {
    try {
      TrashFile(copy);
    } catch (const TrashError& error) {
      const std::string line = TerminalText("tvq merge: " + copy + " is merged but stays: " + error.what()) + "\n";
      std::fwrite(line.data(), 1, line.size(), stderr);
      ++failures;
    }
  }
  return failures > 0 ? kExitFailure : kExitOk;
}

}  // namespace

extern const Command kMergeCommand{
    "merge",
    "merge conflict copies of FILE into it and move them to the trash",
    "tvq merge FILE [OTHER...] [--dry-run]",
    "Brings back into FILE the versions kept aside when two writers changed it: without OTHER, every conflict\n"
    "copy of FILE in its folder, named as\n"
    "  NAME (conflict YYYY-MM-DD HHMMSS).EXT         Tarvelquist (the window or tvq, on a save that met\n"
    "                                                another writer)\n"
    "  NAME.sync-conflict-YYYYMMDD-HHMMSS-ID.EXT     Syncthing\n"
    "  NAME (conflicted copy YYYY-MM-DD HHMMSS).EXT  Nextcloud and ownCloud\n"
    "  NAME (HOST's conflicted copy YYYY-MM-DD).EXT  Dropbox\n"
    "where NAME and EXT are FILE's own, exactly; other files are never touched. With OTHER, those files.\n"
    "\n"
    "Nothing is lost: a task equal in all four fields (the same bytes a save writes) in FILE and in a copy is\n"
    "one task; every other task of either is kept. The order is FILE's, and each task only the copy has goes\n"
    "right after the nearest task before it that both have (at the top when there is none), as a line diff\n"
    "aligns lines. A task twice in one of them stays twice. Copies are merged one after another, by name.\n"
    "\n"
    "FILE is written once, under the writers' lock, as every changing command writes it; then the merged\n"
    "copies move to the trash (the freedesktop.org trash of the desktop: $XDG_DATA_HOME/Trash, or .Trash-UID\n"
    "at the top of another file system), never deleted, so a merge can be undone from there by hand. A copy\n"
    "that does not load is reported and left where it is (exit status 1).\n"
    "Prints one line per copy (its tasks, how many it added) and a summary. --dry-run prints the same and\n"
    "changes nothing. Run again, it finds nothing to do.\n"
    "\n"
    "Example:\n"
    "  tvq merge tasks.tvq --dry-run\n",
    &RunMerge,
};

}  // namespace tvqcli
