// The application object: name, settings, the document template, the start-up command, New and Open.
#include "platform/core/CWinApp.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/core/AppName.h"
#include "platform/core/CDocument.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/NativePath.h"
#include "platform/core/Resource.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

// The application's own map is empty: New and Open are entries of the program's application class.
BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

namespace {

CWinApp* g_app = nullptr;
std::mutex g_promptMutex;
CWinApp::FilePromptHandler g_prompt;

QString ConfigHome() {
  // Only an absolute XDG_CONFIG_HOME counts; otherwise ~/.config.
  if (const char* configured = std::getenv("XDG_CONFIG_HOME"); configured && configured[0] == '/') {
    return QFile::decodeName(configured);
  }
  QString home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = QFile::decodeName(env);
  } else if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) {
    home = QFile::decodeName(entry->pw_dir);
  }
  return home + QStringLiteral("/.config");
}

// Settings file names take no path separators from the key or the name.
QString PathPart(const CString& text) {
  QString part = text.ToQString();
  part.replace(u'/', u'_');
  return part;
}

}  // namespace

// ---- command line -------------------------------------------------------------------------------------------

void CCommandLineInfo::ParseParam(const CString& param, BOOL bFlag, BOOL bLast) {
  if (!bFlag && m_strFileName.IsEmpty()) m_strFileName = param;
  if (bLast && !m_strFileName.IsEmpty()) m_nShellCommand = FileOpen;
}

// ---- the application object ---------------------------------------------------------------------------------

CWinApp::CWinApp(const char16_t* appName) : m_pszExeName(AfxGetExeName()) {
  if (appName) m_pszAppName = CString(appName);
  // The program's object is built before its resources are registered; SetCurrentHandles finishes the name.
  if (m_pszAppName.IsEmpty()) m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
  g_app = this;
  AfxSetAppNameSource([this] { return m_pszAppName; });  // the name as it is when asked
}

void CWinApp::SetCurrentHandles() {
  if (m_pszAppName.IsEmpty()) m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
  if (m_pszAppName.IsEmpty()) m_pszAppName = m_pszExeName;  // resources without a string table
}

CWinApp::~CWinApp() {
  if (g_app != this) return;
  g_app = nullptr;
  AfxSetAppNameSource({});
}

CWinApp* AfxGetApp() { return g_app; }

CString AfxGetExeName() { return platform::ExecutableName(); }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(const CString& registryKey) {
  m_pszRegistryKey = registryKey;
  m_pszProfileName = m_pszAppName;
}

CString CWinApp::GetProfilePath() const {
  QString path = ConfigHome();
  if (!m_pszRegistryKey.IsEmpty()) path += u'/' + PathPart(m_pszRegistryKey);
  path += u'/' + PathPart(m_pszProfileName.IsEmpty() ? m_pszAppName : m_pszProfileName) + QStringLiteral(".conf");
  return CString::FromQString(path);
}

CString CWinApp::GetProfileString(const CString& section, const CString& entry, const CString& defaultValue) {
  QSettings settings(GetProfilePath().ToQString(), QSettings::IniFormat);
  settings.beginGroup(section.ToQString());
  const QVariant value = settings.value(entry.ToQString());
  if (!value.isValid()) return defaultValue;
  // A file name that is not UTF-8 is kept as its bytes (see WriteProfileString).
  if (value.typeId() == QMetaType::QByteArray) return platform::PathFromNative(value.toByteArray().toStdString());
  return CString::FromQString(value.toString());
}

BOOL CWinApp::WriteProfileString(const CString& section, const CString& entry, const CString& value) {
  const QString path = GetProfilePath().ToQString();
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSettings settings(path, QSettings::IniFormat);
  settings.beginGroup(section.ToQString());
  if (platform::HasUndecodableBytes(value)) {
    // Text in the settings file is UTF-8, which cannot carry such a file name: store its exact bytes.
    const std::string bytes = platform::ToNativePath(value);
    settings.setValue(entry.ToQString(), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  } else {
    settings.setValue(entry.ToQString(), value.ToQString());
  }
  settings.endGroup();
  settings.sync();
  return settings.status() == QSettings::NoError ? TRUE : FALSE;
}

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) { m_pDocTemplate = std::move(docTemplate); }

void CWinApp::SetCommandLine(int argc, char** argv) {
  m_arguments.clear();
  for (int i = 1; i < argc; ++i) {
    if (argv[i]) m_arguments.push_back(platform::PathFromNative(argv[i]));  // the bytes as given
  }
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  // Flags start with '-' ("-nologo", "--nologo"); a '/' starts a path here, not a switch.
  for (std::size_t i = 0; i < m_arguments.size(); ++i) {
    const CString& argument = m_arguments[i];
    const BOOL last = i + 1 == m_arguments.size();
    const bool flag = argument.GetLength() > 1 && argument[0] == u'-';
    if (flag) {
      const int skip = argument.GetLength() > 2 && argument[1] == u'-' ? 2 : 1;
      info.ParseParam(argument.Mid(skip), TRUE, last);
    } else {
      info.ParseParam(argument, FALSE, last);
    }
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  if (info.m_nShellCommand == CCommandLineInfo::FileOpen) {
    return OpenDocumentFile(info.m_strFileName) != nullptr ? TRUE : FALSE;
  }
  m_newDocumentFailed = false;
  if (!OnCmdMsg(ID_FILE_NEW, 0)) OnFileNew();
  if (m_newDocumentFailed) return FALSE;
  if (m_pMainWnd == nullptr && RequiresMainWindow()) return FALSE;
  return TRUE;
}

CDocument* CWinApp::OpenDocumentFile(const CString& fileName) {
  if (!m_pDocTemplate) return nullptr;
  return m_pDocTemplate->OpenDocumentFile(&fileName);
}

BOOL CWinApp::SaveAllModified() { return m_pDocTemplate ? m_pDocTemplate->SaveAllModified() : TRUE; }

CWinApp::FilePromptHandler CWinApp::SetFilePromptHandler(FilePromptHandler handler) {
  std::lock_guard lock(g_promptMutex);
  FilePromptHandler previous = std::move(g_prompt);
  g_prompt = std::move(handler);
  return previous;
}

BOOL CWinApp::DoPromptFileName(CString& fileName, BOOL bOpenFileDialog) {
  const CString title = bOpenFileDialog ? AfxFrameworkString(AFX_IDS_OPENFILE) : CString(u"Save As");
  // "<filter name>|*<ext>|" from the template string, then "All Files (*.*)|*.*||".
  CString filter;
  if (m_pDocTemplate) {
    CString filterName;
    CString filterExt;
    if (m_pDocTemplate->GetDocString(filterName, CDocTemplate::filterName) && !filterName.IsEmpty() &&
        m_pDocTemplate->GetDocString(filterExt, CDocTemplate::filterExt) && !filterExt.IsEmpty()) {
      filter = filterName + CString(u"|*") + filterExt + CString(u"|");
    }
  }
  filter += AfxFrameworkString(AFX_IDS_ALLFILTER) + CString(u"|*.*||");
  FilePromptHandler prompt;
  {
    std::lock_guard lock(g_promptMutex);
    prompt = g_prompt;
  }
  if (!prompt) return FALSE;  // nobody to ask: as if cancelled
  return prompt(fileName, title, filter);
}

void CWinApp::OnFileNew() {
  if (!m_pDocTemplate) return;
  if (!m_pDocTemplate->OpenDocumentFile(nullptr)) m_newDocumentFailed = true;
}

void CWinApp::OnFileOpen() {
  CString fileName;
  if (!DoPromptFileName(fileName, TRUE)) return;
  OpenDocumentFile(fileName);
}
