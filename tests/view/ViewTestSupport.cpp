#include "tests/view/ViewTestSupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "app/MainFrm.h"
#include "editor/CTarvelquistIns.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CDialogTestHooks.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/ListViewWidget.h"
#include "res/resource.h"
#include "tests/support/Files.h"
#include "tests/support/TaskBuilder.h"

namespace viewtest {

COleDateTime Date(int year, int month, int day, int hour, int minute) {
  return COleDateTime(year, month, day, hour, minute, 0);
}
COleDateTime NullDate() { return COleDateTime(0.0, COleDateTime::null); }
COleDateTime InvalidDate() { return COleDateTime(0.0, COleDateTime::invalid); }

ProgramWindows::ProgramWindows()
    : m_template(std::make_unique<CSingleDocTemplate>(IDR_MAINFRAME, RUNTIME_CLASS(CTarvelquistDoc),
                                                      RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CTarvelquistView))) {
  m_template->OpenDocumentFile(nullptr, TRUE);
  QWidget* frame = Frame().GetSafeHwnd();
  frame->activateWindow();
  (void)QTest::qWaitForWindowActive(frame);
  QApplication::processEvents();
}

ProgramWindows::~ProgramWindows() {
  if (CDocument* document = m_template->GetDocument()) document->SetModifiedFlag(FALSE);
  m_template->CloseAllDocuments(TRUE);
}

CTarvelquistDoc& ProgramWindows::Doc() { return *static_cast<CTarvelquistDoc*>(m_template->GetDocument()); }
CTarvelquistView& ProgramWindows::View() { return *static_cast<CTarvelquistView*>(m_template->GetView()); }
CFrameWnd& ProgramWindows::Frame() { return *m_template->GetFrame(); }
listview::ListViewWidget& ProgramWindows::ListWidget() {
  return *dynamic_cast<listview::ListViewWidget*>(List().GetSafeHwnd());
}

void ProgramWindows::SetTasks(const std::vector<TaskSpec>& tasks) {
  CTarvelquistDoc& document = Doc();
  document.DeleteContents();
  for (const TaskSpec& task : tasks) {
    tvqtest::AppendTask(document, *tvqtest::MakeTask(task.subject, task.dueDate, task.priority, task.memo));
  }
  document.SetModifiedFlag(FALSE);
  View().OnInitialUpdate();
  QApplication::processEvents();
}

std::vector<CString> ProgramWindows::Column(int column) {
  std::vector<CString> texts;
  for (int i = 0; i < List().GetItemCount(); ++i) texts.push_back(List().GetItemText(i, column));
  return texts;
}

std::vector<CString> ProgramWindows::DocumentSubjects() {
  std::vector<CString> subjects;
  for (int i = 0; i < Doc().GetTaskCount(); ++i) subjects.push_back(Doc().TaskAt(i).subject);
  return subjects;
}

std::vector<CString> ProgramWindows::DocumentMemos() {
  std::vector<CString> memos;
  for (int i = 0; i < Doc().GetTaskCount(); ++i) memos.push_back(Doc().TaskAt(i).memo);
  return memos;
}

std::vector<int> ProgramWindows::SelectedRows() {
  std::vector<int> rows;
  for (int i = 0; i < List().GetItemCount(); ++i) {
    if (List().GetItemState(i, LVIS_SELECTED) == LVIS_SELECTED) rows.push_back(i);
  }
  return rows;
}

void ProgramWindows::Select(const std::vector<int>& rows) {
  List().SetItemState(-1, 0, LVIS_SELECTED);
  for (int row : rows) List().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

QPoint ProgramWindows::RowPoint(int row) {
  listview::ListViewWidget& list = ListWidget();
  list.EnsureVisible(row);
  list.FlushLayout();
  return list.RowRect(row).topLeft() + QPoint(100, list.RowHeight() / 2);
}

QPoint ProgramWindows::EmptySpacePoint() {
  listview::ListViewWidget& list = ListWidget();
  list.FlushLayout();
  return QPoint(100, list.viewport()->height() - 3);
}

void ProgramWindows::TapRow(int row, bool ctrl) {
  QTest::mouseClick(ListWidget().viewport(), Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier,
                    RowPoint(row));
}

void ProgramWindows::DoubleTap(QPoint viewportPos) {
  QTest::mouseDClick(ListWidget().viewport(), Qt::LeftButton, {}, viewportPos);
}

void ProgramWindows::PressKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  // The window's keys (its accelerators) work in the active window only; a dialog may have been active last.
  QWidget* frame = Frame().GetSafeHwnd();
  if (!frame->isActiveWindow()) {
    frame->activateWindow();
    (void)QTest::qWaitForWindowActive(frame);
  }
  ListWidget().setFocus();
  QTest::keyClick(&ListWidget(), static_cast<Qt::Key>(qtKey), modifiers);
}

void ProgramWindows::TapHeader(int column) {
  QHeaderView* header = ListWidget().Header();
  const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void ProgramWindows::Command(UINT id) { Frame().OnCmdMsg(id, CN_COMMAND); }

void ProgramWindows::TapToolbarButton(UINT id) {
  QWidget* button = Frame().GetCommandBar()->GetButtonForCommand(id);
  if (button) QTest::mouseClick(button, Qt::LeftButton);
}

EditorScript::EditorScript(Answer answer) {
  m_previous = testhooks::SetModalHook([this, answer](CDialog& dialog) {
    auto* editor = dynamic_cast<CTarvelquistIns*>(&dialog);
    if (!editor) return;
    m_runs.push_back(EditorRun{editor->m_subject, editor->m_dueDate, editor->m_memo, editor->m_priorityLetter,
                               editor->m_priorityDigit, editor->m_noDueDate});
    if (const int result = answer(*editor)) dialog.EndDialog(result);
  });
}

EditorScript::~EditorScript() { testhooks::SetModalHook(std::move(m_previous)); }

int ConfirmAsShown(CTarvelquistIns&) { return IDOK; }
int CancelAtOnce(CTarvelquistIns&) { return IDCANCEL; }

std::string TempFolder() {
  static const tvqtest::TempDir folder;
  return folder.Path();
}

}  // namespace viewtest
