// The window layer's services: the message box and the open-file prompt.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/ui/AfxWin.h"
#include "tests/app/AppTestSupport.h"

namespace apptest {
namespace {

// Runs `action` on the first modal widget that shows up while the caller's nested loop runs.
void OnModal(std::function<void(QWidget*)> action) {
  auto poll = std::make_shared<std::function<void(int)>>();
  *poll = [action = std::move(action), poll](int triesLeft) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
    } else if (triesLeft > 0) {
      QTimer::singleShot(10, qApp, [poll, triesLeft] { (*poll)(triesLeft - 1); });
    }
  };
  QTimer::singleShot(0, qApp, [poll] { (*poll)(300); });
}

struct BoxCase {
  const char* name;
  UINT type;
  QMessageBox::StandardButton press;  // NoButton: closed with Escape
  int answer;
  QMessageBox::Icon icon;
  int buttons;
};

class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheTextOverTheMainWindowAndAnswersTheButton) {
  const BoxCase& c = GetParam();
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  OnModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = static_cast<int>(box->buttons().size());
    if (c.press == QMessageBox::NoButton) {
      QTest::keyClick(box, Qt::Key_Escape);
    } else {
      box->button(c.press)->click();
    }
  });
  EXPECT_EQ(AfxShowMessageBox(CString(u"Unexpected file format."), CString(u"Tarvelquist"), c.type), c.answer);
  EXPECT_EQ(title, QStringLiteral("Tarvelquist"));
  EXPECT_EQ(text, QStringLiteral("Unexpected file format."));
  EXPECT_EQ(icon, c.icon);
  EXPECT_EQ(buttons, c.buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Types, MessageBoxTest,
    ::testing::Values(
        BoxCase{"ExclamationOk", MB_ICONEXCLAMATION, QMessageBox::Ok, IDOK, QMessageBox::Warning, 1},
        BoxCase{"OkClosedWithEscape", MB_OK, QMessageBox::NoButton, IDOK, QMessageBox::NoIcon, 1},
        BoxCase{"QuestionNo", MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO, QMessageBox::Question, 2},
        BoxCase{"YesNoCancelClosed", MB_YESNOCANCEL, QMessageBox::NoButton, IDCANCEL, QMessageBox::NoIcon, 3},
        BoxCase{"HandCancel", MB_OKCANCEL | MB_ICONHAND, QMessageBox::Cancel, IDCANCEL, QMessageBox::Critical, 2}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

TEST(FilePromptTest, AsksWithTheTitleAndFiltersAndGivesTheChosenFile) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("chosen.tvq"));
  WriteFile(file, QByteArray());
  WriteFile(dir.filePath(QStringLiteral("README")), QByteArray("no dot"));
  QString title;
  QStringList filters;
  QStringList allFilesPatterns;
  OnModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    filters = dialog->nameFilters();
    // Choosing "All Files (*.*)" shows files without a dot in their name too.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(1);
    QMetaObject::invokeMethod(types, "activated", Q_ARG(int, 1));
    QMetaObject::invokeMethod(types, "textActivated", Q_ARG(QString, types->itemText(1)));
    allFilesPatterns = dialog->findChild<QFileSystemModel*>()->nameFilters();
    dialog->selectFile(file);
    static_cast<QDialog*>(dialog)->accept();
  });
  CString chosen;
  EXPECT_TRUE(AfxPromptForFile(chosen, CString(u"Open"),
                               CString(u"Tarvelquist Files (*.tvq)|*.tvq|All Files (*.*)|*.*||")));
  EXPECT_EQ(chosen.ToQString(), file);
  EXPECT_EQ(title, QStringLiteral("Open"));
  EXPECT_EQ(filters, (QStringList{QStringLiteral("Tarvelquist Files (*.tvq)"), QStringLiteral("All Files (*.*)")}));
  EXPECT_EQ(allFilesPatterns, QStringList{QStringLiteral("*")});

  OnModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  CString cancelled;
  EXPECT_FALSE(AfxPromptForFile(cancelled, CString(u"Open"), CString(u"All Files (*.*)|*.*||")));
  EXPECT_TRUE(cancelled.IsEmpty());
}

TEST(FilePromptTest, FilterEntriesFromTheFrameworksForm) {
  EXPECT_EQ(AfxFileDialogFilters(CString(u"Tarvelquist Files (*.tvq)|*.tvq|All Files (*.*)|*.*||")),
            (QStringList{QStringLiteral("Tarvelquist Files (*.tvq)"), QStringLiteral("All Files (*.*)")}));
  EXPECT_EQ(AfxFileDialogFilters(CString(u"Texts|*.txt;*.md||")), QStringList{QStringLiteral("Texts (*.txt *.md)")});
  EXPECT_EQ(AfxFileDialogFilters(CString(u"A (*.a);;B (*.b)")),
            (QStringList{QStringLiteral("A (*.a)"), QStringLiteral("B (*.b)")}));
}

}  // namespace
}  // namespace apptest
