// Start-up: the remembered file decides what is open; a file that cannot be read is reported and the program
// begins with a new list; a frame that cannot be built ends the start-up with the framework's message.
#include <sys/stat.h>

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/core/ResourceFormats.h"
#include "res/ProgramResources.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"

namespace apptest {
namespace {

enum class Setting { none, empty, goodFile, zeroByteFile, missingFile, cutFile, fifo };

struct StartupCase {
  const char* name;
  Setting setting;
  QStringList rows;
  QString title;            // the document's title; "@file" for the file's name
  const char* message;      // the framework's message, "%1" for the file's path; null for none
};

class StartupTest : public AppFixture, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupTest, OpensTheRememberedFileOrANewList) {
  const StartupCase& c = GetParam();
  const QString file = DocsPath(QStringLiteral("tasks.tvq"));
  switch (c.setting) {
    case Setting::none:
      break;
    case Setting::empty:
      WriteRememberedFile(ConfigHome(), QString());
      break;
    case Setting::goodFile:
      WriteFile(file, TaskFileBytes({u"牛乳を買う", u"Write report"}));
      WriteRememberedFile(ConfigHome(), file);
      break;
    case Setting::zeroByteFile:
      WriteFile(file, QByteArray());
      WriteRememberedFile(ConfigHome(), file);
      break;
    case Setting::missingFile:
      WriteRememberedFile(ConfigHome(), file);
      break;
    case Setting::fifo:
      // Reading a FIFO would wait for a writer forever: it is no task file.
      ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0644), 0);
      WriteRememberedFile(ConfigHome(), file);
      break;
    case Setting::cutFile:
      // Cut inside the second task's memo.
      WriteFile(file, TaskFileBytes({u"one", u"two"}).chopped(1));
      WriteRememberedFile(ConfigHome(), file);
      break;
  }
  const auto settingBefore = ReadRememberedFile(ConfigHome());

  ASSERT_TRUE(StartApp());
  ASSERT_NE(Frame(), nullptr);
  ASSERT_NE(Doc(), nullptr);
  EXPECT_TRUE(FrameWidget()->isVisible());
  EXPECT_EQ(Rows(), c.rows);
  EXPECT_EQ(Doc()->GetTaskCount(), c.rows.size());
  EXPECT_FALSE(Doc()->IsModified());

  const QString title = c.title == QStringLiteral("@file") ? QFileInfo(file).fileName() : c.title;
  EXPECT_EQ(Doc()->GetTitle().ToQString(), title);
  EXPECT_EQ(FrameWidget()->windowTitle(), title + QStringLiteral(" - Tarvelquist"));
  if (c.title == QStringLiteral("@file")) {
    EXPECT_EQ(Doc()->GetPathName().ToQString(), file);
  } else {
    EXPECT_TRUE(Doc()->GetPathName().IsEmpty());
  }

  if (c.message) {
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, QString::fromUtf8(c.message).replace(QStringLiteral("%1"), file));
    EXPECT_EQ(m_messages[0].caption, QStringLiteral("Tarvelquist"));
    EXPECT_EQ(m_messages[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
  } else {
    EXPECT_TRUE(m_messages.empty()) << m_messages[0].text.toStdString();
  }
  // A read writes the path back (the same value); a failed one leaves the setting as it was.
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), settingBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartupTest,
    ::testing::Values(
        StartupCase{"NoSetting", Setting::none, {}, QStringLiteral("Untitled"), nullptr},
        StartupCase{"EmptySetting", Setting::empty, {}, QStringLiteral("Untitled"), nullptr},
        StartupCase{"GoodFile", Setting::goodFile, {QStringLiteral("牛乳を買う"), QStringLiteral("Write report")},
                    QStringLiteral("@file"), nullptr},
        StartupCase{"ZeroByteFile", Setting::zeroByteFile, {}, QStringLiteral("@file"), nullptr},
        StartupCase{"MissingFile", Setting::missingFile, {}, QStringLiteral("Untitled"), "%1 was not found."},
        StartupCase{"CutFile", Setting::cutFile, {}, QStringLiteral("Untitled"), "Unexpected file format."},
        StartupCase{"Fifo", Setting::fifo, {}, QStringLiteral("Untitled"), "Access to %1 was denied."}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.name); });

TEST_F(StartupTest, ARememberedNameThatIsNotUtf8OpensItsFile) {
  const QByteArray file = QFile::encodeName(m_docs) + QByteArray("/bad\xff.tvq");
  {
    QFile out;
    ASSERT_TRUE(out.open(::fopen(file.constData(), "wb"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
    out.write(TaskFileBytes({u"bytes"}));
  }
  QDir().mkpath(ConfigHome() + QStringLiteral("/VORNAKEL"));
  {
    QSettings settings(ConfigHome() + QStringLiteral("/VORNAKEL/Tarvelquist.conf"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Recent File List/File_tvq"), file);  // as the program stores such a name
  }
  ASSERT_TRUE(StartApp());
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("bytes")});
  EXPECT_TRUE(m_messages.empty()) << m_messages[0].text.toStdString();
  QSettings settings(ConfigHome() + QStringLiteral("/VORNAKEL/Tarvelquist.conf"), QSettings::IniFormat);
  EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File_tvq")).toByteArray(), file);
}

TEST_F(StartupTest, AFileNamedOnTheCommandLineIsOpenedInsteadOfTheRememberedOne) {
  const QString remembered = DocsPath(QStringLiteral("list.tvq"));
  WriteFile(remembered, TaskFileBytes({u"remembered"}));
  WriteRememberedFile(ConfigHome(), remembered);
  const QString file = DocsPath(QStringLiteral("named.tvq"));
  WriteFile(file, TaskFileBytes({u"named"}));
  ASSERT_TRUE(StartApp({file.toStdString(), "-nologo"}));
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("named")});
  EXPECT_EQ(Doc()->GetPathName().ToQString(), file);
  EXPECT_EQ(ReadRememberedFile(ConfigHome()), file);
}

TEST_F(StartupTest, AStartAfterAMissingFileIsReportedAgainWhileTheSettingNamesIt) {
  const QString file = DocsPath(QStringLiteral("gone.tvq"));
  WriteRememberedFile(ConfigHome(), file);
  ASSERT_TRUE(StartApp());
  CloseApp();
  ASSERT_TRUE(StartApp());
  EXPECT_EQ(m_messages.size(), 2u);
  // Once the file is back, the next start opens it.
  CloseApp();
  WriteFile(file, TaskFileBytes({u"back"}));
  ASSERT_TRUE(StartApp());
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("back")});
  EXPECT_EQ(m_messages.size(), 2u);
}

// A frame whose command bar cannot be built fails the document's creation: the framework's message, and the
// start-up ends before any window exists.
class FrameFailureTest : public AppFixture, public ::testing::WithParamInterface<std::pair<WORD, WORD>> {};

TEST_P(FrameFailureTest, EndsTheStartUpWithTheFrameworksMessage) {
  const auto [type, id] = GetParam();
  ResImageBuilder image;
  image.AddAllOf(TarvelquistResources(), [type = type, id = id](const CResourceModule::Entry& entry) {
    return entry.type == ResId(type) && entry.name == ResId(id);
  });
  const CResourceModule module(image.Bytes());
  ScopedResourceHandle scope(&module);

  EXPECT_FALSE(StartApp());
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, QStringLiteral("Failed to create empty document."));
  CloseApp();
}

INSTANTIATE_TEST_SUITE_P(MissingResources, FrameFailureTest,
                         ::testing::Values(std::pair<WORD, WORD>{RT_RCDATA, IDR_MAINFRAME},
                                           std::pair<WORD, WORD>{RT_MENU, IDR_MAINFRAME},
                                           std::pair<WORD, WORD>{RT_TOOLBAR, IDR_MAINFRAME},
                                           std::pair<WORD, WORD>{RT_BITMAP, IDR_MAINFRAME}),
                         [](const ::testing::TestParamInfo<std::pair<WORD, WORD>>& info) -> std::string {
                           switch (info.param.first) {
                             case RT_RCDATA: return "MenuBar";
                             case RT_MENU: return "Menu";
                             case RT_TOOLBAR: return "Toolbar";
                             default: return "ToolbarBitmap";
                           }
                         });

}  // namespace
}  // namespace apptest
