// The application's document: the ordered tasks and the exchange task workTask, addressed by 0-based index.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "doc/TaskHistory.h"
#include "doc/TaskItem.h"
#include "platform/core/CDocument.h"

struct TaskEditorMembers;

class CTarvelquistDoc : public CDocument {
  DECLARE_DYNCREATE(CTarvelquistDoc)

 public:
  CTarvelquistDoc();
  ~CTarvelquistDoc() override;

  // The exchange task workTask: the task last selected, or the values that the next insert or replace stores.
  // Read by the list's row builder, the flows and tvq.
  const TaskItem& GetWorkTask() const { return m_workTask; }
  // Besides SelectTask, the task commands (doc/TaskCommands.h) write it only here: the four fields of `task`, or
  // what the editor's OK stores from its members.
  void SetWorkTask(const TaskItem& task);
  void SetWorkTask(const TaskEditorMembers& editor);

  int GetTaskCount() const;
  // Copies task index into workTask; outside 0..count-1 workTask takes a new task's defaults.
  void SelectTask(int index);
  // Inserts a copy of workTask: at index 0..count, else at the front. Sets the modified flag.
  void InsertTask(int index);
  // Replaces task index (0..count-1) by a copy of workTask. Sets the modified flag.
  void ReplaceTask(int index);
  // Removes task index (0..count-1). Sets the modified flag.
  void RemoveTask(int index);

  CString GetSubject() const { return m_workTask.GetSubject(); }
  CString GetPriority() const { return m_workTask.GetPriority(); }
  CString GetMemo() const { return m_workTask.GetMemo(); }

  // Read-only access for the list view, the sort and tvq (no copy into workTask).
  const TaskItem& TaskAt(int index) const { return *tasks[static_cast<std::size_t>(index)]; }
  // Puts the tasks in the given order: order[k] is the old index of the task that becomes task k.
  // Leaves the modified flag alone (the column sort decides it). Used by the column sort.
  void ReorderTasks(const std::vector<int>& order);

  // Direct operations on owned tasks, without a copy through workTask (which they leave alone). Each sets the
  // modified flag; indexes outside the list change nothing.
  // Exchanges tasks first and second (0..count-1): two pointers change places.
  void ExchangeTasks(int first, int second);
  // Takes task index (0..count-1) out of the list; the caller owns it (null for an index outside the list).
  std::unique_ptr<TaskItem> TakeTask(int index);
  // Puts an owned task into the list at index 0..count (a null task or another index is refused).
  void PutTask(int index, std::unique_ptr<TaskItem> task);
  // The same for many tasks at once, in one pass over the list: indexes ascending, as they are in the list
  // before the take and after the put. Anything else is refused whole (nothing taken, nothing put).
  std::vector<std::unique_ptr<TaskItem>> TakeTasks(const std::vector<int>& indexes);
  void PutTasks(const std::vector<int>& indexes, std::vector<std::unique_ptr<TaskItem>> put);
  // A new task with the four fields of `task`, made as every task of the list is made.
  std::unique_ptr<TaskItem> CopyTask(const TaskItem& task) const;

  // The undo and redo steps of this list. New, Open and a reload empty it (DeleteContents, SwapContents); a
  // save keeps it.
  TaskHistory& History() { return m_history; }

  // The setting naming the file last read (written after a load by the user and a list's first save): the
  // window reopens it at start-up and tvq remind looks at it when no files are configured. Empty when there is
  // none.
  static constexpr char16_t kLastFileSection[] = u"Recent File List";
  static constexpr char16_t kLastFileEntry[] = u"File_tvq";
  static CString GetLastReadFile();
  // The document tells the application what it read: after a successful OnOpenDocument that read tasks, the
  // program's open flow calls this and the setting names the file's full path. A load that read nothing (an
  // empty file) or failed leaves the setting alone; readers that are no open by the user (a reload of a changed
  // file, tvq) never call it.
  void RecordLastReadFile() const;
  BOOL OnOpenDocument(const CString& pathName) override;

  void Serialize(CArchive& ar) override;
  BOOL SwapContents(CDocument& loaded) override;
  UINT GetSaveConflictPrompt() const override;
  UINT GetOriginalKeptPrompt() const override;
  UINT GetSaveDivertedPrompt() const override;
  UINT GetSaveRescuedPrompt() const override;
  void DeleteContents() override;
  BOOL DoSave(const CString& pathName, BOOL bReplace = TRUE) override;

 private:
  TaskItem m_workTask;
  // A vector of owned tasks: index access is O(1) and inserts are a pointer move, fast at 100,000 tasks.
  std::vector<std::unique_ptr<TaskItem>> tasks;
  TaskHistory m_history;
  std::unique_ptr<TaskItem> CopyOfWorkTask() const;
  void StoreTasks(CArchive& ar);
  void LoadTasks(CArchive& ar);
  static void DestroyTasks(std::vector<std::unique_ptr<TaskItem>>& list);
  // While an open reads a file, the list that went lends its tasks to the one being read: a task read into one
  // of them writes its texts into the storage the old texts had, so reopening a list (or one like it) neither
  // frees nor allocates a string per task. What the load does not take is freed when the open ends.
  bool m_bLendTasksToLoad = false;
  std::vector<std::unique_ptr<TaskItem>> m_lentTasks;
  std::size_t m_nextLentTask = 0;
  std::unique_ptr<TaskItem> NextTaskToLoad();
  CString m_strReadFile;  // the file whose tasks the last load read; empty when it read none
  // The file the next start opens (the application's setting; nothing without an application).
  static void RememberAsLastFile(const CString& path);

  DECLARE_MESSAGE_MAP()
};
