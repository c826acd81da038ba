// Another writer (tvq, a sync tool, an editor) changes the open file: an unmodified list follows it without a
// word, never in the middle of a flow; a modified list's save keeps both versions and says so once.
#include <cstdio>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/ui/CDialog.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "view/CTarvelquistView.h"

namespace apptest {
namespace {

constexpr int kSeenWithinMs = 1000;

class OtherWritersTest : public AppFixture {
 protected:
  // As tvq and most tools write: a new file renamed over the old one.
  static void ReplaceAtomically(const QString& file, const QByteArray& bytes) {
    const QString temporary = file + QStringLiteral(".new");
    WriteFile(temporary, bytes);
    ASSERT_EQ(std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(file).constData()), 0);
  }

  bool RowsBecome(const QStringList& rows) {
    return QTest::qWaitFor([&] { return Rows() == rows; }, kSeenWithinMs);
  }

  QStringList ConflictFiles() const {
    return QDir(m_docs).entryList({QStringLiteral("list (conflict *).tvq")}, QDir::Files);
  }
};

TEST_F(OtherWritersTest, AnUnmodifiedListFollowsTheFileWithoutAWord) {
  const QString file = StartWithFile({u"one", u"two"});
  ReplaceAtomically(file, TaskFileBytes({u"one", u"two", u"X"}));
  EXPECT_TRUE(RowsBecome({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("X")}));
  EXPECT_FALSE(Doc()->IsModified());

  // Written in place, as an editor may: seen as well.
  WriteFile(file, TaskFileBytes({u"in place"}));
  EXPECT_TRUE(RowsBecome({QStringLiteral("in place")}));
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(Doc()->GetPathName().ToQString(), file);

  // Closing an unmodified list writes nothing over the file.
  FrameWidget()->close();
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"in place"}));
  EXPECT_TRUE(ConflictFiles().isEmpty());
}

TEST_F(OtherWritersTest, AFileThatCannotBeReadChangesNothingUntilItCanBe) {
  const QString file = StartWithFile({u"one", u"two"});
  ReplaceAtomically(file, TaskFileBytes({u"half", u"written"}).chopped(3));
  QTest::qWait(kSeenWithinMs);
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
  EXPECT_EQ(Doc()->GetTaskCount(), 2);
  QFile::remove(file);
  QTest::qWait(kSeenWithinMs / 2);
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
  EXPECT_TRUE(m_messages.empty());
  // The next change that can be read is taken.
  ReplaceAtomically(file, TaskFileBytes({u"whole"}));
  EXPECT_TRUE(RowsBecome({QStringLiteral("whole")}));
  EXPECT_TRUE(m_messages.empty());
}

// The editor is open on task 2 when the file changes to a list of one task: the reload waits, so the row the
// edit flow took (2) is applied to the list it was taken from. Confirming makes the list modified; closing then
// saves it to the file and keeps the other version beside it, with one message naming both.
TEST_F(OtherWritersTest, AnEditFlowKeepsItsListAndTheSaveKeepsBothVersions) {
  const QString file = StartWithFile({u"one", u"two", u"three"});
  View()->m_taskList.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  const QByteArray theirs = TaskFileBytes({u"theirs"});
  bool editorRan = false;
  m_modalAction = [&](CDialog& dialog) {
    editorRan = true;
    ReplaceAtomically(file, theirs);
    QTest::qWait(kSeenWithinMs);  // the window's loop runs: the change is seen, the reload must wait
    EXPECT_EQ(Doc()->GetTaskCount(), 3);
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    auto* subject = qobject_cast<QLineEdit*>(dialog.GetDlgItemHandle(IDC_SUBJECT));
    ASSERT_NE(subject, nullptr);
    subject->setText(QStringLiteral("three, edited"));
    auto* ok = qobject_cast<QAbstractButton*>(dialog.GetDlgItemHandle(IDOK));
    ASSERT_NE(ok, nullptr);
    ok->click();
  };
  Frame()->ExecuteCommand(ID_TASK_EDIT);
  ASSERT_TRUE(editorRan);
  const QStringList ours{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three, edited")};
  EXPECT_EQ(Rows(), ours);
  EXPECT_TRUE(Doc()->IsModified());
  QTest::qWait(kSeenWithinMs);  // a modified list is never reloaded
  EXPECT_EQ(Rows(), ours);
  EXPECT_TRUE(m_messages.empty());

  FrameWidget()->close();
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"one", u"two", u"three, edited"}));
  const QStringList kept = ConflictFiles();
  ASSERT_EQ(kept.size(), 1) << kept.join(u',').toStdString();
  EXPECT_EQ(ReadFile(DocsPath(kept.front())), theirs);
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_TRUE(m_messages[0].text.contains(file));
  EXPECT_TRUE(m_messages[0].text.contains(DocsPath(kept.front())));
  EXPECT_EQ(m_messages[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), file);  // the start-up keeps naming the same file
}

TEST_F(OtherWritersTest, ASaveAfterAChangeThatCameBackToTheSameBytesKeepsNothingAside) {
  const QString file = StartWithFile({u"one"});
  // The due date and priority of the file's task, so the bytes are known.
  TaskItem two;
  two.CopyFieldsFrom(Doc()->TaskAt(0));
  two.SetSubject(CString(u"two"));
  TaskCommands(*Doc()).Insert(1, two);
  // Another program rewrites the same bytes: a new version on disk, the same contents.
  ReplaceAtomically(file, TaskFileBytes({u"one"}));
  Frame()->ExecuteCommand(ID_FILE_SAVE);
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"one", u"two"}));
  EXPECT_TRUE(ConflictFiles().isEmpty());
  EXPECT_TRUE(m_messages.empty());
  // Our own save is what we remember: saving again keeps nothing aside either.
  Doc()->InsertTask(2);
  Frame()->ExecuteCommand(ID_FILE_SAVE);
  EXPECT_TRUE(ConflictFiles().isEmpty());
  EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace apptest
