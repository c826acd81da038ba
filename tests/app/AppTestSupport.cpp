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

void PutWord(std::vector<BYTE>& out, unsigned value) {
  out.push_back(static_cast<BYTE>(value & 0xFF));
  out.push_back(static_cast<BYTE>((value >> 8) & 0xFF));
}
void PutDword(std::vector<BYTE>& out, std::uint32_t value) {
  PutWord(out, value & 0xFFFF);
  PutWord(out, value >> 16);
}
void PutString(std::vector<BYTE>& out, const std::u16string& text) {
  for (const char16_t unit : text) PutWord(out, unit);
  PutWord(out, 0);
}
void PutNameOrOrdinal(std::vector<BYTE>& out, const ResId& id) {
  if (id.IsOrdinal()) {
    PutWord(out, 0xFFFF);
    PutWord(out, id.Ordinal());
  } else {
    PutString(out, id.Name());
  }
}
void AlignDword(std::vector<BYTE>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

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
  settings.beginGroup(QStringLiteral("Recent File List"));
  settings.setValue(QStringLiteral("File_tvq"), value);
  settings.endGroup();
  settings.sync();
}

std::optional<QString> ReadRememberedFile(const QString& configHome) {
  if (!QFile::exists(SettingsFile(configHome))) return std::nullopt;
  QSettings settings(SettingsFile(configHome), QSettings::IniFormat);
  settings.beginGroup(QStringLiteral("Recent File List"));
  const QVariant value = settings.value(QStringLiteral("File_tvq"));
  if (!value.isValid()) return std::nullopt;
  return value.toString();
}

ResImageBuilder::ResImageBuilder() {
  // The leading null entry of a 32-bit .res image.
  PutDword(m_bytes, 0);
  PutDword(m_bytes, 32);
  PutNameOrOrdinal(m_bytes, ResId(0));
  PutNameOrOrdinal(m_bytes, ResId(0));
  PutDword(m_bytes, 0);
  PutWord(m_bytes, 0);
  PutWord(m_bytes, 0);
  PutDword(m_bytes, 0);
  PutDword(m_bytes, 0);
}

void ResImageBuilder::Add(const ResId& type, const ResId& name, const std::vector<BYTE>& data, WORD language) {
  std::vector<BYTE> names;
  PutNameOrOrdinal(names, type);
  PutNameOrOrdinal(names, name);
  AlignDword(names);
  PutDword(m_bytes, static_cast<std::uint32_t>(data.size()));
  PutDword(m_bytes, static_cast<std::uint32_t>(8 + names.size() + 16));
  m_bytes.insert(m_bytes.end(), names.begin(), names.end());
  PutDword(m_bytes, 0);       // data version
  PutWord(m_bytes, 0x1030);   // memory flags
  PutWord(m_bytes, language);
  PutDword(m_bytes, 0);       // version
  PutDword(m_bytes, 0);       // characteristics
  m_bytes.insert(m_bytes.end(), data.begin(), data.end());
  AlignDword(m_bytes);
}

void ResImageBuilder::AddAllOf(HINSTANCE module, const std::function<bool(const CResourceModule::Entry&)>& skip) {
  for (const CResourceModule::Entry& entry : module->Entries()) {
    if (skip && skip(entry)) continue;
    Add(entry.type, entry.name, std::vector<BYTE>(entry.data.begin(), entry.data.end()), entry.language);
  }
}

DialogItemSpec TextItem(WORD classOrdinal, DWORD style, short x, short y, short cx, short cy, WORD id,
                        std::u16string title) {
  DialogItemSpec item;
  item.classOrdinal = classOrdinal;
  item.style = style;
  item.x = x;
  item.y = y;
  item.cx = cx;
  item.cy = cy;
  item.id = id;
  item.title = std::move(title);
  return item;
}

DialogItemSpec ImageItem(DWORD style, short x, short y, short cx, short cy, WORD id, WORD image) {
  DialogItemSpec item = TextItem(0x0082, style, x, y, cx, cy, id, {});
  item.titleOrdinal = image;
  return item;
}

std::vector<BYTE> DialogTemplateBytes(const std::vector<DialogItemSpec>& items, bool withFont) {
  std::vector<BYTE> out;
  PutDword(out, WS_POPUP | WS_CAPTION | (withFont ? DS_SETFONT : 0));
  PutDword(out, 0);
  PutWord(out, static_cast<unsigned>(items.size()));
  for (const short value : {0, 0, 156, 129}) PutWord(out, static_cast<WORD>(value));
  PutWord(out, 0);  // no menu
  PutWord(out, 0);  // standard class
  PutString(out, u"Crafted");
  if (withFont) {
    PutWord(out, 9);
    PutString(out, u"MS UI Gothic");
  }
  for (const DialogItemSpec& item : items) {
    AlignDword(out);
    PutDword(out, item.style | WS_CHILD | WS_VISIBLE);
    PutDword(out, 0);
    for (const short value : {item.x, item.y, item.cx, item.cy}) PutWord(out, static_cast<WORD>(value));
    PutWord(out, item.id);
    PutWord(out, 0xFFFF);
    PutWord(out, item.classOrdinal);
    if (item.titleOrdinal) {
      PutWord(out, 0xFFFF);
      PutWord(out, *item.titleOrdinal);
    } else {
      PutString(out, item.title);
    }
    PutWord(out, 0);  // no creation data
  }
  return out;
}

ScopedResourceHandle::ScopedResourceHandle(HINSTANCE module) : m_previous(AfxGetResourceHandle()) {
  AfxSetResourceHandle(module);
}

ScopedResourceHandle::~ScopedResourceHandle() { AfxSetResourceHandle(m_previous); }

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
  m_previousProbe = CFrameWnd::SetCommandProbe([this](UINT id) { m_commands.push_back(id); });
  m_previousModal = CDialog::SetModalHook([this](CDialog& dialog) {
    m_dialogs.push_back(dialog.GetTemplateId());
    if (m_modalAction) {
      m_modalAction(dialog);
    } else {
      dialog.EndDialog(IDCANCEL);
    }
  });
}

void AppFixture::TearDown() {
  CloseApp();
  CDialog::SetModalHook(std::move(m_previousModal));
  CFrameWnd::SetCommandProbe(std::move(m_previousProbe));
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
