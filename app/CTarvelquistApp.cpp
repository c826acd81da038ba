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
  // The setting alone decides what is opened; the command line's file name stays unused.
  if (!lastFile.IsEmpty()) {
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileOpen;
    cmdInfo.m_strFileName = lastFile;
  } else {
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
  }

  if (!ProcessShellCommand(cmdInfo)) {
    // The remembered file could not be read (the framework has said why): begin with a new list rather than
    // end, or one lost file would keep the program from ever starting. The setting stays as it is: the file may
    // be on a card that comes back.
    if (cmdInfo.m_nShellCommand != CCommandLineInfo::FileOpen) return FALSE;
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    if (!ProcessShellCommand(cmdInfo)) return FALSE;
  }
  if (!m_pMainWnd) return FALSE;

  m_pMainWnd->ShowWindow(SW_SHOW);
  m_pMainWnd->UpdateWindow();
  return TRUE;
}

CString CTarvelquistApp::GetCommandLineHelp() const {
  return CString(
      u"Usage: tarvelquist [Qt options]\n"
      u"\n"
      u"Tarvelquist keeps a personal list of tasks in a .tvq file. At start it reopens the last file it\n"
      u"read, or begins a new list; files named on the command line are not opened.\n"
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
