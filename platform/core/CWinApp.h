// CWinApp: the application object. Name, settings (profile strings on QSettings: organisation = registry key,
// application = name; $XDG_CONFIG_HOME/<key>/<name>.conf here), the document template, the start-up command and
// the framework's New and Open. The window layer adds the main window and the message loop.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/CCmdTarget.h"
#include "platform/core/CDocTemplate.h"
#include "platform/core/CString.h"

class CWnd;  // window layer
class CDocument;

// What the command line asks for at start-up: the first file it names (opened), else a new document. Flags are
// read and ignored: none means anything here.
class CCommandLineInfo {
 public:
  enum ShellCommand { FileNew, FileOpen };
  virtual ~CCommandLineInfo() = default;
  virtual void ParseParam(const CString& param, BOOL bFlag, BOOL bLast);

  ShellCommand m_nShellCommand = FileNew;
  CString m_strFileName;
};

class CWinApp : public CCmdTarget {
 public:
  // appName null: the name comes from string resource AFX_IDS_APP_TITLE, now when the resources are registered
  // already, else in SetCurrentHandles.
  explicit CWinApp(const char16_t* appName = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  DECLARE_DYNAMIC(CWinApp)

 public:
  // The framework's start-up, once the resources are registered: a name that is still empty comes from string
  // AFX_IDS_APP_TITLE, and is the executable's name only when the resources have no such string.
  void SetCurrentHandles();

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance();

  // What --help prints: the program's usage. Empty: the window layer prints its own short usage.
  virtual CString GetCommandLineHelp() const { return {}; }

  void SetRegistryKey(const CString& registryKey);
  CString GetProfileString(const CString& section, const CString& entry, const CString& defaultValue = {});
  BOOL WriteProfileString(const CString& section, const CString& entry, const CString& value);

  void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
  // Destroys the template and whatever it still owns. The window layer calls it at the end of the program's
  // run, while the windows' application still exists: the application object itself is a static, destroyed
  // only after that application has gone.
  void DeleteDocTemplate() { m_pDocTemplate.reset(); }

  // argv[1..] of the process, for ParseCommandLine.
  void SetCommandLine(int argc, char** argv);
  void ParseCommandLine(CCommandLineInfo& info);
  BOOL ProcessShellCommand(CCommandLineInfo& info);

  virtual CDocument* OpenDocumentFile(const CString& fileName);
  BOOL SaveAllModified();

  // The open-file prompt: title "Open", filters from the template and "All Files (*.*)". Replaceable so that
  // tests answer it; returns FALSE when cancelled.
  using FilePromptHandler =
      std::function<BOOL(CString& fileName, const CString& title, const CString& filter)>;
  static FilePromptHandler SetFilePromptHandler(FilePromptHandler handler);
  BOOL DoPromptFileName(CString& fileName, BOOL bOpenFileDialog);

  // ProcessShellCommand's FileNew fails when no main window exists afterwards, but only where one is expected:
  // the window layer sets this before InitInstance; programs and tests without windows leave it off.
  void SetRequiresMainWindow(bool required) { m_requiresMainWindow = required; }
  virtual BOOL RequiresMainWindow() const { return m_requiresMainWindow ? TRUE : FALSE; }

  // The settings file of the profile strings, computed anew on every call:
  // ($XDG_CONFIG_HOME or ~/.config)/<registry key>/<application name>.conf.
  CString GetProfilePath() const;

  CWnd* m_pMainWnd = nullptr;
  CString m_pszAppName;
  CString m_pszExeName;  // the executable's file name
  CString m_pszRegistryKey;
  CString m_pszProfileName;

 protected:
  void OnFileNew();
  void OnFileOpen();

  std::unique_ptr<CDocTemplate> m_pDocTemplate;
  std::vector<CString> m_arguments;
  bool m_requiresMainWindow = false;
  bool m_newDocumentFailed = false;  // set by OnFileNew when the template could not give a document

  DECLARE_MESSAGE_MAP()
};

// The one application object.
CWinApp* AfxGetApp();

// The file name of the running executable ("lists" for /usr/bin/lists).
CString AfxGetExeName();
