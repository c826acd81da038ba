// The view's layout, columns and rows, through the program's real frame, view and list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include "doc/TaskCommands.h"
#include "doc/TaskText.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/ListViewWidget.h"
#include "res/resource.h"
#include "tests/view/ViewTestSupport.h"

namespace viewtest {
namespace {

std::vector<int> ColumnWidths(CListCtrl& list) {
  std::vector<int> widths;
  for (int c = 0; c < list.GetColumnCount(); ++c) widths.push_back(list.GetColumnWidth(c));
  return widths;
}

// Resizes the view's window, which reaches its WM_SIZE handler.
void ResizeView(ProgramWindows& program, int width, int height) {
  program.View().GetSafeHwnd()->resize(width, height);
  QApplication::processEvents();
}

std::vector<TaskSpec> SomeTasks(int count) {
  std::vector<TaskSpec> tasks;
  for (int i = 0; i < count; ++i) {
    tasks.push_back({CString::FromUtf8("task " + std::to_string(i)), Date(2008, 3, 1 + i), u"A1", u""});
  }
  return tasks;
}

TEST(ViewLayoutTest, ListFillsTheViewLessItsMarginsAndColumnThreeTakesTheRest) {
  ProgramWindows program;
  ResizeView(program, 480, 400);
  EXPECT_EQ(program.ListWidget().geometry(), QRect(5, 5, 470, 385));
  CRect client;
  program.List().GetClientRect(&client);
  EXPECT_EQ(client.Width(), 466);
  EXPECT_EQ(ColumnWidths(program.List()), (std::vector<int>{170, 120, 55, 121}));
  for (int c = 0; c < 4; ++c) EXPECT_EQ(program.List().GetColumnHeading(c), tasktext::ColumnHeader(c));
  EXPECT_EQ(program.List().GetExtendedStyle(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

  // Rows enough for a scroll bar: the fill comes after the layout, so the next size change measures the rest
  // beside the bar.
  program.SetTasks(SomeTasks(60));
  EXPECT_EQ(program.List().GetColumnWidth(3), 121);
  program.View().SendSizeMessage();
  const int bar = program.ListWidget().verticalScrollBar()->sizeHint().width();
  EXPECT_EQ(program.List().GetColumnWidth(3), 466 - bar - 345);

  // A list narrower than the three fixed columns gives the memo column no width, never a negative one.
  ResizeView(program, 300, 400);
  EXPECT_EQ(program.ListWidget().geometry(), QRect(5, 5, 290, 385));
  EXPECT_EQ(program.List().GetColumnWidth(3), 0);
}

TEST(ViewLayoutTest, InitialUpdatesKeepFourColumnsAndShowEveryTaskOnce) {
  ProgramWindows program;
  program.SetTasks(SomeTasks(3));
  program.SetTasks(SomeTasks(5));
  EXPECT_EQ(program.List().GetColumnCount(), 4);
  EXPECT_EQ(program.Column(0), program.DocumentSubjects());
  EXPECT_TRUE(program.SelectedRows().empty());

  // A user drags column 0 to nothing: still four columns afterwards.
  program.ListWidget().Header()->resizeSection(0, 0);
  program.Select({1});
  program.View().OnInitialUpdate();
  EXPECT_EQ(program.List().GetColumnCount(), 4);
  EXPECT_EQ(program.List().GetItemCount(), 5);
  EXPECT_TRUE(program.SelectedRows().empty());

  // File New, then File Open of a file of two tasks.
  program.Template().OpenDocumentFile(nullptr, TRUE);
  EXPECT_EQ(program.List().GetItemCount(), 0);
  EXPECT_EQ(program.List().GetColumnCount(), 4);
  CTarvelquistDoc saved;
  TaskItem task;
  for (int i = 0; i < 2; ++i) {
    task.subject = CString::FromUtf8("saved " + std::to_string(i));
    TaskCommands(saved).Insert(i, task);
  }
  const CString path = CString::FromUtf8(TempFolder() + "/two.tvq");
  ASSERT_TRUE(saved.OnSaveDocument(path));
  ASSERT_NE(program.Template().OpenDocumentFile(&path, TRUE), nullptr);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"saved 0", u"saved 1"}));
  EXPECT_EQ(program.List().GetColumnCount(), 4);
}

TEST(ViewLayoutTest, FailedOpenLeavesNoRowsForTasksThatAreGone) {
  ProgramWindows program;
  program.SetTasks(SomeTasks(3));
  // A file cut inside its first task.
  const std::string cut = TempFolder() + "/cut.tvq";
  FILE* file = std::fopen(cut.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  const unsigned char bytes[] = {0x02, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0xFF, 0x05, 0x41};
  std::fwrite(bytes, 1, sizeof bytes, file);
  std::fclose(file);
  std::vector<CString> messages;
  const MessageBoxHandler previous = AfxSetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    messages.push_back(text);
    return IDOK;
  });
  const CString path = CString::FromUtf8(cut);
  EXPECT_EQ(program.Template().OpenDocumentFile(&path, TRUE), nullptr);
  AfxSetMessageBoxHandler(previous);
  EXPECT_EQ(messages, (std::vector<CString>{u"Unexpected file format."}));
  EXPECT_EQ(program.Doc().GetTaskCount(), 0);
  EXPECT_EQ(program.List().GetItemCount(), 0);
}

TEST(ViewLayoutTest, DraggedWidthsOfTheFirstColumnsSurviveAndTheMemoColumnTakesTheRestAgain) {
  ProgramWindows program;
  ResizeView(program, 480, 400);
  QHeaderView* header = program.ListWidget().Header();
  // Drag the right edge of column 1 thirty pixels to the right.
  const int edge = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
  const int y = header->height() / 2;
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
  QTest::mouseMove(header->viewport(), QPoint(edge + 15, y));
  QTest::mouseMove(header->viewport(), QPoint(edge + 30, y));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 30, y));
  ASSERT_EQ(program.List().GetColumnWidth(1), 150);
  program.List().SetColumnWidth(2, 70);

  ResizeView(program, 600, 400);
  program.View().OnInitialUpdate();
  EXPECT_EQ(ColumnWidths(program.List()), (std::vector<int>{170, 150, 70, 586 - 345}));
  ResizeView(program, 480, 400);
  EXPECT_EQ(ColumnWidths(program.List()), (std::vector<int>{170, 150, 70, 121}));
}

// A view made and sized before its first initial update: the size message finds no list to lay out.
class UnattachedView : public CTarvelquistView {
 public:
  void AttachDocument(CDocument* document) { m_pDocument = document; }
  void DetachDocument() { m_pDocument = nullptr; }
};

TEST(ViewLayoutTest, SizeBeforeTheFirstInitialUpdateLeavesTheListAlone) {
  ProgramWindows program;
  UnattachedView view;
  ASSERT_TRUE(view.Create(&program.Frame(), AFX_IDW_PANE_FIRST + 1));
  QWidget* list = view.GetDlgItemHandle(IDC_TASKLIST);
  ASSERT_NE(list, nullptr);
  const QRect fromTemplate = list->geometry();
  view.GetSafeHwnd()->resize(480, 400);
  view.SendSizeMessage();
  QApplication::processEvents();
  EXPECT_EQ(view.m_taskList.GetSafeHwnd(), nullptr);
  EXPECT_EQ(list->geometry(), fromTemplate);

  view.AttachDocument(&program.Doc());
  view.OnInitialUpdate();
  EXPECT_EQ(view.m_taskList.GetSafeHwnd(), list);
  EXPECT_EQ(list->geometry(), QRect(5, 5, 470, 385));
  view.DetachDocument();
  view.DestroyWindow();
}

// --- rows ---

struct DateCase {
  const char* locale;
  COleDateTime due;
  const char16_t* shown;
};

void PrintTo(const DateCase& c, std::ostream* out) {
  *out << c.locale << ' ';
  PrintTo(c.due, out);
}

class RowDateTextTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(RowDateTextTest, DueColumnShowsTheShortDateOrNoDueDate) {
  const DateCase& c = GetParam();
  tvqtest::ScopedLocale locale(c.locale);
  ProgramWindows program;
  program.SetTasks({{u"t", c.due, u"A1", u""}});
  EXPECT_EQ(program.List().GetItemText(0, 1), CString(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, RowDateTextTest,
    ::testing::Values(DateCase{"ja_JP", Date(2008, 3, 15, 14, 30), u"2008/03/15"},
                      DateCase{"en_US", Date(2008, 3, 15, 14, 30), u"3/15/2008"},
                      DateCase{"ja_JP", Date(2100, 1, 1), u"期限なし"},
                      DateCase{"ja_JP", Date(2100, 12, 31, 23, 0), u"期限なし"},
                      DateCase{"en_US", Date(2100, 1, 1), u"1/1/2100"},
                      DateCase{"ja_JP", NullDate(), u""},
                      DateCase{"ja_JP", InvalidDate(), u"Invalid DateTime"},
                      DateCase{"en_US", InvalidDate(), u"Invalid DateTime"},
                      DateCase{"ja_JP", COleDateTime(3000000.0), u"Invalid DateTime"}));

TEST(RowTextTest, SubjectsUpTo127UnitsShowWholeAndLongerOnesAreCutBeforeAPair) {
  tvqtest::ScopedLocale locale("ja_JP");
  ProgramWindows program;
  const CString exact(127, u's');
  const CString longer(128, u'l');
  CString pairAtTheCut(126, u'p');
  pairAtTheCut += u'\xD842';  // U+20BB7 as a surrogate pair at units 127 and 128
  pairAtTheCut += u'\xDFB7';
  const CString memo(u"first line\r\nsecond line\nthird");
  program.SetTasks({{exact, Date(2008, 5, 10, 12, 0), u"A1", memo},
                    {longer, Date(2008, 5, 10), u"P0", u""},
                    {pairAtTheCut, Date(2008, 5, 10), u"A", u""},
                    {u"", Date(2008, 5, 10), u"", u""}});
  EXPECT_EQ(program.Column(0), (std::vector<CString>{exact, CString(127, u'l'), CString(126, u'p'), u""}));
  EXPECT_EQ(program.List().GetItemText(0, 3), memo);  // line breaks and all
  EXPECT_EQ(program.Column(2), (std::vector<CString>{u"A1", u"P0", u"A", u""}));
  // The document keeps the whole subject.
  EXPECT_EQ(program.Doc().TaskAt(1).subject, longer);
}

TEST(RowTextTest, NewTaskDefaultsShowTheirSubjectDateAndPriority) {
  tvqtest::ScopedLocale locale("ja_JP");
  ProgramWindows program;
  program.Doc().SelectTask(0);  // no tasks: workTask takes a new task's defaults
  program.View().InsertTaskRow(0);
  const COleDateTime now = program.Doc().GetWorkTask().dueDate;
  EXPECT_EQ(program.List().GetItemText(0, 0), CString(u"件名"));
  EXPECT_EQ(program.List().GetItemText(0, 1), now.Format(VAR_DATEVALUEONLY, LANG_USER_DEFAULT));
  EXPECT_EQ(program.List().GetItemText(0, 2), CString(u"A"));
  EXPECT_EQ(program.List().GetItemText(0, 3), CString());
  EXPECT_EQ(program.List().GetItemState(0, LVIS_SELECTED | LVIS_FOCUSED), 0u);
}

TEST(RowTextTest, RowInsertedOnTopMovesTheOthersWithTheirSelection) {
  tvqtest::ScopedLocale locale("ja_JP");
  ProgramWindows program;
  program.SetTasks(SomeTasks(3));
  program.Select({0, 2});
  TaskItem top;
  top.subject = u"top";
  TaskCommands(program.Doc()).Insert(0, top);  // workTask now holds it
  program.View().InsertTaskRow(0);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"top", u"task 0", u"task 1", u"task 2"}));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace viewtest
