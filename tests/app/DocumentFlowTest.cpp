// New, Open, Save and close through the frame's commands and keys: what the document, the list, the files and
// the setting hold afterwards.
#include <cerrno>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/core/CFile.h"
#include "platform/core/CFileTestHooks.h"
#include "platform/ui/CCommandBar.h"
#include "platform/ui/CFrameWnd.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "view/CTarvelquistView.h"

namespace apptest {
namespace {

class DocumentFlowTest : public AppFixture {
 protected:
  void TearDown() override {
    testhooks::SetFaultInjector({});
    AppFixture::TearDown();
  }

  // Adds a task at the end of the document and its row, as the insert command does.
  void AddTask(const std::u16string& subject) {
    CTarvelquistDoc* doc = Doc();
    TaskItem task;
    task.CopyFieldsFrom(doc->GetWorkTask());
    task.SetSubject(CString(subject));
    const int index = doc->GetTaskCount();
    TaskCommands(*doc).Insert(index, task);
    View()->InsertTaskRow(index);
  }
};

TEST_F(DocumentFlowTest, TheSettingIsWrittenAfterALoadAndAfterAFirstSave) {
  ASSERT_TRUE(StartApp());
  AddTask(u"saved");
  Frame()->ExecuteCommand(ID_FILE_SAVE);
  const QString saved = DocsPath(QStringLiteral("Untitled.tvq"));
  EXPECT_EQ(ReadFile(saved).left(4), TaskFileBytes({u"saved"}).left(4));  // the count is the first field
  // A new list saved for the first time is found again at the next start.
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), saved);
  EXPECT_EQ(FrameWidget()->windowTitle(), QStringLiteral("Untitled.tvq - Tarvelquist"));

  // Open asks for the file, reads it, and the setting names it.
  const QString other = DocsPath(QStringLiteral("other.tvq"));
  WriteFile(other, TaskFileBytes({u"a", u"b", u"c"}));
  m_openAnswers << other;
  Frame()->ExecuteCommand(ID_FILE_OPEN);
  ASSERT_EQ(m_promptTitles, QStringList{QStringLiteral("Open")});
  EXPECT_EQ(m_promptFilters.front(), QStringLiteral("Tarvelquist Files (*.tvq)|*.tvq|All Files (*.*)|*.*||"));
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), other);
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
  EXPECT_EQ(FrameWidget()->windowTitle(), QStringLiteral("other.tvq - Tarvelquist"));
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(DocumentFlowTest, ACancelledOpenChangesNothing) {
  const QString file = StartWithFile({u"kept"});
  Frame()->ExecuteCommand(ID_FILE_OPEN);
  EXPECT_EQ(m_promptTitles.size(), 1);
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("kept")});
  EXPECT_EQ(Doc()->GetPathName().ToQString(), file);
}

TEST_F(DocumentFlowTest, OpeningACutFileLeavesAnEmptyUntitledDocumentAndAnEmptyList) {
  const QString file = StartWithFile({u"one", u"two", u"three"});
  const QString cut = DocsPath(QStringLiteral("cut.tvq"));
  WriteFile(cut, TaskFileBytes({u"x", u"y"}).chopped(1));
  m_openAnswers << cut;
  Frame()->ExecuteCommand(ID_FILE_OPEN);

  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, QStringLiteral("Unexpected file format."));
  EXPECT_EQ(Doc()->GetTaskCount(), 0);
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_TRUE(Doc()->GetPathName().IsEmpty());
  EXPECT_FALSE(Doc()->IsModified());
  EXPECT_EQ(FrameWidget()->windowTitle(), QStringLiteral("Untitled - Tarvelquist"));
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), file);
  // Row i is task i again: an insert at the end lands in both.
  AddTask(u"new");
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("new")});
  EXPECT_EQ(Doc()->GetTaskCount(), 1);
}

TEST_F(DocumentFlowTest, AFileThatCannotBeOpenedLeavesTheDocumentAsItWas) {
  const QString file = StartWithFile({u"one", u"two"});
  m_openAnswers << DocsPath(QStringLiteral("absent.tvq"));
  Frame()->ExecuteCommand(ID_FILE_OPEN);
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, DocsPath(QStringLiteral("absent.tvq")) + QStringLiteral(" was not found."));
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
  EXPECT_EQ(Doc()->GetPathName().ToQString(), file);
  EXPECT_EQ(FrameWidget()->windowTitle(), QStringLiteral("list.tvq - Tarvelquist"));
}

TEST_F(DocumentFlowTest, CtrlNSavesTheModifiedListAndStartsANewOne) {
  const QString file = StartWithFile({u"one", u"two"});
  AddTask(u"three");
  ActivateFrame();
  QTest::keyClick(FrameWidget(), Qt::Key_N, Qt::ControlModifier);

  EXPECT_EQ(m_commands, std::vector<UINT>{ID_FILE_NEW});
  // The new task copied the last row's fields through workTask, so the file is exactly the three tasks.
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"one", u"two", u"three"}));
  EXPECT_EQ(Doc()->GetTaskCount(), 0);
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_TRUE(Doc()->GetPathName().IsEmpty());
  EXPECT_EQ(FrameWidget()->windowTitle(), QStringLiteral("Untitled - Tarvelquist"));
  EXPECT_TRUE(m_messages.empty());
}

// The keys of the window: Ctrl+C, X, V, Z, Y and Shift+Z on the list, Delete and Insert in it, Ctrl+S, and
// F10 with the arrow keys in the menu.
TEST_F(DocumentFlowTest, TheEditKeysTheListKeysCtrlSAndF10) {
  const QString file = StartWithFile({u"one", u"two"});
  QGuiApplication::clipboard()->setText(QStringLiteral("sentinel"));
  ActivateFrame();
  View()->m_taskList.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  View()->m_taskList.SetFocus();
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : FrameWidget();
  const auto press = [target](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(target, key, modifiers);
  };
  press(Qt::Key_C);
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("two\t")));
  press(Qt::Key_X);
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("one")});
  press(Qt::Key_V);
  press(Qt::Key_V);
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("two")}));
  press(Qt::Key_Z);
  press(Qt::Key_Z);
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("one")});
  press(Qt::Key_Y);
  press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("two")}));
  EXPECT_EQ(m_commands, (std::vector<UINT>{ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_PASTE, ID_EDIT_UNDO,
                                           ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_REDO}));

  press(Qt::Key_S);
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"one", u"two", u"two"}));
  EXPECT_FALSE(Doc()->IsModified());

  // The redo selected the second pasted row: Delete removes it, Insert opens the editor (cancelled here).
  press(Qt::Key_Delete, Qt::NoModifier);
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
  press(Qt::Key_Insert, Qt::NoModifier);
  EXPECT_EQ(m_dialogs, std::vector<UINT>{IDD_TARVELQUIST_INS});
  ActivateFrame();  // the editor was the active window

  // F10 opens the menu on its first item; Down walks to the next one; Escape closes it.
  press(Qt::Key_F10, Qt::NoModifier);
  QMenu* menu = Frame()->GetCommandBar()->GetMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->activeAction(), menu->actions().value(0));
  QTest::keyClick(menu, Qt::Key_Down);
  EXPECT_EQ(menu->activeAction(), menu->actions().value(1));
  QTest::keyClick(menu, Qt::Key_Escape);
  EXPECT_FALSE(menu->isVisible());
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(DocumentFlowTest, ClosingSavesAModifiedListWithoutAsking) {
  ASSERT_TRUE(StartApp());
  AddTask(u"remember me");
  FrameWidget()->close();
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  EXPECT_EQ(ReadFile(DocsPath(QStringLiteral("Untitled.tvq"))).left(4), QByteArray("\x01\x00\x00\x00", 4));
  EXPECT_TRUE(m_messages.empty());
}

// A save that fails when not even a rescue copy can be written (every write fails) keeps New, Open and closing
// from happening: the list, its file and the window stay.
enum class Replacement { newByKey, open, close };

class FailedSaveTest : public DocumentFlowTest, public ::testing::WithParamInterface<Replacement> {};

TEST_P(FailedSaveTest, KeepsTheDocument) {
  const QString file = StartWithFile({u"one"});
  const QByteArray before = ReadFile(file);
  AddTask(u"two");
  testhooks::SetFaultInjector([](CFile::Operation op, const CString&) { return op == CFile::Operation::write ? ENOSPC : 0; });
  const QString other = DocsPath(QStringLiteral("other.tvq"));
  WriteFile(other, TaskFileBytes({u"other"}));

  switch (GetParam()) {
    case Replacement::newByKey:
      ActivateFrame();
      QTest::keyClick(FrameWidget(), Qt::Key_N, Qt::ControlModifier);
      break;
    case Replacement::open:
      m_openAnswers << other;
      Frame()->ExecuteCommand(ID_FILE_OPEN);
      break;
    case Replacement::close:
      FrameWidget()->close();
      break;
  }

  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_TRUE(m_messages[0].text.startsWith(QStringLiteral("Disk full"))) << m_messages[0].text.toStdString();
  ASSERT_NE(Frame(), nullptr);
  EXPECT_TRUE(FrameWidget()->isVisible());
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
  EXPECT_EQ(Doc()->GetTaskCount(), 2);
  EXPECT_TRUE(Doc()->IsModified());
  EXPECT_EQ(Doc()->GetPathName().ToQString(), file);
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), file);

  // Once saving works again, the close goes through and saves.
  testhooks::SetFaultInjector({});
  FrameWidget()->close();
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"one", u"two"}));
}

INSTANTIATE_TEST_SUITE_P(Replacements, FailedSaveTest,
                         ::testing::Values(Replacement::newByKey, Replacement::open, Replacement::close),
                         [](const ::testing::TestParamInfo<Replacement>& info) -> std::string {
                           switch (info.param) {
                             case Replacement::newByKey: return "NewByCtrlN";
                             case Replacement::open: return "Open";
                             case Replacement::close: return "Close";
                           }
                           return "Unknown";
                         });

}  // namespace
}  // namespace apptest
