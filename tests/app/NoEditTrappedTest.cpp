// A save on close, New, Open or a termination signal that cannot happen never traps the list: it goes to a
// rescue copy, one message names the real cause and the copy, and the window closes or goes on as asked. And in
// the window as in tvq: a file holding bytes that are not tasks is kept whole at the first save, a link planted
// since the read is never written through, modes never widen, and an edit that changed nothing is no conflict.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QTest>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/core/CFile.h"
#include "platform/core/CFileTestHooks.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/CDialog.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "view/CTarvelquistView.h"

namespace apptest {
namespace {

enum class Cause { folderGone, diskFull };
enum class Asked { close, closeRequest, newByKey, open };

struct TrapCase {
  const char* name;
  Cause cause;
  Asked asked;
};

class NoEditTrappedTest : public AppFixture {
 protected:
  // Opens `file` (written with the subjects) as the remembered file and adds a task in the window.
  void StartAndChange(const QString& file, const std::vector<std::u16string>& subjects) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    WriteFile(file, TaskFileBytes(subjects));
    WriteRememberedFile(ConfigHome(), file);
    ASSERT_TRUE(StartApp());
    ASSERT_TRUE(m_messages.empty());
    AddTask(u"mine");
  }

  void AddTask(const std::u16string& subject) {
    TaskItem task;
    task.CopyFieldsFrom(Doc()->GetWorkTask());
    task.SetSubject(CString(subject));
    const int index = Doc()->GetTaskCount();
    TaskCommands(*Doc()).Insert(index, task);
    View()->InsertTaskRow(index);
  }

  static QStringList SubjectsIn(const QString& path) {
    CTarvelquistDoc doc;
    if (!doc.OnOpenDocument(CString::FromQString(path))) return {QStringLiteral("<unreadable>")};
    QStringList subjects;
    for (int i = 0; i < doc.GetTaskCount(); ++i) subjects << doc.TaskAt(i).subject.ToQString();
    return subjects;
  }

  QStringList Matching(const QString& folder, const QString& pattern) const {
    QStringList found;
    for (const QString& name : QDir(folder).entryList({pattern}, QDir::Files | QDir::System)) {
      found << folder + u'/' + name;
    }
    return found;
  }

  static unsigned ModeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
};

class TrappedSaveTest : public NoEditTrappedTest, public ::testing::WithParamInterface<TrapCase> {
 protected:
  void TearDown() override {
    testhooks::SetFaultInjector({});
    NoEditTrappedTest::TearDown();
  }
};

TEST_P(TrappedSaveTest, TheListGoesToARescueCopyAndTheWindowDoesAsAsked) {
  const TrapCase& c = GetParam();
  const QString folder = DocsPath(QStringLiteral("sub"));
  const QString file = folder + QStringLiteral("/list.tvq");
  StartAndChange(file, {u"one"});
  QString cause;
  if (c.cause == Cause::folderGone) {
    ASSERT_TRUE(QDir(folder).removeRecursively());
    cause = folder + QStringLiteral(" was not found.");
  } else {
    testhooks::SetFaultInjector([file](CFile::Operation op, const CString& name) {
      return op == CFile::Operation::write && name.ToQString() == file ? ENOSPC : 0;
    });
    cause = QStringLiteral("Disk full while accessing ") + file + u'.';
  }
  const QString other = DocsPath(QStringLiteral("other.tvq"));
  WriteFile(other, TaskFileBytes({u"other"}));

  switch (c.asked) {
    case Asked::close: FrameWidget()->close(); break;
    case Asked::closeRequest:
      AfxRequestClose();
      ASSERT_TRUE(QTest::qWaitFor([&] { return App()->m_pMainWnd == nullptr; }, 2000));
      break;
    case Asked::newByKey:
      ActivateFrame();
      QTest::keyClick(FrameWidget(), Qt::Key_N, Qt::ControlModifier);
      break;
    case Asked::open:
      m_openAnswers << other;
      Frame()->ExecuteCommand(ID_FILE_OPEN);
      break;
  }

  const QStringList rescued = Matching(m_docs, QStringLiteral("list (rescued *).tvq"));
  ASSERT_EQ(rescued.size(), 1) << rescued.join(u',').toStdString();
  EXPECT_EQ(SubjectsIn(rescued[0]), (QStringList{QStringLiteral("one"), QStringLiteral("mine")}));
  EXPECT_EQ(ModeOf(rescued[0]) & 077, 0U);  // a copy nobody else reads
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_TRUE(m_messages[0].text.startsWith(cause)) << m_messages[0].text.toStdString();
  EXPECT_TRUE(m_messages[0].text.contains(rescued[0])) << m_messages[0].text.toStdString();
  switch (c.asked) {
    case Asked::close:
    case Asked::closeRequest: EXPECT_EQ(App()->m_pMainWnd, nullptr); break;
    case Asked::newByKey:
      EXPECT_TRUE(Rows().isEmpty());
      EXPECT_FALSE(Doc()->IsModified());
      break;
    case Asked::open: EXPECT_EQ(Rows(), QStringList{QStringLiteral("other")}); break;
  }
}

INSTANTIATE_TEST_SUITE_P(Causes, TrappedSaveTest,
                         ::testing::Values(TrapCase{"FolderGoneClose", Cause::folderGone, Asked::close},
                                           TrapCase{"FolderGoneSignal", Cause::folderGone, Asked::closeRequest},
                                           TrapCase{"FolderGoneNew", Cause::folderGone, Asked::newByKey},
                                           TrapCase{"DiskFullOpen", Cause::diskFull, Asked::open},
                                           TrapCase{"DiskFullClose", Cause::diskFull, Asked::close}),
                         [](const ::testing::TestParamInfo<TrapCase>& info) { return std::string(info.param.name); });

// Without a documents folder to write to, the copy goes to the state folder: for a list whose folder is gone,
// and for a new list that cannot get a name (one message, not two).
TEST_F(NoEditTrappedTest, TheRescueCopyFallsBackToTheStateFolder) {
  const QString state = m_temp.filePath(QStringLiteral("state"));
  tvqtest::ScopedEnv stateHome("XDG_STATE_HOME", QFile::encodeName(state).toStdString());
  const QString blocked = m_temp.filePath(QStringLiteral("plain-file"));
  WriteFile(blocked, "x");
  for (const bool untitled : {true, false}) {
    SCOPED_TRACE(untitled ? "untitled" : "folder gone");
    m_messages.clear();
    const QString folder = DocsPath(QStringLiteral("sub"));
    if (untitled) {
      ASSERT_TRUE(StartApp());
      AddTask(u"mine");
    } else {
      StartAndChange(folder + QStringLiteral("/list.tvq"), {u"one"});
      ASSERT_TRUE(QDir(folder).removeRecursively());
    }
    tvqtest::ScopedEnv documents("XDG_DOCUMENTS_DIR", QFile::encodeName(blocked + QStringLiteral("/docs")).toStdString());
    FrameWidget()->close();
    EXPECT_EQ(App()->m_pMainWnd, nullptr);
    const QString pattern = untitled ? QStringLiteral("Untitled (rescued *).tvq") : QStringLiteral("list (rescued *).tvq");
    const QStringList rescued = Matching(state + QStringLiteral("/tarvelquist"), pattern);
    ASSERT_EQ(rescued.size(), 1);
    EXPECT_EQ(SubjectsIn(rescued[0]).last(), QStringLiteral("mine"));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].text.contains(rescued[0]));
    if (untitled) {
      EXPECT_TRUE(m_messages[0].text.startsWith(QStringLiteral("Failed to save document.")));
    }
    CloseApp();
  }
}

// A name as long as names may be saves in place: the temporary name never pushes it over the limit, and a copy
// kept beside it (here a rescue copy, when the folder is gone) gives up the end of the name instead.
TEST_F(NoEditTrappedTest, ALongestLegalNameSaves) {
  const QString file = DocsPath(QString(251, u'n') + QStringLiteral(".tvq"));
  StartAndChange(file, {u"one"});
  Frame()->ExecuteCommand(ID_FILE_SAVE);
  EXPECT_TRUE(m_messages.empty()) << m_messages[0].text.toStdString();
  EXPECT_EQ(SubjectsIn(file), (QStringList{QStringLiteral("one"), QStringLiteral("mine")}));
  EXPECT_EQ(QDir(m_docs).entryList(QDir::Files | QDir::Hidden).size(), 1);
  CloseApp();

  const QString folder = DocsPath(QStringLiteral("sub"));
  StartAndChange(folder + u'/' + QString(83, u'長') + QStringLiteral(".tvq"), {u"one"});  // 253 bytes
  ASSERT_TRUE(QDir(folder).removeRecursively());
  FrameWidget()->close();
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  const QStringList rescued = Matching(m_docs, QStringLiteral("長* (rescued *).tvq"));
  ASSERT_EQ(rescued.size(), 1);
  EXPECT_EQ(SubjectsIn(rescued[0]), (QStringList{QStringLiteral("one"), QStringLiteral("mine")}));
  EXPECT_LE(QFile::encodeName(QFileInfo(rescued[0]).fileName()).size(), 255);
}

TEST_F(NoEditTrappedTest, ATextFileOpenedAsAListIsKeptWholeAtTheFirstSave) {
  const QString file = DocsPath(QStringLiteral("notes.tvq"));
  const QByteArray text = QStringLiteral("日本語のメモ\n牛乳を買う\n").toUtf8();
  WriteFile(file, text);
  WriteRememberedFile(ConfigHome(), file);
  ASSERT_TRUE(StartApp());
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_TRUE(m_messages.empty());
  AddTask(u"X");
  Frame()->ExecuteCommand(ID_FILE_SAVE);
  AddTask(u"Y");
  FrameWidget()->close();
  const QStringList kept = Matching(m_docs, QStringLiteral("notes (original *).tvq"));
  ASSERT_EQ(kept.size(), 1);
  EXPECT_EQ(ReadFile(kept[0]), text);
  EXPECT_EQ(SubjectsIn(file), (QStringList{QStringLiteral("X"), QStringLiteral("Y")}));
  ASSERT_EQ(m_messages.size(), 1u);  // said once, at the first save
  EXPECT_TRUE(m_messages[0].text.contains(kept[0]));
  EXPECT_TRUE(m_messages[0].text.contains(file));
}

TEST_F(NoEditTrappedTest, ALinkPlantedSinceTheReadIsNeverWrittenThrough) {
  const QString file = DocsPath(QStringLiteral("list.tvq"));
  StartAndChange(file, {u"one"});
  const QString victim = m_temp.filePath(QStringLiteral("authorized_keys"));
  WriteFile(victim, "ssh-ed25519 AAAA user@host\n");
  QFile::remove(file);
  ASSERT_TRUE(QFile::link(victim, file));
  FrameWidget()->close();
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  EXPECT_EQ(ReadFile(victim), QByteArray("ssh-ed25519 AAAA user@host\n"));
  EXPECT_EQ(QFileInfo(file).symLinkTarget(), victim);
  const QStringList beside = Matching(m_docs, QStringLiteral("list (conflict *).tvq"));
  ASSERT_EQ(beside.size(), 1);
  EXPECT_EQ(SubjectsIn(beside[0]), (QStringList{QStringLiteral("one"), QStringLiteral("mine")}));
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_TRUE(m_messages[0].text.contains(beside[0]));
}

TEST_F(NoEditTrappedTest, APrivateListStaysPrivateWhenAnotherProgramReplacedIt) {
  const QString file = DocsPath(QStringLiteral("list.tvq"));
  const QByteArray bytes = TaskFileBytes({u"one"});
  WriteFile(file, bytes);
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
  WriteRememberedFile(ConfigHome(), file);
  ASSERT_TRUE(StartApp());
  AddTask(u"mine");
  // Another program puts back a 0644 copy of the same bytes.
  QFile::remove(file);
  WriteFile(file, bytes);
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
  FrameWidget()->close();
  EXPECT_EQ(ModeOf(file), 0600U);
  EXPECT_EQ(SubjectsIn(file), (QStringList{QStringLiteral("one"), QStringLiteral("mine")}));
}

// The editor opened and cancelled marks the list modified, but its tasks are what it read: another writer's
// later version is neither overwritten nor moved aside at the close.
TEST_F(NoEditTrappedTest, AnEditThatChangedNothingIsNoConflict) {
  const QString file = DocsPath(QStringLiteral("list.tvq"));
  WriteFile(file, TaskFileBytes({u"one"}));
  WriteRememberedFile(ConfigHome(), file);
  ASSERT_TRUE(StartApp());
  View()->m_taskList.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  m_modalAction = [](CDialog& dialog) { dialog.EndDialog(IDCANCEL); };
  Frame()->ExecuteCommand(ID_TASK_EDIT);
  ASSERT_TRUE(Doc()->IsModified());
  const QByteArray theirs = TaskFileBytes({u"one", u"added by tvq"});
  WriteFile(file + QStringLiteral(".new"), theirs);
  ASSERT_EQ(std::rename(QFile::encodeName(file + QStringLiteral(".new")).constData(), QFile::encodeName(file).constData()), 0);
  FrameWidget()->close();
  EXPECT_EQ(ReadFile(file), theirs);
  EXPECT_TRUE(Matching(m_docs, QStringLiteral("list (conflict *).tvq")).isEmpty());
  EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace apptest
