// Another writer (tvq, a sync tool, an editor) changes the open file: an unmodified list follows it without a
// word, never in the middle of a flow; a modified list's save keeps both versions and says so once.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/core/CFile.h"
#include "platform/core/CFileTestHooks.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/DocumentWatcher.h"
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

// The message names each file once, as it is: a name holding the message's own markers is not expanded.
TEST_F(OtherWritersTest, TheConflictMessageShowsNamesThatHoldMarkersAsTheyAre) {
  for (const QString& name : {QStringLiteral("a %2 b.tvq"), QStringLiteral("%1%2.tvq"), QStringLiteral("100%.tvq")}) {
    SCOPED_TRACE(name.toStdString());
    const QString file = DocsPath(name);
    WriteFile(file, TaskFileBytes({u"one"}));
    WriteRememberedFile(ConfigHome(), file);
    ASSERT_TRUE(StartApp());
    TaskItem mine;
    mine.CopyFieldsFrom(Doc()->TaskAt(0));
    TaskCommands(*Doc()).Insert(1, mine);
    ReplaceAtomically(file, TaskFileBytes({u"theirs"}));
    m_messages.clear();
    FrameWidget()->close();
    const QString stem = name.chopped(4);
    const QStringList kept = QDir(m_docs).entryList({stem + QStringLiteral(" (conflict *).tvq")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    ASSERT_EQ(m_messages.size(), 1u);
    const QString text = m_messages[0].text;
    const QString keptPath = DocsPath(kept.front());
    EXPECT_EQ(text.count(keptPath), 1) << text.toStdString();
    EXPECT_EQ(text.count(file), 2) << text.toStdString();  // the message names the saved file twice
    CloseApp();
    QFile::remove(DocsPath(kept.front()));
  }
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

// Random interleavings of another writer (renames and writes in place) with the window's edits, saves and idle
// time, checked after every step against a model: the rows are the document's; an unmodified list shows the
// file once the window has been idle; a save puts the window's list in the file and keeps the version it
// replaces exactly when that is not the one the window read or wrote last, with one message; the start-up
// setting keeps naming the file. Seeded; a failure names the seed and the steps so far.
class OtherWritersModelTest : public OtherWritersTest {
 protected:
  // The subjects a file holds, read without touching the start-up setting.
  QStringList SubjectsIn(const QString& path) {
    CTarvelquistDoc doc;
    const bool loaded = doc.OnOpenDocument(CString::FromQString(path)) != FALSE;
    QStringList subjects;
    if (!loaded) return {QStringLiteral("<unreadable>")};
    for (int i = 0; i < doc.GetTaskCount(); ++i) subjects << doc.TaskAt(i).subject.ToQString();
    return subjects;
  }

  static QStringList Subjects(const std::vector<std::u16string>& list) {
    QStringList subjects;
    for (const auto& subject : list) subjects << QString::fromStdU16String(subject);
    return subjects;
  }

  void RunSeed(unsigned seed, int steps);
};

void OtherWritersModelTest::RunSeed(unsigned seed, int steps) {
  std::mt19937 random(seed);
  const auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
  int tag = 0;
  const auto someSubjects = [&] {
    std::vector<std::u16string> list;
    const int count = static_cast<int>(random() % 5);
    for (int i = 0; i < count; ++i) list.push_back(u"t" + QString::number(++tag).toStdU16String());
    return list;
  };

  const std::vector<std::u16string> first = someSubjects();
  const QString file = StartWithFile(first);
  QByteArray onDisk = ReadFile(file);  // the file's bytes as last written by anyone
  QByteArray remembered = onDisk;      // the version the window read or wrote last
  QStringList window = Subjects(first);
  bool modified = false;  // the document's flag
  // Whether its tasks differ from the version remembered (every task's subject is unique).
  QStringList rememberedRows = window;
  const auto changed = [&] { return window != rememberedRows; };
  std::string trail;
  const auto where = [&] { return "seed " + std::to_string(seed) + ", steps:" + trail; };
  const auto writeTheirs = [&] {
    onDisk = TaskFileBytes(someSubjects());
    if (chance(35)) {
      WriteFile(file, onDisk);
    } else {
      ReplaceAtomically(file, onDisk);
    }
  };
  // An unchanged list ends showing the file's last version within a second of the last write.
  const auto expectFollowed = [&] {
    if (changed() || onDisk == remembered) return;
    const QStringList theirs = SubjectsIn(file);
    // A second, with room for a loaded build machine.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows() == theirs && !Doc()->IsFileChangedOnDisk(); }, 2 * kSeenWithinMs))
        << where();
    window = theirs;
    rememberedRows = theirs;
    remembered = onDisk;
    modified = false;
  };

  for (int step = 0; step < steps; ++step) {
    const int kind = static_cast<int>(random() % 120);
    if (kind >= 100) {
      const int burst = kind - 100;
      if (burst < 8) {
        // Writes at random intervals, some closer than the watcher's quiet time, for up to two seconds.
        trail += " burst";
        const QStringList before = Rows();
        QElapsedTimer spent;
        spent.start();
        const int writes = 3 + static_cast<int>(random() % 15);
        for (int i = 0; i < writes; ++i) {
          writeTheirs();
          QTest::qWait(20 + static_cast<int>(random() % 120));
        }
        // Writes that keep coming never put a reload off for more than a second.
        if (!changed() && spent.elapsed() > 1200) {
          ASSERT_NE(Rows(), before) << where();
        }
        expectFollowed();
      } else if (burst < 14) {
        // Another write lands while the window reloads, between its reads.
        trail += " write-during-reload";
        bool landed = false;
        const QByteArray next = TaskFileBytes(someSubjects());
        testhooks::SetFaultInjector([&](CFile::Operation op, const CString& name) {
          if (op == CFile::Operation::read && !landed && name.ToQString() == file) {
            landed = true;
            ReplaceAtomically(file, next);
          }
          return 0;
        });
        writeTheirs();
        static_cast<void>(QTest::qWaitFor([&] { return landed; }, kSeenWithinMs));
        testhooks::SetFaultInjector({});
        if (landed) onDisk = next;
        expectFollowed();
      } else {
        // The editor opened and cancelled: modified, yet the tasks are what they were.
        trail += " edit-cancel";
        if (!window.isEmpty()) {
          View()->m_taskList.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
          m_modalAction = [](CDialog& dialog) { dialog.EndDialog(IDCANCEL); };
          Frame()->ExecuteCommand(ID_TASK_EDIT);
          modified = Doc()->IsModified() != FALSE;
        }
      }
    } else if (kind < 30) {
      const std::vector<std::u16string> theirs = someSubjects();
      const bool inPlace = chance(35);
      trail += inPlace ? " write-in-place" : " rename-over";
      onDisk = TaskFileBytes(theirs);
      if (inPlace) {
        WriteFile(file, onDisk);
      } else {
        ReplaceAtomically(file, onDisk);
      }
    } else if (kind < 50) {
      trail += " insert";
      const QString subject = QStringLiteral("w%1").arg(++tag);
      m_modalAction = [&](CDialog& dialog) {
        auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItemHandle(IDC_SUBJECT));
        auto* ok = qobject_cast<QAbstractButton*>(dialog.GetDlgItemHandle(IDOK));
        ASSERT_TRUE(edit && ok);
        edit->setText(subject);
        ok->click();
      };
      Frame()->ExecuteCommand(ID_TASK_INSERT);  // nothing selected: at the end
      window << subject;
      modified = true;
    } else if (kind < 65) {
      trail += " delete";
      if (!window.isEmpty()) {
        View()->m_taskList.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        Frame()->ExecuteCommand(ID_TASK_DELETE);
        window.removeFirst();
        modified = true;
      }
    } else if (kind < 80) {
      trail += " save";
      const QStringList keptBefore = ConflictFiles();
      const std::size_t messagesBefore = m_messages.size();
      const bool conflict = onDisk != remembered;
      Frame()->ExecuteCommand(ID_FILE_SAVE);
      ASSERT_EQ(SubjectsIn(file), window) << where();
      QStringList keptNow = ConflictFiles();
      for (const QString& old : keptBefore) keptNow.removeOne(old);
      if (conflict) {
        ASSERT_EQ(keptNow.size(), 1) << where();
        ASSERT_EQ(ReadFile(DocsPath(keptNow.front())), onDisk) << where();  // their version, byte for byte
        ASSERT_EQ(m_messages.size(), messagesBefore + 1) << where();
      } else {
        ASSERT_TRUE(keptNow.isEmpty()) << where();
        ASSERT_EQ(m_messages.size(), messagesBefore) << where();
      }
      onDisk = ReadFile(file);
      remembered = onDisk;
      modified = false;
      rememberedRows = window;
    } else {
      trail += " idle";
      if (!changed() && onDisk != remembered) {
        // An unchanged list takes the new version once the window is idle.
        expectFollowed();
      } else {
        // Long enough for the watcher to act: a modified list must stay as it is.
        QTest::qWait(CDocumentWatcher::kSettleMs + 150);
      }
    }
    if (HasFatalFailure()) return;
    ASSERT_EQ(Rows(), window) << where();
    ASSERT_EQ(Doc()->IsModified() != FALSE, modified) << where();
    ASSERT_EQ(Doc()->GetTaskCount(), window.size()) << where();
  }
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), file) << where();
}

TEST_F(OtherWritersModelTest, NothingAnyWriterSavedIsLost) {
  const char* only = std::getenv("TVQ_OTHER_WRITERS_SEED");
  const std::vector<unsigned> seeds = only ? std::vector<unsigned>{static_cast<unsigned>(std::atoi(only))}
                                           : std::vector<unsigned>{1, 2};
  for (const unsigned seed : seeds) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RunSeed(seed, 30);
    if (HasFatalFailure()) return;
    if (seeds.size() > 1) {
      CloseApp();
      for (const QString& kept : ConflictFiles()) QFile::remove(DocsPath(kept));
      m_messages.clear();
    }
  }
}

}  // namespace
}  // namespace apptest
