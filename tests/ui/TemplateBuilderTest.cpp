// Windows built from templates: widgets, ids, places, styles, radio groups, z-order, tab order, messages.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/AfxWin.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CView.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DatePicker.h"
#include "res/resource.h"
#include "tests/ui/GuiTestSupport.h"
#include "tests/ui/SampleTemplate.h"

namespace {

using namespace sample;

// A form on the sample template that records what reaches its message map.
class SampleForm : public CFormView {
 public:
  SampleForm() : CFormView(kFormId) {}
  BOOL OnCommand(UINT nID, UINT nCode) override {
    commands.emplace_back(nID, nCode);
    return CFormView::OnCommand(nID, nCode);
  }
  void OnSubjectChanged() { ++subjectChanges; }
  void OnMemoChanged() { ++memoChanges; }
  void OnCheckClicked() { ++checkClicks; }

  std::vector<std::pair<UINT, UINT>> commands;
  int subjectChanges = 0;
  int memoChanges = 0;
  int checkClicks = 0;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SampleForm, CFormView)
  ON_EN_CHANGE(kSubject, OnSubjectChanged)
  ON_EN_CHANGE(kMemo, OnMemoChanged)
  ON_BN_CLICKED(kCheck, OnCheckClicked)
END_MESSAGE_MAP()

// A form that records its WM_SIZE messages.
class SizeForm : public CFormView {
 public:
  SizeForm() : CFormView(kFormId) {}
  void OnSize(UINT, int cx, int cy) { sizes.emplace_back(cx, cy); }
  std::vector<std::pair<int, int>> sizes;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SizeForm, CFormView)
  ON_WM_SIZE()
END_MESSAGE_MAP()

class TemplateBuilder : public ::testing::Test {
 protected:
  void SetUp() override {
    host.resize(600, 700);
    ASSERT_TRUE(form.CreateInParent(&host, AFX_IDW_PANE_FIRST));
  }
  QWidget* Item(int id) const { return form.GetDlgItemHandle(id); }
  template <typename T>
  T* ItemAs(int id) const {
    return qobject_cast<T*>(Item(id));
  }
  QRect Mapped(int x, int y, int cx, int cy) const {
    RECT rect{x, y, x + cx, y + cy};
    form.MapDialogRect(&rect);
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }

  tvqtest::ScopedDialogs dialogs = Install();
  QWidget host;
  SampleForm form;
};

TEST_F(TemplateBuilder, EveryItemBecomesTheWidgetOfItsClassWithItsId) {
  EXPECT_NE(ItemAs<QLineEdit>(kSubject), nullptr);
  auto* memo = ItemAs<QPlainTextEdit>(kMemo);
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);  // neither ES_AUTOHSCROLL nor WS_HSCROLL

  auto* pushLike = ItemAs<QPushButton>(kRadioA);
  ASSERT_NE(pushLike, nullptr);
  EXPECT_TRUE(pushLike->isCheckable());
  EXPECT_FALSE(pushLike->autoExclusive());
  EXPECT_NE(ItemAs<QRadioButton>(kRadioC), nullptr);
  EXPECT_NE(ItemAs<QCheckBox>(kCheck), nullptr);
  EXPECT_NE(dynamic_cast<DatePickerWidget*>(Item(kPicker)), nullptr);

  auto* ok = ItemAs<QPushButton>(IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(ok->isCheckable());
  EXPECT_FALSE(ItemAs<QPushButton>(IDCANCEL)->isDefault());

  // The two -1 items (the label and the group box) keep the id -1; the first one is what -1 finds.
  EXPECT_NE(ItemAs<QLabel>(kLabel), nullptr);
  int groupBoxes = 0;
  for (QObject* child : form.GetSafeHwnd()->children()) {
    if (auto* box = qobject_cast<QGroupBox*>(child)) {
      ++groupBoxes;
      EXPECT_EQ(AfxGetControlId(box), -1);
    }
  }
  EXPECT_EQ(groupBoxes, 1);
}

TEST_F(TemplateBuilder, ItemsArePlacedByMapDialogRectWithTheDialogFont) {
  for (int id : {kLabel, int{kSubject}, int{kRadioA}, int{kMemo}, int{IDOK}, int{kPicker}}) {
    ASSERT_NE(Item(id), nullptr) << id;
  }
  EXPECT_EQ(Item(kLabel)->geometry(), Mapped(5, 5, 40, 8));
  EXPECT_EQ(Item(kSubject)->geometry(), Mapped(50, 5, 80, 12));
  EXPECT_EQ(Item(kMemo)->geometry(), Mapped(5, 60, 100, 30));
  EXPECT_EQ(Item(IDOK)->geometry(), Mapped(20, 120, 40, 14));
  // The handheld's units, 12 x 24: 3 pixels a unit each way.
  EXPECT_EQ(Item(kSubject)->geometry(), QRect(150, 15, 240, 36));
  EXPECT_EQ(Item(IDOK)->geometry(), QRect(60, 360, 120, 42));
}

TEST_F(TemplateBuilder, VisibleAndDisabledStylesHold) {
  EXPECT_FALSE(Item(kDisabled)->isEnabled());
  EXPECT_TRUE(Item(kDisabled)->isVisibleTo(&host));
  EXPECT_TRUE(Item(kHidden)->isHidden());
  EXPECT_TRUE(Item(kSubject)->isEnabled());
  CWnd* hidden = form.GetDlgItem(kHidden);
  EXPECT_FALSE(hidden->IsWindowVisible());
  hidden->ShowWindow(SW_SHOW);
  EXPECT_FALSE(Item(kHidden)->isHidden());
}

TEST_F(TemplateBuilder, StaticTextShowsAmpersandsAsThePlatformDoes) {
  EXPECT_EQ(ItemAs<QLabel>(kLabel)->text(), QStringLiteral("&Namex"));
  EXPECT_EQ(form.GetDlgItem(kLabel)->GetWindowText(), CString(u"&&Name&x"));
}

TEST_F(TemplateBuilder, AutoRadioClickClearsOnlyItsOwnGroup) {
  auto* buttonA = ItemAs<QAbstractButton>(kRadioA);
  auto* buttonB = ItemAs<QAbstractButton>(kRadioB);
  auto* buttonC = ItemAs<QAbstractButton>(kRadioC);
  auto* buttonD = ItemAs<QAbstractButton>(kRadioD);
  form.CheckDlgButton(kRadioC, BST_CHECKED);

  QTest::mouseClick(buttonA, Qt::LeftButton);
  EXPECT_TRUE(buttonA->isChecked());
  QTest::mouseClick(buttonB, Qt::LeftButton);
  EXPECT_TRUE(buttonB->isChecked());
  EXPECT_FALSE(buttonA->isChecked());
  EXPECT_TRUE(buttonC->isChecked());  // the other group is untouched

  // A click on the checked button keeps it checked.
  QTest::mouseClick(buttonB, Qt::LeftButton);
  EXPECT_TRUE(buttonB->isChecked());

  // Checking by program changes only that button.
  form.CheckDlgButton(kRadioD, BST_CHECKED);
  EXPECT_TRUE(buttonC->isChecked());
  EXPECT_TRUE(buttonD->isChecked());
  EXPECT_EQ(form.IsDlgButtonChecked(kRadioD), BST_CHECKED);
  form.CheckDlgButton(kRadioD, BST_UNCHECKED);
  EXPECT_FALSE(buttonD->isChecked());

  QTest::mouseClick(buttonD, Qt::LeftButton);
  EXPECT_TRUE(buttonD->isChecked());
  EXPECT_FALSE(buttonC->isChecked());
  EXPECT_TRUE(buttonB->isChecked());
}

TEST_F(TemplateBuilder, FirstItemLiesOnTopAndStaticsLetClicksThrough) {
  QWidget* surface = form.GetSafeHwnd();
  // The group box comes after the radio buttons and frames them: a tap on a button reaches the button.
  for (int id : {int{kRadioA}, int{kRadioD}}) {
    QWidget* button = Item(id);
    EXPECT_EQ(surface->childAt(button->geometry().center()), button) << id;
  }
  // Inside the group box but off the buttons, and on the label: nothing takes the tap.
  const QRect box = Mapped(5, 20, 130, 35);
  EXPECT_EQ(surface->childAt(box.left() + 3, box.bottom() - 3), nullptr);
  EXPECT_EQ(surface->childAt(Item(kLabel)->geometry().center()), nullptr);
}

TEST_F(TemplateBuilder, ClicksAndEditsReachTheOwnersMap) {
  ASSERT_TRUE(guitest::Activate(&host));
  QTest::mouseClick(Item(kCheck), Qt::LeftButton);
  EXPECT_EQ(form.checkClicks, 1);
  EXPECT_EQ(form.IsDlgButtonChecked(kCheck), BST_CHECKED);
  ASSERT_FALSE(form.commands.empty());
  EXPECT_EQ(form.commands.back(), std::make_pair(UINT{kCheck}, BN_CLICKED));

  QTest::keyClicks(Item(kSubject), "ab");
  EXPECT_EQ(form.subjectChanges, 2);
  QTest::keyClicks(Item(kMemo), "xyz");
  EXPECT_EQ(form.memoChanges, 3);

  // Setting the text by program: a single-line edit reports the change, a multi-line edit does not.
  form.GetDlgItem(kSubject)->SetWindowText(u"set");
  EXPECT_EQ(form.subjectChanges, 3);
  form.GetDlgItem(kMemo)->SetWindowText(u"set");
  EXPECT_EQ(form.memoChanges, 3);
  EXPECT_EQ(form.GetDlgItem(kMemo)->GetWindowText(), CString(u"set"));

  // A disabled button sends nothing.
  const std::size_t before = form.commands.size();
  QTest::mouseClick(Item(kDisabled), Qt::LeftButton);
  EXPECT_EQ(form.commands.size(), before);
}

TEST_F(TemplateBuilder, MultiLineEditReadsItsLineBreaksAsCrLf) {
  CWnd* memo = form.GetDlgItem(kMemo);
  memo->SetWindowText(u"one\r\ntwo\u00A0three");
  EXPECT_EQ(ItemAs<QPlainTextEdit>(kMemo)->blockCount(), 2);
  EXPECT_EQ(memo->GetWindowText(), CString(u"one\r\ntwo\u00A0three"));
  // A lone LF starts a line as well and reads back as the platform's line break.
  memo->SetWindowText(u"a\nb");
  EXPECT_EQ(memo->GetWindowText(), CString(u"a\r\nb"));
  // What the user types: Return, and Shift+Return, start a line.
  memo->SetWindowText(u"");
  QTest::keyClicks(Item(kMemo), "x");
  QTest::keyClick(Item(kMemo), Qt::Key_Return);
  QTest::keyClick(Item(kMemo), Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClicks(Item(kMemo), "y");
  EXPECT_EQ(memo->GetWindowText(), CString(u"x\r\n\r\ny"));
}

// Writing the text the memo already shows still leaves it as every write does: the caret at the start, no
// selection, nothing to undo, scrolled to the top.
TEST_F(TemplateBuilder, MultiLineEditWriteOfItsOwnTextResetsCaretUndoAndScroll) {
  ASSERT_TRUE(guitest::Activate(&host));
  CWnd* memo = form.GetDlgItem(kMemo);
  auto* edit = ItemAs<QPlainTextEdit>(kMemo);
  const CString text(u"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven\r\neight\r\nnine\r\nten");
  const auto expectJustWritten = [&](const char* after) {
    EXPECT_EQ(memo->GetWindowText(), text) << after;
    EXPECT_EQ(edit->textCursor().position(), 0) << after;
    EXPECT_FALSE(edit->textCursor().hasSelection()) << after;
    EXPECT_FALSE(edit->document()->isUndoAvailable()) << after;
    EXPECT_EQ(edit->verticalScrollBar()->value(), 0) << after;
  };
  memo->SetWindowText(text);
  expectJustWritten("the first write");
  memo->SetWindowText(text);
  expectJustWritten("the same write again");

  edit->moveCursor(QTextCursor::End);  // the caret at the end scrolls the last line into view
  ASSERT_GT(edit->verticalScrollBar()->value(), 0);
  memo->SetWindowText(text);
  expectJustWritten("a moved caret");

  QTextCursor selection = edit->textCursor();
  selection.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 3);
  edit->setTextCursor(selection);
  memo->SetWindowText(text);
  expectJustWritten("a selection");

  QTest::keyClicks(edit, "x");
  QTest::keyClick(edit, Qt::Key_Backspace);  // the same text again, but with something to undo
  ASSERT_TRUE(edit->document()->isUndoAvailable());
  edit->moveCursor(QTextCursor::Start);
  memo->SetWindowText(text);
  expectJustWritten("an edit");
  EXPECT_EQ(form.memoChanges, 2);  // the two keys; no write reports a change
}

TEST_F(TemplateBuilder, GetDlgItemGivesAHandleOfTheControlsKind) {
  auto* check = dynamic_cast<CButton*>(form.GetDlgItem(kCheck));
  ASSERT_NE(check, nullptr);
  check->Click();
  EXPECT_EQ(check->GetCheck(), BST_CHECKED);
  EXPECT_EQ(form.checkClicks, 1);
  EXPECT_NE(dynamic_cast<CEdit*>(form.GetDlgItem(kSubject)), nullptr);
  EXPECT_NE(dynamic_cast<CStatic*>(form.GetDlgItem(kLabel)), nullptr);
  EXPECT_NE(dynamic_cast<CDateTimeCtrl*>(form.GetDlgItem(kPicker)), nullptr);
  EXPECT_EQ(form.GetDlgItem(kSubject), form.GetDlgItem(kSubject));  // stable for the window's life
  EXPECT_EQ(form.GetDlgItem(999), nullptr);
  EXPECT_EQ(form.GetDlgItem(kSubject)->GetDlgCtrlID(), kSubject);
}

TEST_F(TemplateBuilder, FormViewFillsItsParentAndReportsEveryResize) {
  QWidget parent;
  parent.resize(300, 200);
  SizeForm sized;
  ASSERT_TRUE(sized.CreateInParent(&parent, AFX_IDW_PANE_FIRST));
  ASSERT_TRUE(guitest::Activate(&parent));
  guitest::Settle();
  ASSERT_FALSE(sized.sizes.empty());
  EXPECT_EQ(sized.sizes.back(), std::make_pair(300, 200));
  parent.resize(320, 240);
  guitest::Settle();
  EXPECT_EQ(sized.sizes.back(), std::make_pair(320, 240));
  RECT client;
  sized.GetClientRect(&client);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 240);
}

TEST(TemplateBuilderFailure, UnknownClassFailsTheWindowAndLeavesNothing) {
  auto dialogs = Install();
  QWidget host;
  CFormView form(kUnknownClassId);
  EXPECT_FALSE(form.CreateInParent(&host, AFX_IDW_PANE_FIRST));
  EXPECT_EQ(form.GetSafeHwnd(), nullptr);
  EXPECT_TRUE(host.findChildren<QWidget*>().isEmpty());

  CFormView missing(4242);
  EXPECT_FALSE(missing.CreateInParent(&host, AFX_IDW_PANE_FIRST));
}

}  // namespace

// A control that shows no caption of its own is named, for screen readers, by the static text before it on its
// line; the memo, with no static on its line, stays unnamed, and buttons keep their own texts.
TEST_F(TemplateBuilder, ControlsWithoutACaptionAreNamedByTheStaticTextOnTheirLine) {
  auto name = [](QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
  };
  EXPECT_EQ(name(Item(kSubject)), QStringLiteral("&Namex"));  // as the static shows it
  EXPECT_EQ(name(Item(kMemo)), QString());
  EXPECT_EQ(name(Item(kRadioA)), QStringLiteral("A"));
  EXPECT_EQ(name(Item(kCheck)), QStringLiteral("Check"));
}
