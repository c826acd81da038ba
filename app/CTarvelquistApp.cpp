// Start-up picks what to open (the file named on the command line, else the remembered one, else a new list)
// and falls back to a new list when that open fails; the About box and the command-line help live here too.
#include "app/CTarvelquistApp.h"

#include <memory>
#include <new>

#include "app/AboutDlg.h"
#include "app/MainFrm.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/ui/CSingleDocTemplate.h"
#include "res/resource.h"
#include "view/CTarvelquistView.h"

BEGIN_MESSAGE_MAP(CTarvelquistApp, CWinApp)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
  ON_COMMAND(ID_FILE_NEW, OnFileNew)
  ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
END_MESSAGE_MAP()

// No name of its own: the framework takes it from the string table ("Tarvelquist").
CTarvelquistApp::CTarvelquistApp() = default;

BOOL CTarvelquistApp::InitInstance() {
  // The handheld shell library's initialisation has no counterpart on this platform.

  SetRegistryKey(CString(u"VORNAKEL"));
  const CString lastFile = CTarvelquistDoc::GetLastReadFile();

  std::unique_ptr<CSingleDocTemplate> docTemplate;
  try {
    docTemplate = std::make_unique<CSingleDocTemplate>(IDR_MAINFRAME, RUNTIME_CLASS(CTarvelquistDoc),
                                                       RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CTarvelquistView));
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  AddDocTemplate(std::move(docTemplate));

  CCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  // A file named on the command line (a double-click in the file manager) is opened; else the setting decides.
  if (!cmdInfo.m_strFileName.IsEmpty()) {
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileOpen;
  } else if (!lastFile.IsEmpty()) {
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileOpen;
    cmdInfo.m_strFileName = lastFile;
  } else {
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
  }

  if (!ProcessShellCommand(cmdInfo)) {
    // The named or remembered file could not be read (the framework has said why): begin with a new list
    // rather than end, or one lost file would keep the program from ever starting. The setting stays as it is:
    // the file may be on a card that comes back.
    if (cmdInfo.m_nShellCommand != CCommandLineInfo::FileOpen) return FALSE;
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    if (!ProcessShellCommand(cmdInfo)) return FALSE;
  }
  if (!m_pMainWnd) return FALSE;

  m_pMainWnd->ShowWindow(SW_SHOW);
  m_pMainWnd->UpdateWindow();
  return TRUE;
}

CDocument* CTarvelquistApp::OpenDocumentFile(const CString& fileName) {
  CDocument* document = CWinApp::OpenDocumentFile(fileName);
  if (const auto* doc = dynamic_cast<const CTarvelquistDoc*>(document)) doc->RecordLastReadFile();
  return document;
}

CString CTarvelquistApp::GetCommandLineHelp() const {
  return CString(
      u"Usage: tarvelquist [Qt options] [FILE]\n"
      u"\n"
      u"Tarvelquist keeps a personal list of tasks in a .tvq file. At start it opens FILE, else the last\n"
      u"file it read or saved, else it begins a new list. When it already runs, FILE is opened in the\n"
      u"running window (the list shown there is saved first), which comes to the front.\n"
      u"\n"
      u"  --help      show this text and exit\n"
      u"  --version   show the version and exit\n"
      u"\n"
      u"Qt options such as -platform apply. Without a display, run it on Qt's VNC platform and connect a\n"
      u"VNC viewer to localhost:5900:\n"
      u"  tarvelquist -platform vnc:port=5900\n");
}

void CTarvelquistApp::OnAppAbout() {
  CAboutDlg aboutDlg;
  aboutDlg.DoModal();
}
