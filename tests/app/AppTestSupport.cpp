// The application-shell tests' helpers: folders, task files, resources, and the in-process program fixture.
#include "tests/app/AppTestSupport.h"

#include <cstring>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>
#include <QWidget>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/core/WinStyles.h"
#include "view/CTarvelquistView.h"

namespace apptest {

namespace {

void AppendTaskString(QByteArray& out, const std::u16string& text) {
  out.append("\xFF\xFE\xFF", 3);
  out.append(static_cast<char>(text.size()));
  for (const char16_t unit : text) {
    out.append(static_cast<char>(unit & 0xFF));
    out.append(static_cast<char>(unit >> 8));
  }
}

}  // namespace

QByteArray TaskFileBytes(const std::vector<std::u16string>& subjects) {
  QByteArray out;
  const auto count = static_cast<std::uint32_t>(subjects.size());
  for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((count >> shift) & 0xFF));
  for (const std::u16string& subject : subjects) {
    AppendTaskString(out, subject);
    out.append(4, '\0');  // due-date status: valid
    const double date = 39578.5;  // 10 May 2008 12:00
    char bytes[8];
    std::memcpy(bytes, &date, sizeof bytes);
    out.append(bytes, 8);
    AppendTaskString(out, u"A1");
    AppendTaskString(out, u"");
  }
  return out;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

namespace {
QString SettingsFile(const QString& configHome) { return configHome + QStringLiteral("/VORNAKEL/Tarvelquist.conf"); }
}  // namespace

void WriteRememberedFile(const QString& configHome, const QString& value) {
  QDir().mkpath(configHome + QStringLiteral("/VORNAKEL"));
  QSettings settings(SettingsFile(configHome), QSettings::IniFormat);
  settings.beginGroup(QString::fromUtf16(CTarvelquistDoc::kLastFileSection));
  settings.setValue(QString::fromUtf16(CTarvelquistDoc::kLastFileEntry), value);
  settings.endGroup();
  settings.sync();
}

std::optional<QString> ReadRememberedFile(const QString& configHome) {
  if (!QFile::exists(SettingsFile(configHome))) return std::nullopt;
  QSettings settings(SettingsFile(configHome), QSettings::IniFormat);
  settings.beginGroup(QString::fromUtf16(CTarvelquistDoc::kLastFileSection));
  const QVariant value = settings.value(QString::fromUtf16(CTarvelquistDoc::kLastFileEntry));
  if (!value.isValid()) return std::nullopt;
  return value.toString();
}

// ---- the fixture ----------------------------------------------------------------------------------------

AppFixture::AppFixture() = default;

AppFixture::~AppFixture() = default;

void AppFixture::SetUp() {
  ASSERT_TRUE(m_temp.isValid());
  m_config = m_temp.filePath(QStringLiteral("config"));
  m_docs = m_temp.filePath(QStringLiteral("Documents"));
  ASSERT_TRUE(QDir().mkpath(m_config));
  ASSERT_TRUE(QDir().mkpath(m_docs));
  m_envConfig = std::make_unique<tvqtest::ScopedEnv>("XDG_CONFIG_HOME", m_config.toStdString());
  m_envDocs = std::make_unique<tvqtest::ScopedEnv>("XDG_DOCUMENTS_DIR", m_docs.toStdString());

  m_previousSink = AfxSetMessageBoxHandler([this](const CString& text, const CString& caption, UINT type) {
    m_messages.push_back({text.ToQString(), caption.ToQString(), type});
    return IDOK;
  });
  m_previousPrompt =
      CWinApp::SetFilePromptHandler([this](CString& fileName, const CString& title, const CString& filter) -> BOOL {
        m_promptTitles << title.ToQString();
        m_promptFilters << filter.ToQString();
        if (m_openAnswers.isEmpty()) return FALSE;
        fileName = CString::FromQString(m_openAnswers.takeFirst());
        return TRUE;
      });
  m_previousProbe = testhooks::SetCommandProbe([this](UINT id) { m_commands.push_back(id); });
  m_previousModal = testhooks::SetModalHook([this](CDialog& dialog) {
    m_dialogs.push_back(dialog.GetTemplateId());
    if (m_modalAction) {
      m_modalAction(dialog);
    } else {
      dialog.EndDialog(IDCANCEL);
    }
  });
}

QString AppFixture::StartWithFile(const std::vector<std::u16string>& subjects) {
  const QString file = DocsPath(QStringLiteral("list.tvq"));
  WriteFile(file, TaskFileBytes(subjects));
  WriteRememberedFile(ConfigHome(), file);
  EXPECT_TRUE(StartApp());
  EXPECT_TRUE(m_messages.empty());
  return file;
}

void AppFixture::TearDown() {
  CloseApp();
  testhooks::SetModalHook(std::move(m_previousModal));
  testhooks::SetCommandProbe(std::move(m_previousProbe));
  CWinApp::SetFilePromptHandler(std::move(m_previousPrompt));
  AfxSetMessageBoxHandler(std::move(m_previousSink));
  m_envDocs.reset();
  m_envConfig.reset();
}

BOOL AppFixture::StartApp(const std::vector<std::string>& arguments) {
  m_app = std::make_unique<CTarvelquistApp>();
  m_app->SetRequiresMainWindow(true);
  std::vector<std::string> storage{"tarvelquist"};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : storage) argv.push_back(argument.data());
  m_app->SetCommandLine(static_cast<int>(argv.size()), argv.data());
  return m_app->InitInstance();
}

void AppFixture::CloseApp() {
  if (!m_app) return;
  if (CDocTemplate* docTemplate = m_app->GetDocTemplate()) docTemplate->CloseAllDocuments(TRUE);
  m_app->m_pMainWnd = nullptr;
  m_app.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CFrameWnd* AppFixture::Frame() const { return m_app ? dynamic_cast<CFrameWnd*>(m_app->m_pMainWnd) : nullptr; }

QWidget* AppFixture::FrameWidget() const { return Frame() ? Frame()->GetSafeHwnd() : nullptr; }

CTarvelquistView* AppFixture::View() const {
  return Frame() ? dynamic_cast<CTarvelquistView*>(Frame()->GetActiveView()) : nullptr;
}

CTarvelquistDoc* AppFixture::Doc() const {
  return Frame() ? dynamic_cast<CTarvelquistDoc*>(Frame()->GetActiveDocument()) : nullptr;
}

QStringList AppFixture::Rows() const {
  QStringList rows;
  CTarvelquistView* view = View();
  if (!view) return rows;
  for (int row = 0; row < view->m_taskList.GetItemCount(); ++row) {
    rows << view->m_taskList.GetItemText(row, 0).ToQString();
  }
  return rows;
}

void AppFixture::ActivateFrame() const {
  QWidget* widget = FrameWidget();
  ASSERT_NE(widget, nullptr);
  widget->show();
  widget->raise();
  widget->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
}

}  // namespace apptest
