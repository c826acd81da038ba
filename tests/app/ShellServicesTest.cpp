// The window layer's services: the message box and the open-file prompt.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>

#include "platform/core/NativePath.h"
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

// A message naming a long file: the box stays within the main window (made narrower here than any box Qt would
// make) and its lines break only at the path's separators.
class MessageBoxWidthTest : public AppFixture {};

TEST_F(MessageBoxWidthTest, ALongPathBreaksAtItsSeparatorsWithinTheMainWindow) {
  ASSERT_TRUE(StartApp());
  FrameWidget()->resize(260, FrameWidget()->height());
  ActivateFrame();
  const QString text = QStringLiteral("/home/someone/Documents/a-folder-with-a-long-name/another-long-folder-name/"
                                      "tasks-for-the-whole-year.tvq was not found.");
  int width = 0;
  QString shown;
  OnModal([&](QWidget* modal) {
    width = modal->width();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) shown = box->text();
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  AfxShowMessageBox(CString::FromQString(text), CString(u"Tarvelquist"), MB_ICONEXCLAMATION);
  EXPECT_GT(width, 0);
  EXPECT_LE(width, FrameWidget()->width());
  // The breaks come after separators only, and the words are the message's.
  for (qsizetype i = shown.indexOf(QChar(0x200B)); i >= 0; i = shown.indexOf(QChar(0x200B), i + 1)) {
    ASSERT_GT(i, 0);
    EXPECT_EQ(shown[i - 1], u'/');
  }
  EXPECT_EQ(QString(shown).remove(QChar(0x200B)), text);
}

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

// Qt's own settings file as the file dialog would write it: whether it is there, and its bytes.
std::pair<bool, QByteArray> QtSettingsFile() {
  QFile file(QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName());
  if (!file.open(QIODevice::ReadOnly)) return {false, {}};
  return {true, file.readAll()};
}

class OpenDialogTest : public AppFixture {};

TEST_F(OpenDialogTest, LiesOverTheMainWindowShowsItsColumnsAndWritesNoSettings) {
  ASSERT_TRUE(StartApp());
  QWidget* main = AfxGetMainWindowWidget();
  ASSERT_NE(main, nullptr);
  const auto settingsBefore = QtSettingsFile();
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("chosen.tvq"));
  WriteFile(file, QByteArray());
  QRect placed;
  int columnsRight = 0;
  int viewWidth = 0;
  OnModal([&](QWidget* modal) {
    placed = modal->geometry();
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    auto* view = modal->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (dialog && view) {
      dialog->setViewMode(QFileDialog::Detail);
      dialog->selectFile(file);
      QTest::qWait(100);  // the folder's model fills from the event loop
      viewWidth = view->viewport()->width();
      columnsRight = view->header()->length();
    }
    static_cast<QDialog*>(modal)->accept();
    if (modal->isVisible()) static_cast<QDialog*>(modal)->reject();  // never left open
  });
  CString chosen;
  ASSERT_TRUE(AfxPromptForFile(chosen, CString(u"Open"), CString(u"Tarvelquist Files (*.tvq)|*.tvq||")));
  EXPECT_EQ(chosen.ToQString(), file);
  EXPECT_EQ(placed, main->geometry());
  EXPECT_GT(columnsRight, 0);
  EXPECT_LE(columnsRight, viewWidth);  // name, size, type and date all in sight

  OnModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  CString cancelled;
  EXPECT_FALSE(AfxPromptForFile(cancelled, CString(u"Open"), CString(u"All Files (*.*)|*.*||")));
  // Neither the dialog's history nor its last folder went into Qt's settings, nor anything into the
  // program's configuration folder (no file was read, so not even the one setting).
  EXPECT_EQ(QtSettingsFile(), settingsBefore);
  EXPECT_TRUE(QDir(ConfigHome()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST(FilePromptTest, AChosenNameThatIsNotUtf8GivesTheFileOnDisk) {
  QTemporaryDir dir;
  const QByteArray bytes = QFile::encodeName(dir.path()) + QByteArray("/bad\xff.tvq");
  {
    QFile out;
    ASSERT_TRUE(out.open(::fopen(bytes.constData(), "wb"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
  }
  OnModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QFile::decodeName(bytes));  // the name as the dialog shows it: U+FFFD for the byte
    static_cast<QDialog*>(dialog)->accept();
  });
  CString chosen;
  ASSERT_TRUE(AfxPromptForFile(chosen, CString(u"Open"), CString(u"All Files (*.*)|*.*||")));
  EXPECT_EQ(platform::ToNativePath(chosen), bytes.toStdString());
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
