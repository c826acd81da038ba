// The program's windows for view tests: the document template with the main frame, the view and the document,
// task lists put into the document, the editor answered by a script, and the user locale switched.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <QPoint>

#include "doc/CTarvelquistDoc.h"
#include "platform/ui/CSingleDocTemplate.h"
#include "tests/support/Framework.h"
#include "view/CTarvelquistView.h"

class CTarvelquistIns;
class CFrameWnd;
class CDialog;
namespace listview {
class ListViewWidget;
}

inline void PrintTo(const COleDateTime& date, std::ostream* out) {
  *out << date.m_dt << " (status " << date.m_status << ')';
}

namespace viewtest {

struct TaskSpec {
  CString subject;
  COleDateTime dueDate;
  CString priority;
  CString memo;
};

// A due date from its fields (status valid).
COleDateTime Date(int year, int month, int day, int hour = 0, int minute = 0);
COleDateTime NullDate();
COleDateTime InvalidDate();

// The template with its frame, view and a new document, as the program has them after starting without a
// remembered file. The view's client area is 480 x 536 as on the handheld.
class ProgramWindows {
 public:
  ProgramWindows();
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  CSingleDocTemplate& Template() { return *m_template; }
  CTarvelquistDoc& Doc();
  CTarvelquistView& View();
  CFrameWnd& Frame();
  CListCtrl& List() { return View().m_taskList; }
  listview::ListViewWidget& ListWidget();

  // Puts the tasks into the document (not modified afterwards) and runs the view's initial update.
  void SetTasks(const std::vector<TaskSpec>& tasks);
  std::vector<CString> Column(int column);
  std::vector<CString> DocumentSubjects();
  std::vector<CString> DocumentMemos();
  std::vector<int> SelectedRows();
  void Select(const std::vector<int>& rows);

  // As a user: taps, double-taps, keys, header taps, toolbar buttons, commands.
  QPoint RowPoint(int row);
  QPoint EmptySpacePoint();
  void TapRow(int row, bool ctrl = false);
  void DoubleTap(QPoint viewportPos);
  void PressKey(int qtKey, Qt::KeyboardModifiers modifiers = {});
  void TapHeader(int column);
  void Command(UINT id);  // routed by the frame: view first
  void TapToolbarButton(UINT id);

 private:
  std::unique_ptr<CSingleDocTemplate> m_template;
};

// What the editor showed when it came up.
struct EditorRun {
  CString subject;
  COleDateTime dueDate;
  CString memo;
  int letter;
  int digit;
  BOOL noDueDate;
};

// Answers every editor that comes up: records its members, then lets `answer` act on it (it may set members or
// drive the widgets) and ends it with the result `answer` returns (0: the answer has ended it already).
class EditorScript {
 public:
  using Answer = std::function<int(CTarvelquistIns& editor)>;
  explicit EditorScript(Answer answer);
  ~EditorScript();
  EditorScript(const EditorScript&) = delete;
  EditorScript& operator=(const EditorScript&) = delete;
  const std::vector<EditorRun>& Runs() const { return m_runs; }

 private:
  std::vector<EditorRun> m_runs;
  std::function<void(CDialog&)> m_previous;
};

// Answers that only confirm or cancel.
int ConfirmAsShown(CTarvelquistIns&);
int CancelAtOnce(CTarvelquistIns&);

// A temporary folder for document files.
std::string TempFolder();

}  // namespace viewtest
