// The task editor driven through its real widgets: the priority rows, the "期限なし" box, the picker, the
// layout for portrait, landscape and square client areas, keys and the tab order.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QTest>

#include <functional>
#include <ostream>
#include <vector>

#include "editor/CTarvelquistIns.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/DatePicker.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

using guitest::RunModal;

constexpr int kLetterIds[] = {IDC_PRIORITY_A, IDC_PRIORITY_B, IDC_PRIORITY_C, IDC_PRIORITY_P};
constexpr int kDigitIds[] = {IDC_PRIORITY_1, IDC_PRIORITY_2, IDC_PRIORITY_3, IDC_PRIORITY_4, IDC_PRIORITY_5,
                             IDC_PRIORITY_6, IDC_PRIORITY_7, IDC_PRIORITY_8, IDC_PRIORITY_9, IDC_PRIORITY_0};

CTarvelquistIns& Editor(CDialog& shown) { return static_cast<CTarvelquistIns&>(shown); }

QWidget* Item(CDialog& shown, int id) {
  QWidget* widget = shown.GetDlgItemHandle(id);
  EXPECT_NE(widget, nullptr) << id;
  return widget;
}

void Tap(CDialog& shown, int id) { QTest::mouseClick(Item(shown, id), Qt::LeftButton); }

DatePickerWidget* Picker(CDialog& shown) { return dynamic_cast<DatePickerWidget*>(Item(shown, IDC_DUEDATE)); }

// The checked buttons of both priority rows.
std::vector<int> CheckedPriorityButtons(CDialog& shown) {
  std::vector<int> checked;
  for (const int* row : {std::begin(kLetterIds), std::begin(kDigitIds)}) {
    const int* end = row == std::begin(kLetterIds) ? std::end(kLetterIds) : std::end(kDigitIds);
    for (const int* id = row; id != end; ++id) {
      if (shown.IsDlgButtonChecked(*id) == BST_CHECKED) checked.push_back(*id);
    }
  }
  return checked;
}

// Japanese text arrives from the input method as a committed string.
void TypeThroughInputMethod(QWidget* widget, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(widget, &event);
}

bool IsToday(const QDate& date) { return date == QDate::currentDate(); }

TEST(TaskEditor, NewTaskShowsAAndZeroAndConfirmsAsLetterOneDigitZero) {
  CTarvelquistIns editor;
  const COleDateTime created = editor.m_dueDate;
  EXPECT_EQ(created.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(editor.m_priorityLetter, 1);
  EXPECT_EQ(editor.m_priorityDigit, 0);
  EXPECT_FALSE(editor.m_noDueDate);
  EXPECT_TRUE(editor.m_subject.IsEmpty());
  EXPECT_TRUE(editor.m_memo.IsEmpty());

  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    EXPECT_EQ(CheckedPriorityButtons(shown), (std::vector<int>{IDC_PRIORITY_A, IDC_PRIORITY_0}));
    EXPECT_EQ(shown.IsDlgButtonChecked(IDC_NODUEDATE), BST_UNCHECKED);
    EXPECT_TRUE(Picker(shown)->isEnabled());
    EXPECT_TRUE(IsToday(Picker(shown)->date()));
    Tap(shown, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_priorityLetter, 1);
  EXPECT_EQ(editor.m_priorityDigit, 0);
  EXPECT_EQ(editor.m_dueDate, created);  // date and time of day come back as given
  EXPECT_TRUE(editor.m_subject.IsEmpty());
}

TEST(TaskEditor, TaskWithoutDueDateOpensTickedWithThePickerDisabledOn2100) {
  CTarvelquistIns editor;
  editor.m_dueDate = COleDateTime(2100, 1, 1, 0, 0, 0);
  editor.m_noDueDate = TRUE;
  editor.m_subject = u"件名";
  editor.m_memo = u"一行目\r\n二行目";
  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    EXPECT_EQ(shown.IsDlgButtonChecked(IDC_NODUEDATE), BST_CHECKED);
    EXPECT_FALSE(Picker(shown)->isEnabled());
    EXPECT_EQ(Picker(shown)->text(), QString::fromUtf8("2100年1月1日金曜日"));
    EXPECT_EQ(shown.GetDlgItem(IDC_SUBJECT)->GetWindowText(), CString(u"件名"));
    Tap(shown, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_dueDate, COleDateTime(2100, 1, 1, 0, 0, 0));
  EXPECT_EQ(editor.m_subject, CString(u"件名"));
  EXPECT_EQ(editor.m_memo, CString(u"一行目\r\n二行目"));
}

// Ticking the box any odd or even number of times: the date leaves as 1 January 2100 either way, because
// clearing the box leaves the picker on that date.
class NoDueDateTicks : public ::testing::TestWithParam<int> {};

TEST_P(NoDueDateTicks, ConfirmWith2100WhateverWasShown) {
  const int taps = GetParam();
  CTarvelquistIns editor;
  editor.m_dueDate = COleDateTime(2024, 5, 6, 10, 11, 12);
  const INT_PTR result = RunModal(editor, [taps](CDialog& shown) {
    EXPECT_EQ(Picker(shown)->date(), QDate(2024, 5, 6));
    for (int i = 0; i < taps; ++i) Tap(shown, IDC_NODUEDATE);
    const bool ticked = taps % 2 == 1;
    EXPECT_EQ(shown.IsDlgButtonChecked(IDC_NODUEDATE), ticked ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(Picker(shown)->isEnabled(), !ticked);
    EXPECT_EQ(Picker(shown)->date(), QDate(2100, 1, 1));
    EXPECT_EQ(Editor(shown).m_noDueDate, ticked ? TRUE : FALSE);
    Tap(shown, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_dueDate, COleDateTime(2100, 1, 1, 0, 0, 0));
  EXPECT_EQ(editor.m_dueDate.GetStatus(), COleDateTime::valid);
}

INSTANTIATE_TEST_SUITE_P(Taps, NoDueDateTicks, ::testing::Values(1, 2, 3));

TEST(TaskEditor, PickingADateAfterClearingTheBoxKeepsThePickedDate) {
  CTarvelquistIns editor;
  editor.m_dueDate = COleDateTime(2024, 5, 6, 10, 11, 12);
  RunModal(editor, [](CDialog& shown) {
    Tap(shown, IDC_NODUEDATE);
    Tap(shown, IDC_NODUEDATE);
    Picker(shown)->setDate(QDate(2025, 2, 3));
    Tap(shown, IDOK);
  });
  // The time of day is the one the picker was last given: midnight of 1 January 2100.
  EXPECT_EQ(editor.m_dueDate, COleDateTime(2025, 2, 3, 0, 0, 0));
}

struct PriorityCase {
  const char* name;
  int letterIn;
  int digitIn;
  std::vector<int> shown;  // the buttons checked when the dialog opens
  std::vector<int> taps;
  std::vector<int> after;  // the buttons checked after the taps
  int letterOut;
  int digitOut;
};

void PrintTo(const PriorityCase& value, std::ostream* out) { *out << value.name; }

class Priorities : public ::testing::TestWithParam<PriorityCase> {};

TEST_P(Priorities, RowsShowTheChoicesAndClicksChangeOnlyTheirRow) {
  const PriorityCase& c = GetParam();
  CTarvelquistIns editor;
  editor.m_priorityLetter = c.letterIn;
  editor.m_priorityDigit = c.digitIn;
  const INT_PTR result = RunModal(editor, [&c](CDialog& shown) {
    EXPECT_EQ(CheckedPriorityButtons(shown), c.shown);
    for (int id : c.taps) Tap(shown, id);
    EXPECT_EQ(CheckedPriorityButtons(shown), c.after);
    Tap(shown, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_priorityLetter, c.letterOut);
  EXPECT_EQ(editor.m_priorityDigit, c.digitOut);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Priorities,
    ::testing::Values(
        PriorityCase{"LetterSevenShowsAAndStays", 7, 0, {IDC_PRIORITY_A, IDC_PRIORITY_0}, {},
                     {IDC_PRIORITY_A, IDC_PRIORITY_0}, 7, 0},
        PriorityCase{"DigitOneThenZeroTapped", 1, 1, {IDC_PRIORITY_A, IDC_PRIORITY_1}, {IDC_PRIORITY_0},
                     {IDC_PRIORITY_A, IDC_PRIORITY_0}, 1, 0},
        PriorityCase{"DigitTwelveShowsOneAndStays", 2, 12, {IDC_PRIORITY_B, IDC_PRIORITY_1}, {},
                     {IDC_PRIORITY_B, IDC_PRIORITY_1}, 2, 12},
        PriorityCase{"NegativeLetterShowsA", -3, 4, {IDC_PRIORITY_A, IDC_PRIORITY_4}, {},
                     {IDC_PRIORITY_A, IDC_PRIORITY_4}, -3, 4},
        PriorityCase{"CThenPTapped", 3, 5, {IDC_PRIORITY_C, IDC_PRIORITY_5}, {IDC_PRIORITY_P},
                     {IDC_PRIORITY_P, IDC_PRIORITY_5}, 4, 5},
        PriorityCase{"OutOfRangeLetterThenATapped", 9, 9, {IDC_PRIORITY_A, IDC_PRIORITY_9}, {IDC_PRIORITY_A},
                     {IDC_PRIORITY_A, IDC_PRIORITY_9}, 1, 9},
        PriorityCase{"EveryDigitInTurn", 1, 0, {IDC_PRIORITY_A, IDC_PRIORITY_0},
                     {IDC_PRIORITY_7, IDC_PRIORITY_4, IDC_PRIORITY_8, IDC_PRIORITY_3},
                     {IDC_PRIORITY_A, IDC_PRIORITY_3}, 1, 3}),
    [](const ::testing::TestParamInfo<PriorityCase>& info) { return std::string(info.param.name); });

struct LayoutCase {
  const char* name;
  int width, height;                     // the client area
  QRect memo;                            // left, top, right, bottom as a rectangle
  int okLeft;
  int cancelLeft;                        // -1: width - OK width - 60
};

void PrintTo(const LayoutCase& value, std::ostream* out) { *out << value.name; }

class Layouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layouts, MemoAndButtonsFollowTheClientArea) {
  const LayoutCase& c = GetParam();
  CTarvelquistIns editor;
  RunModal(editor, [&c](CDialog& shown) {
    QWidget* ok = Item(shown, IDOK);
    QWidget* cancel = Item(shown, IDCANCEL);
    const QSize okSize = ok->size();
    const QSize cancelSize = cancel->size();
    shown.GetDialogWindow()->resize(c.width, c.height + CDialog::kCaptionHeight);
    guitest::Settle();
    RECT client;
    shown.GetClientRect(&client);
    ASSERT_EQ(client.right, c.width);
    ASSERT_EQ(client.bottom, c.height);

    const QRect memo = Item(shown, IDC_MEMO)->geometry();
    EXPECT_EQ(QRect(QPoint(memo.left(), memo.top()), QPoint(memo.left() + memo.width(), memo.top() + memo.height())),
              c.memo);
    // The priority group box lies wholly outside the memo's place (119 dialog units of 3 pixels end at 357).
    const auto boxes = shown.GetSafeHwnd()->findChildren<QGroupBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_FALSE(memo.intersects(boxes.front()->geometry())) << boxes.front()->geometry().bottom();
    EXPECT_EQ(ok->size(), okSize);
    EXPECT_EQ(cancel->size(), cancelSize);
    EXPECT_EQ(ok->x(), c.okLeft);
    EXPECT_EQ(cancel->x(), c.cancelLeft >= 0 ? c.cancelLeft : c.width - okSize.width() - 60);
    EXPECT_EQ(ok->y() + cancelSize.height(), c.height - 15);
    EXPECT_EQ(cancel->y() + cancelSize.height(), c.height - 15);
    Tap(shown, IDCANCEL);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Layouts,
    ::testing::Values(LayoutCase{"Portrait", 480, 536, QRect(QPoint(20, 380), QPoint(460, 466)), 60, -1},
                      LayoutCase{"Landscape", 800, 400, QRect(QPoint(470, 20), QPoint(785, 330)), 470, 640},
                      LayoutCase{"Square", 600, 600, QRect(QPoint(470, 20), QPoint(585, 530)), 470, 640},
                      LayoutCase{"TallNarrow", 300, 700, QRect(QPoint(20, 380), QPoint(280, 630)), 60, -1}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(TaskEditor, OpensInThePortraitLayout) {
  CTarvelquistIns editor;
  RunModal(editor, [](CDialog& shown) {
    const QRect memo = Item(shown, IDC_MEMO)->geometry();
    EXPECT_EQ(memo, QRect(20, 380, 440, 86));
    EXPECT_EQ(Item(shown, IDOK)->x(), 60);
    Tap(shown, IDCANCEL);
  });
}

TEST(TaskEditor, MembersFollowTheControlsWhileTypingAndCancelKeepsNothing) {
  CTarvelquistIns editor;
  editor.m_subject = u"old";
  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    ASSERT_TRUE(guitest::Activate(shown.GetDialogWindow()));
    QTest::keyClicks(Item(shown, IDC_SUBJECT), " subject");
    EXPECT_EQ(Editor(shown).m_subject, CString(u"old"));  // nothing read yet
    QTest::keyClicks(Item(shown, IDC_MEMO), "m");
    EXPECT_EQ(Editor(shown).m_memo, CString(u"m"));  // every memo change reads
    EXPECT_EQ(Editor(shown).m_subject, CString(u"old subject"));
    Tap(shown, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(TaskEditor, CancelDoesNotReadTheControls) {
  CTarvelquistIns editor;
  editor.m_subject = u"old";
  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    QTest::keyClicks(Item(shown, IDC_SUBJECT), " changed");
    Tap(shown, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(editor.m_subject, CString(u"old"));
}

// The dialog's start leaves in m_dueDate what the editor model says (taskeditor::Open): the picker shows a date
// to the second or, having no "none", refuses it and keeps the current time it was built with; a ticked box
// gives 1 January 2100. The model then holds for tvq what the real picker does.
struct OpenCase {
  const char* name;
  COleDateTime due;
  BOOL noDueDate;
};

void PrintTo(const OpenCase& value, std::ostream* out) { *out << value.name; }

class OpensLikeTheModel : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpensLikeTheModel, DueDateAfterTheStart) {
  const OpenCase& c = GetParam();
  CTarvelquistIns editor;
  editor.m_dueDate = c.due;
  editor.m_noDueDate = c.noDueDate;
  TaskEditorMembers model;
  model.m_dueDate = c.due;
  model.m_noDueDate = c.noDueDate;
  const COleDateTime refused(-1.0, COleDateTime::null);  // stands for the picker's own now
  taskeditor::Open(model, refused);

  const COleDateTime before = COleDateTime::GetCurrentTime();
  COleDateTime duringInit;
  bool pickerEnabled = false;
  const INT_PTR result = RunModal(editor, [&](CDialog& shown) {
    duringInit = Editor(shown).m_dueDate;
    pickerEnabled = Picker(shown)->isEnabled();
    Tap(shown, IDOK);
  });
  const COleDateTime after = COleDateTime::GetCurrentTime();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_dueDate, duringInit);
  EXPECT_EQ(pickerEnabled, !c.noDueDate);
  if (model.m_dueDate == refused) {
    EXPECT_EQ(duringInit.GetStatus(), COleDateTime::valid);
    EXPECT_GE(duringInit.m_dt, before.m_dt);
    EXPECT_LE(duringInit.m_dt, after.m_dt);
  } else {
    EXPECT_EQ(duringInit, model.m_dueDate);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, OpensLikeTheModel,
    ::testing::Values(OpenCase{"WholeSeconds", COleDateTime(2024, 5, 6, 10, 11, 12), FALSE},
                      OpenCase{"PartOfASecond", COleDateTime(39578.5 + 0.6 / 86400), FALSE},
                      OpenCase{"Invalid", COleDateTime(45000.25, COleDateTime::invalid), FALSE},
                      OpenCase{"Null", COleDateTime(45000.25, COleDateTime::null), FALSE},
                      OpenCase{"OtherStatus", COleDateTime(45000.25, 7), FALSE},
                      OpenCase{"BeforeTheCalendar", COleDateTime(-700000.0), FALSE},
                      OpenCase{"AfterTheCalendar", COleDateTime(3000000.0), FALSE},
                      OpenCase{"TickedBox", COleDateTime(2100, 12, 31, 23, 0, 0), TRUE},
                      OpenCase{"TickedBoxOnAnInvalidDate", COleDateTime(45000.25, COleDateTime::invalid), TRUE}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

// Tab stops once at each priority row, on its checked button (the editor opened on "B7"); the arrow keys move
// the check along the row (round its ends) as taps do, and the next Tab goes on from the row.
TEST(TaskEditor, TabVisitsEveryFieldAndEachPriorityRowWhoseArrowKeysMoveTheChoice) {
  CTarvelquistIns editor;
  editor.m_priorityLetter = 2;
  editor.m_priorityDigit = 7;
  std::vector<int> visited;
  RunModal(editor, [&visited](CDialog& shown) {
    ASSERT_TRUE(guitest::Activate(shown.GetDialogWindow()));
    auto focusedId = [&shown]() -> int {
      QWidget* focus = QApplication::focusWidget();
      while (focus && focus->parentWidget() != shown.GetSafeHwnd()) focus = focus->parentWidget();
      return focus ? AfxGetControlId(focus) : 0;
    };
    auto press = [&](Qt::Key key) {
      QTest::keyClick(QApplication::focusWidget(), key);
      visited.push_back(focusedId());
    };
    visited.push_back(focusedId());
    press(Qt::Key_Tab);    // the picker
    press(Qt::Key_Tab);    // Ｂ, the checked letter
    press(Qt::Key_Right);  // Ｃ
    press(Qt::Key_Right);  // P
    press(Qt::Key_Right);  // round to Ａ
    press(Qt::Key_Up);     // back to P
    press(Qt::Key_Tab);    // ７, the checked digit
    press(Qt::Key_Left);   // ６
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  const std::vector<int> expected{IDC_SUBJECT,    IDC_DUEDATE,    IDC_PRIORITY_B, IDC_PRIORITY_C, IDC_PRIORITY_P,
                                  IDC_PRIORITY_A, IDC_PRIORITY_P, IDC_PRIORITY_7, IDC_PRIORITY_6, IDC_MEMO,
                                  IDOK,           IDCANCEL,       IDC_NODUEDATE,  IDC_SUBJECT};
  EXPECT_EQ(visited, expected);
  // Enter in the subject confirmed what the keys chose.
  EXPECT_EQ(editor.m_priorityLetter, 4);
  EXPECT_EQ(editor.m_priorityDigit, 6);
}

TEST(TaskEditor, EnterInTheSubjectConfirms) {
  CTarvelquistIns editor;
  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    ASSERT_TRUE(guitest::Activate(shown.GetDialogWindow()));
    QWidget* subject = Item(shown, IDC_SUBJECT);
    EXPECT_EQ(QApplication::focusWidget(), subject);
    TypeThroughInputMethod(subject, QString::fromUtf8("買い物"));
    QTest::keyClick(subject, Qt::Key_Return);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_subject, CString(u"買い物"));
}

TEST(TaskEditor, EnterInTheMemoStartsANewLine) {
  CTarvelquistIns editor;
  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    ASSERT_TRUE(guitest::Activate(shown.GetDialogWindow()));
    QWidget* memo = Item(shown, IDC_MEMO);
    memo->setFocus();
    QTest::keyClicks(memo, "a");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "b");
    EXPECT_TRUE(shown.GetDialogWindow()->isVisible());
    QTest::mouseClick(shown.GetCaptionOkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(editor.m_memo, CString(u"a\r\nb"));
}

TEST(TaskEditor, EscapeCancels) {
  CTarvelquistIns editor;
  const INT_PTR result = RunModal(editor, [](CDialog& shown) {
    ASSERT_TRUE(guitest::Activate(shown.GetDialogWindow()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  });
  EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
