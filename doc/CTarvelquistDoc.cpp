// The document's tasks: select, insert, replace and remove through workTask, the direct task operations, the
// file's records, and the setting naming the file last read.
#include "doc/CTarvelquistDoc.h"

#include <algorithm>
#include <new>

#include "doc/CTarvelquistDocTestHooks.h"
#include "doc/TaskEditor.h"
#include "platform/core/CArchive.h"
#include "platform/core/CWinApp.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CTarvelquistDoc, CDocument)

BEGIN_MESSAGE_MAP(CTarvelquistDoc, CDocument)
END_MESSAGE_MAP()

namespace {

testhooks::TaskFactory& TaskFactorySlot() {
  static testhooks::TaskFactory factory;
  return factory;
}

// A new task whose fields the caller sets next (from a file or from workTask). Exhausted memory becomes the
// framework's memory exception, so callers never see a half-made task.
std::unique_ptr<TaskItem> NewTask() {
  try {
    if (const auto& factory = TaskFactorySlot()) return factory();
    return std::make_unique<TaskItem>(TaskItem::FieldsFollow{});
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

// The smallest record a file can hold: three 8-bit strings of length 0 (one byte each), status and value.
constexpr ULONGLONG kMinimumRecordBytes = 1 + 4 + 8 + 1 + 1;

}  // namespace

testhooks::TaskFactory testhooks::SetTaskFactory(TaskFactory factory) {
  TaskFactory old = std::move(TaskFactorySlot());
  TaskFactorySlot() = std::move(factory);
  return old;
}

CTarvelquistDoc::CTarvelquistDoc() = default;

CTarvelquistDoc::~CTarvelquistDoc() {
  DestroyTasks(tasks);
  DestroyTasks(m_lentTasks);
}

int CTarvelquistDoc::GetTaskCount() const { return static_cast<int>(tasks.size()); }

std::unique_ptr<TaskItem> CTarvelquistDoc::CopyTask(const TaskItem& task) const {
  std::unique_ptr<TaskItem> copy = NewTask();
  copy->CopyFieldsFrom(task);
  return copy;
}

std::unique_ptr<TaskItem> CTarvelquistDoc::CopyOfWorkTask() const { return CopyTask(m_workTask); }

void CTarvelquistDoc::SetWorkTask(const TaskItem& task) { m_workTask.CopyFieldsFrom(task); }

void CTarvelquistDoc::SetWorkTask(const TaskEditorMembers& editor) { taskeditor::Confirm(editor, m_workTask); }

void CTarvelquistDoc::SelectTask(int index) {
  if (index < 0 || index >= GetTaskCount()) {
    const TaskItem defaults;
    m_workTask.CopyFieldsFrom(defaults);
    return;
  }
  m_workTask.CopyFieldsFrom(TaskAt(index));
}

void CTarvelquistDoc::InsertTask(int index) {
  std::unique_ptr<TaskItem> copy = CopyOfWorkTask();
  const int count = GetTaskCount();
  const int position = (index >= 0 && index <= count) ? index : 0;
  try {
    tasks.insert(tasks.begin() + position, std::move(copy));
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  SetModifiedFlag(TRUE);
}

void CTarvelquistDoc::ReplaceTask(int index) {
  if (index < 0 || index >= GetTaskCount()) return;  // callers pass existing rows only
  std::unique_ptr<TaskItem> copy = CopyOfWorkTask();
  tasks[static_cast<std::size_t>(index)] = std::move(copy);
  SetModifiedFlag(TRUE);
}

void CTarvelquistDoc::RemoveTask(int index) {
  if (index < 0 || index >= GetTaskCount()) return;  // callers pass existing rows only
  std::unique_ptr<TaskItem> removed = std::move(tasks[static_cast<std::size_t>(index)]);
  tasks.erase(tasks.begin() + index);
  removed.reset();
  SetModifiedFlag(TRUE);
}

void CTarvelquistDoc::ReorderTasks(const std::vector<int>& order) {
  const std::size_t count = tasks.size();
  if (order.size() != count) return;
  std::vector<bool> seen(count, false);
  for (const int old : order) {
    if (old < 0 || static_cast<std::size_t>(old) >= count || seen[static_cast<std::size_t>(old)]) return;
    seen[static_cast<std::size_t>(old)] = true;
  }
  std::vector<std::unique_ptr<TaskItem>> reordered;
  reordered.reserve(count);
  for (const int old : order) reordered.push_back(std::move(tasks[static_cast<std::size_t>(old)]));
  tasks.swap(reordered);
}

void CTarvelquistDoc::ExchangeTasks(int first, int second) {
  const int count = GetTaskCount();
  if (first < 0 || first >= count || second < 0 || second >= count) return;
  std::swap(tasks[static_cast<std::size_t>(first)], tasks[static_cast<std::size_t>(second)]);
  SetModifiedFlag(TRUE);
}

std::unique_ptr<TaskItem> CTarvelquistDoc::TakeTask(int index) {
  if (index < 0 || index >= GetTaskCount()) return nullptr;
  std::unique_ptr<TaskItem> taken = std::move(tasks[static_cast<std::size_t>(index)]);
  tasks.erase(tasks.begin() + index);
  SetModifiedFlag(TRUE);
  return taken;
}

void CTarvelquistDoc::PutTask(int index, std::unique_ptr<TaskItem> task) {
  if (!task || index < 0 || index > GetTaskCount()) return;
  try {
    tasks.insert(tasks.begin() + index, std::move(task));
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  SetModifiedFlag(TRUE);
}

namespace {

bool AscendingBelow(const std::vector<int>& indexes, std::size_t limit) {
  for (std::size_t k = 0; k < indexes.size(); ++k) {
    if (indexes[k] < 0 || static_cast<std::size_t>(indexes[k]) >= limit) return false;
    if (k > 0 && indexes[k] <= indexes[k - 1]) return false;
  }
  return true;
}

}  // namespace

std::vector<std::unique_ptr<TaskItem>> CTarvelquistDoc::TakeTasks(const std::vector<int>& indexes) {
  std::vector<std::unique_ptr<TaskItem>> taken;
  if (indexes.empty() || !AscendingBelow(indexes, tasks.size())) return taken;
  try {
    taken.reserve(indexes.size());
    std::vector<std::unique_ptr<TaskItem>> kept;
    kept.reserve(tasks.size() - indexes.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
      const bool take = next < indexes.size() && static_cast<std::size_t>(indexes[next]) == i;
      (take ? taken : kept).push_back(std::move(tasks[i]));
      if (take) ++next;
    }
    tasks.swap(kept);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();  // before any task moved: reserve is the only allocation
  }
  SetModifiedFlag(TRUE);
  return taken;
}

void CTarvelquistDoc::PutTasks(const std::vector<int>& indexes, std::vector<std::unique_ptr<TaskItem>> put) {
  const std::size_t total = tasks.size() + put.size();
  if (put.empty() || indexes.size() != put.size() || !AscendingBelow(indexes, total)) return;
  if (std::any_of(put.begin(), put.end(), [](const auto& task) { return !task; })) return;
  std::vector<std::unique_ptr<TaskItem>> merged;
  try {
    merged.reserve(total);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  std::size_t next = 0;
  std::size_t old = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const bool fromPut = next < indexes.size() && static_cast<std::size_t>(indexes[next]) == i;
    merged.push_back(std::move(fromPut ? put[next++] : tasks[old++]));
  }
  tasks.swap(merged);
  SetModifiedFlag(TRUE);
}

void CTarvelquistDoc::DestroyTasks(std::vector<std::unique_ptr<TaskItem>>& list) {
  // Last task first: the allocator's free lists then hold the memory in address order, and the load that usually
  // follows gets it back in that order; freeing 100,000 tasks and loading as many again takes half the time it
  // takes in list order.
  while (!list.empty()) list.pop_back();
  std::vector<std::unique_ptr<TaskItem>>().swap(list);
}

void CTarvelquistDoc::DeleteContents() {
  m_history.Clear();  // its indexes belong to the list that goes
  if (m_bLendTasksToLoad && m_lentTasks.empty()) {
    m_lentTasks.swap(tasks);
    m_nextLentTask = 0;
  }
  DestroyTasks(tasks);
}

namespace {

// A lent task keeps its old storage only where the new text fits it closely: a long memo read before must not
// stay with the short one read now, or a list would hold what the largest list ever opened held.
void KeepOnlyFittingStorage(TaskItem& task) {
  for (CString* text : {&task.subject, &task.priority, &task.memo}) {
    std::u16string& units = text->str();
    if (units.capacity() > 2 * units.size() + 32) units.shrink_to_fit();
  }
}

}  // namespace

std::unique_ptr<TaskItem> CTarvelquistDoc::NextTaskToLoad() {
  // A test's task factory sees every task made, as it would without lending.
  if (m_nextLentTask < m_lentTasks.size() && !TaskFactorySlot()) return std::move(m_lentTasks[m_nextLentTask++]);
  return NewTask();
}


BOOL CTarvelquistDoc::SwapContents(CDocument& loaded) {
  auto* other = dynamic_cast<CTarvelquistDoc*>(&loaded);
  if (!other) return FALSE;
  tasks.swap(other->tasks);  // workTask stays: it belongs to the flows, not to the file
  m_history.Clear();         // another writer's list: no old index may be applied to it
  return TRUE;
}

UINT CTarvelquistDoc::GetSaveConflictPrompt() const { return IDP_SAVE_CONFLICT; }
UINT CTarvelquistDoc::GetOriginalKeptPrompt() const { return IDP_ORIGINAL_KEPT; }
UINT CTarvelquistDoc::GetSaveDivertedPrompt() const { return IDP_SAVE_DIVERTED; }
UINT CTarvelquistDoc::GetSaveRescuedPrompt() const { return IDP_SAVE_RESCUED; }

void CTarvelquistDoc::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    StoreTasks(ar);
  } else {
    LoadTasks(ar);
  }
}

void CTarvelquistDoc::StoreTasks(CArchive& ar) {
  ar << static_cast<LONG>(tasks.size());
  for (const auto& task : tasks) {
    ar << task->subject;
    ar << static_cast<LONG>(task->dueDate.m_status);
    ar << task->dueDate.m_dt;
    ar << task->priority;
    ar << task->memo;
  }
  SetModifiedFlag(FALSE);
}

void CTarvelquistDoc::LoadTasks(CArchive& ar) {
  LONG count = 0;
  ar >> count;
  if (count < 0) NoteUnreadBytes();  // no file of ours has one: what follows was written by something else
  try {
    if (count > 0) {
      // Never trust the claimed count for memory: a record takes at least kMinimumRecordBytes of what the
      // file really stores.
      const ULONGLONG claimed = static_cast<ULONGLONG>(count) * kMinimumRecordBytes;
      const ULONGLONG fits = ar.GetStoredRemainingLength(claimed) / kMinimumRecordBytes;
      tasks.reserve(tasks.size() + static_cast<std::size_t>(std::min<ULONGLONG>(fits, count)));
    }
    for (LONG i = 0; i < count; ++i) {
      const bool lent = m_nextLentTask < m_lentTasks.size();
      std::unique_ptr<TaskItem> task = NextTaskToLoad();
      ar >> task->subject;
      LONG status = 0;
      ar >> status;
      ar >> task->dueDate.m_dt;
      task->dueDate.m_status = status;
      ar >> task->priority;
      ar >> task->memo;
      if (lent) KeepOnlyFittingStorage(*task);
      tasks.push_back(std::move(task));  // only whole tasks reach the list
    }
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  CFile* file = ar.GetFile();
  m_strReadFile = file ? file->GetFilePath() : CString();  // the file's full path
}

BOOL CTarvelquistDoc::OnOpenDocument(const CString& pathName) {
  m_strReadFile.Empty();
  m_bLendTasksToLoad = true;
  const BOOL opened = CDocument::OnOpenDocument(pathName);
  m_bLendTasksToLoad = false;
  DestroyTasks(m_lentTasks);
  if (!opened) m_strReadFile.Empty();
  return opened;
}

void CTarvelquistDoc::RecordLastReadFile() const {
  if (!m_strReadFile.IsEmpty()) RememberAsLastFile(m_strReadFile);
}

void CTarvelquistDoc::RememberAsLastFile(const CString& path) {
  if (CWinApp* app = AfxGetApp()) app->WriteProfileString(CString(kLastFileSection), CString(kLastFileEntry), path);
}

BOOL CTarvelquistDoc::DoSave(const CString& pathName, BOOL bReplace) {
  // A list saved for the first time (under a name chosen in the documents folder) is found again at the next
  // start, as a loaded one is.
  const bool firstSave = pathName.IsEmpty();
  if (!CDocument::DoSave(pathName, bReplace)) return FALSE;
  if (firstSave) RememberAsLastFile(GetPathName());
  return TRUE;
}

CString CTarvelquistDoc::GetLastReadFile() {
  CWinApp* app = AfxGetApp();
  return app ? app->GetProfileString(CString(kLastFileSection), CString(kLastFileEntry), CString()) : CString();
}
