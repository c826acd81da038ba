// CTarvelquistApp: the application object. Its start-up reopens the last file read (or begins a new list);
// it owns the About command and routes the framework's New and Open.
#pragma once

#include "platform/core/CWinApp.h"

class CTarvelquistApp : public CWinApp {
 public:
  CTarvelquistApp();

  BOOL InitInstance() override;
  CString GetCommandLineHelp() const override;
  // Every open by the user (start-up, File Open) comes here: after a successful one the document tells the
  // settings which file it read.
  CDocument* OpenDocumentFile(const CString& fileName) override;
  void OnAppAbout();

  DECLARE_MESSAGE_MAP()
};
