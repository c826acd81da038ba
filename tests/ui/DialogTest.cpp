// Modal dialogs: results, keys, the caption strip's OK, full-screen geometry, WM_SIZE, the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>

#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include "platform/core/CWinApp.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/Controls.h"
#include "res/resource.h"
#include "tests/ui/GuiTestSupport.h"
#include "tests/ui/SampleTemplate.h"

namespace {

using namespace sample;
using guitest::RunModal;

class SampleDialog : public CDialog {
 public:
  explicit SampleDialog(UINT id = kDialogId, CWnd* parent = nullptr) : CDialog(id, parent) {}

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kSubject, subject);
    DDX_Check(pDX, kCheck, checked);
  }
  BOOL OnInitDialog() override {
    sizesBeforeInit = sizes.size();
    return CDialog::OnInitDialog();
  }
  void OnSize(UINT, int cx, int cy) { sizes.emplace_back(cx, cy); }

  QWidget* Item(int id) const { return GetDlgItemHandle(id); }

  CString subject;
  int checked = 0;
  std::vector<std::pair<int, int>> sizes;
  std::size_t sizesBeforeInit = 0;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SampleDialog, CDialog)
  ON_WM_SIZE()
END_MESSAGE_MAP()

class Dialogs : public ::testing::Test {
 protected:
  tvqtest::ScopedDialogs dialogs = Install();
};

// How the user ends the dialog, and what DoModal must then return.
struct Ending {
  const char* name;
  std::function<void(SampleDialog&)> act;
  INT_PTR result;
};

void PrintTo(const Ending& value, std::ostream* out) { *out << value.name; }

void PressKeyIn(SampleDialog& dialog, int id, Qt::Key key) {
  QWidget* widget = dialog.Item(id);
  widget->setFocus();
  QTest::keyClick(widget, key);
}

class DialogEndings : public Dialogs, public ::testing::WithParamInterface<Ending> {};

TEST_P(DialogEndings, EndWithTheirResultAndReadOnlyOnOk) {
  SampleDialog dialog;
  dialog.subject = u"before";
  const INT_PTR result = RunModal(dialog, [](CDialog& shown) {
    auto& sample = static_cast<SampleDialog&>(shown);
    ASSERT_TRUE(guitest::Activate(sample.GetDialogWindow()));
    QTest::keyClicks(sample.Item(kSubject), " typed");
    GetParam().act(sample);
  });
  EXPECT_EQ(result, GetParam().result);
  EXPECT_EQ(dialog.subject, result == IDOK ? CString(u"before typed") : CString(u"before"));
  EXPECT_EQ(dialog.GetDialogWindow(), nullptr);  // the window is gone after DoModal
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogEndings,
    ::testing::Values(
        Ending{"OkButton", [](SampleDialog& d) { QTest::mouseClick(d.Item(IDOK), Qt::LeftButton); }, IDOK},
        Ending{"CaptionOk", [](SampleDialog& d) { QTest::mouseClick(d.GetCaptionOkButton(), Qt::LeftButton); }, IDOK},
        Ending{"EnterInSingleLineEdit", [](SampleDialog& d) { PressKeyIn(d, kSubject, Qt::Key_Return); }, IDOK},
        Ending{"EnterInMultiLineEditWithoutWantReturn", [](SampleDialog& d) { PressKeyIn(d, kNotes, Qt::Key_Return); },
               IDOK},
        Ending{"EnterOnCheckBox", [](SampleDialog& d) { PressKeyIn(d, kCheck, Qt::Key_Enter); }, IDOK},
        Ending{"EnterOnFocusedCancel", [](SampleDialog& d) { PressKeyIn(d, IDCANCEL, Qt::Key_Return); }, IDCANCEL},
        Ending{"CancelButton", [](SampleDialog& d) { QTest::mouseClick(d.Item(IDCANCEL), Qt::LeftButton); }, IDCANCEL},
        Ending{"Escape", [](SampleDialog& d) { PressKeyIn(d, kSubject, Qt::Key_Escape); }, IDCANCEL},
        Ending{"CloseWindow", [](SampleDialog& d) { d.GetDialogWindow()->close(); }, IDCANCEL}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

TEST_F(Dialogs, EnterInAMultiLineEditThatWantsReturnStartsANewLine) {
  SampleDialog dialog;
  const INT_PTR result = RunModal(dialog, [](CDialog& shown) {
    auto& sample = static_cast<SampleDialog&>(shown);
    ASSERT_TRUE(guitest::Activate(sample.GetDialogWindow()));
    QWidget* memo = sample.Item(kMemo);
    memo->setFocus();
    QTest::keyClicks(memo, "a");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "b");
    EXPECT_TRUE(sample.GetDialogWindow()->isVisible());
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(memo)->toPlainText(), QStringLiteral("a\nb"));
    QTest::mouseClick(sample.Item(IDCANCEL), Qt::LeftButton);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(Dialogs, FocusStartsOnTheFirstTabStopAndTabFollowsTheTemplate) {
  SampleDialog dialog;
  std::vector<int> visited;
  RunModal(dialog, [&visited](CDialog& shown) {
    auto& sample = static_cast<SampleDialog&>(shown);
    ASSERT_TRUE(guitest::Activate(sample.GetDialogWindow()));
    auto focusedId = [&sample]() -> int {
      QWidget* focus = QApplication::focusWidget();
      while (focus && focus->parentWidget() != sample.GetSafeHwnd()) focus = focus->parentWidget();
      return focus ? AfxGetControlId(focus) : 0;
    };
    visited.push_back(focusedId());
    for (int i = 0; i < 7; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited.push_back(focusedId());
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    visited.push_back(focusedId());
  });
  // Each radio group is one stop at its place (its first button while none is checked); statics have none; the
  // disabled and the hidden button are passed over.
  const std::vector<int> expected{kSubject, kRadioA, kRadioC, kMemo, kCheck, IDOK, IDCANCEL, kNotes, IDCANCEL};
  EXPECT_EQ(visited, expected);
}

TEST_F(Dialogs, WithoutAMainWindowTheDialogIsTheHandheldScreenAndWmSizeFollowsEveryResize) {
  SampleDialog dialog;
  RunModal(dialog, [](CDialog& shown) {
    auto& sample = static_cast<SampleDialog&>(shown);
    QWidget* window = sample.GetDialogWindow();
    EXPECT_EQ(window->size(), QSize(480, 588));
    RECT client;
    sample.GetClientRect(&client);
    EXPECT_EQ(client.right, 480);
    EXPECT_EQ(client.bottom, 536);
    // The full-screen set-up reports the client size during the base initialisation.
    ASSERT_FALSE(sample.sizes.empty());
    EXPECT_EQ(sample.sizesBeforeInit, 0u);
    EXPECT_EQ(sample.sizes.front(), std::make_pair(480, 536));

    window->resize(800, 452);
    guitest::Settle();
    EXPECT_EQ(sample.sizes.back(), std::make_pair(800, 400));
    window->resize(500, 552);
    guitest::Settle();
    EXPECT_EQ(sample.sizes.back(), std::make_pair(500, 500));
    sample.EndDialog(IDOK);
  });
}

TEST_F(Dialogs, CoversTheMainWindowFollowsItAndTakesItsInputMeanwhile) {
  CWinApp app(u"Tarvelquist");
  QWidget mainWidget;
  mainWidget.setGeometry(100, 80, 600, 700);
  auto* button = new QPushButton(QStringLiteral("main"), &mainWidget);
  button->setGeometry(10, 10, 100, 30);
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
  mainWidget.show();
  guitest::Settle();
  CWnd mainWnd;
  mainWnd.Attach(&mainWidget);
  app.m_pMainWnd = &mainWnd;

  SampleDialog dialog;
  const INT_PTR result = RunModal(dialog, [&](CDialog& shown) {
    auto& sample = static_cast<SampleDialog&>(shown);
    // Under the dialog the main window keeps its look (nothing repaints it grey) but takes no tap.
    EXPECT_TRUE(mainWidget.isEnabled());
    QTest::mouseClick(mainWidget.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(sample.GetDialogWindow()->geometry(), mainWidget.geometry());
    EXPECT_EQ(sample.sizes.back(), std::make_pair(600, 648));
    mainWidget.resize(640, 480);
    guitest::Settle();
    EXPECT_EQ(sample.GetDialogWindow()->geometry(), mainWidget.geometry());
    EXPECT_EQ(sample.sizes.back(), std::make_pair(640, 428));
    QTest::mouseClick(sample.GetCaptionOkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(result, IDOK);
  QTest::mouseClick(mainWidget.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
  EXPECT_EQ(clicks, 1);

  // A window the dialog does not cover shows that it is disabled while the dialog runs.
  QWidget ownerWidget;
  ownerWidget.setGeometry(0, 0, 200, 200);
  ownerWidget.show();
  CWnd ownerWnd;
  ownerWnd.Attach(&ownerWidget);
  SampleDialog owned(kDialogId, &ownerWnd);
  RunModal(owned, [&](CDialog& shown) {
    EXPECT_FALSE(ownerWidget.isEnabled());
    shown.EndDialog(IDCANCEL);
  });
  EXPECT_TRUE(ownerWidget.isEnabled());
  // One that was disabled before stays disabled.
  ownerWidget.setEnabled(false);
  SampleDialog second(kDialogId, &ownerWnd);
  RunModal(second, [](CDialog& shown) { shown.EndDialog(IDCANCEL); });
  EXPECT_FALSE(ownerWidget.isEnabled());
  ownerWnd.Detach();
  mainWnd.Detach();
}

TEST_F(Dialogs, CaptionStripShowsTheTitle) {
  SampleDialog dialog;
  RunModal(dialog, [](CDialog& shown) {
    QWidget* strip = shown.GetCaptionOkButton()->parentWidget();
    EXPECT_EQ(strip->geometry(), QRect(0, 0, 480, CDialog::kCaptionHeight));
    auto labels = strip->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front()->text(), QStringLiteral("Sample"));
    shown.SetWindowText(u"Renamed");
    EXPECT_EQ(labels.front()->text(), QStringLiteral("Renamed"));
    EXPECT_EQ(qobject_cast<QPushButton*>(shown.GetCaptionOkButton())->text(), QStringLiteral("OK"));
    shown.EndDialog(IDCANCEL);
  });
}

TEST_F(Dialogs, DataExchangeWritesOnInitAndCheckBoxFollows) {
  SampleDialog dialog;
  dialog.subject = u"件名";
  dialog.checked = 1;
  const INT_PTR result = RunModal(dialog, [](CDialog& shown) {
    auto& sample = static_cast<SampleDialog&>(shown);
    EXPECT_EQ(sample.GetDlgItem(kSubject)->GetWindowText(), CString(u"件名"));
    EXPECT_EQ(sample.IsDlgButtonChecked(kCheck), BST_CHECKED);
    QTest::mouseClick(sample.Item(kCheck), Qt::LeftButton);
    QTest::mouseClick(sample.Item(IDOK), Qt::LeftButton);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.checked, 0);
}

// A dialog that keeps its window, run again after random changes by the program and the user, opens as one
// built anew: every control of every kind back to its template (text, check, enabling, showing, place, caret,
// undo, the picker's field), the focus on the first tab stop and the title as first given.
TEST_F(Dialogs, AKeptWindowOpensEachRunAsOneBuiltAnew) {
  QApplication::styleHints()->setCursorFlashTime(0);
  const int ids[] = {kSubject, kMemo, kNotes, kRadioA, kRadioB, kRadioC, kRadioD, kCheck, kDisabled, kHidden,
                     IDOK, IDCANCEL, kPicker};
  const auto change = [&ids](std::mt19937& random, CDialog& shown) {
    const int id = ids[std::uniform_int_distribution<std::size_t>(0, std::size(ids) - 1)(random)];
    CWnd* item = shown.GetDlgItem(id);
    switch (std::uniform_int_distribution<int>(0, 7)(random)) {
      case 0: item->SetWindowText(CString::FromQString(QStringLiteral("変更%1").arg(random() % 9))); break;
      case 1: shown.CheckDlgButton(id, BST_CHECKED); break;
      case 2: item->EnableWindow(random() % 2 ? TRUE : FALSE); break;
      case 3: item->ShowWindow(random() % 2 ? SW_SHOW : SW_HIDE); break;
      case 4: item->MoveWindow(static_cast<int>(random() % 50), static_cast<int>(random() % 50), 40, 20, TRUE); break;
      case 5: QTest::mouseClick(item->GetSafeHwnd(), Qt::LeftButton); break;
      case 6: QTest::keyClicks(item->GetSafeHwnd(), QStringLiteral("ab cd")); break;
      default: shown.SetWindowText(CString(u"別の題")); break;
    }
  };
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::mt19937 random(seed);
    CDialog kept(kDialogId);
    kept.KeepWindowBetweenRuns();
    for (int round = 0; round < 10; ++round) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
      CDialog fresh(kDialogId);
      guitest::DialogLook expected;
      guitest::DialogLook actual;
      RunModal(fresh, [&expected](CDialog& shown) { expected = guitest::LookOf(shown); });
      RunModal(kept, [&](CDialog& shown) {
        actual = guitest::LookOf(shown);
        for (int i = std::uniform_int_distribution<int>(0, 8)(random); i > 0; --i) change(random, shown);
      });
      EXPECT_EQ(actual.state, expected.state);
      EXPECT_TRUE(actual.pixels == expected.pixels) << "the window differs as it opens";
    }
  }
}

TEST_F(Dialogs, AWindowThatCannotBeBuiltGivesMinusOne) {
  SampleDialog missing(4242);
  bool hookRan = false;
  EXPECT_EQ(RunModal(missing, [&hookRan](CDialog&) { hookRan = true; }), -1);
  SampleDialog unknown(kUnknownClassId);
  EXPECT_EQ(RunModal(unknown, [&hookRan](CDialog&) { hookRan = true; }), -1);
  EXPECT_FALSE(hookRan);
}

TEST(ProgramDialogs, AboutBoxShowsItsIconAtRealSizeAndItsTexts) {
  CDialog about(IDD_ABOUTBOX);
  RunModal(about, [](CDialog& shown) {
    auto* icon = qobject_cast<QLabel*>(shown.GetDlgItemHandle(IDC_ABOUT_ICON));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    RECT place{13, 11, 33, 31};
    shown.MapDialogRect(&place);
    EXPECT_EQ(icon->geometry(), QRect(place.left, place.top, 32, 32));
    EXPECT_EQ(shown.GetDlgItem(IDC_ABOUT_VERSION)->GetWindowText(), CString(u"Tarvelquist Version 1.2.0.0"));
    auto* strip = shown.GetCaptionOkButton()->parentWidget();
    EXPECT_EQ(strip->findChild<QLabel*>()->text(), QString::fromUtf8("バージョン情報 Tarvelquist"));
    QTest::mouseClick(shown.GetCaptionOkButton(), Qt::LeftButton);
  });
}

}  // namespace
