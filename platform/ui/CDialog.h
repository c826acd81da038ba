// CDialog: a modal dialog built from its template. DoModal runs a nested loop while the main window is
// disabled. Dialogs are shown full screen over the main window's area with a caption strip at the top holding
// the title and the handheld's "OK" (which confirms like the default OK). Enter presses the default button
// unless the focus is in a multi-line edit that wants Return; Esc and closing cancel.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/CWnd.h"

class QEventLoop;
namespace platform {
struct DialogTemplate;
}

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // IDOK or IDCANCEL (or what EndDialog was given); -1 when the window cannot be built from the template.
  virtual INT_PTR DoModal();
  // Keeps the window and its controls when DoModal ends, hidden, and runs again in them: each run starts from
  // the controls as the template made them, without building them anew. Destroyed with the dialog.
  void KeepWindowBetweenRuns() { m_bKeepWindow = true; }
  void EndDialog(int nResult);
  UINT GetTemplateId() const { return m_nIDTemplate; }

  // While DoModal runs (and after it, for a dialog that keeps its window): the top-level window (caption strip + client area) and the caption strip's "OK".
  QWidget* GetDialogWindow() const { return GetOwnedWidget(); }
  QWidget* GetCaptionOkButton() const;
  // The windows of every dialog whose DoModal runs now, oldest (lowest) first: what must stay in front of the
  // main window when it is brought to the front.
  static std::vector<QWidget*> GetRunningDialogWindows();

  // The caption strip's height; the client area lies below it.
  static constexpr int kCaptionHeight = 52;
  // The window's size when there is no main window to cover: the handheld's screen above its menu bar.
  static constexpr int kDefaultWidth = 480;
  static constexpr int kDefaultHeight = 588;

 protected:
  virtual BOOL OnInitDialog();  // writes the members into the controls (UpdateData(FALSE)), then the
                                // full-screen set-up, which reports the client size (WM_SIZE)
  virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
  virtual void OnCancel();      // EndDialog(IDCANCEL)

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  int m_nModalResult = -1;

 private:
  // The window as the template makes it: kept ones put back, else built anew. False when it cannot be built.
  bool PrepareWindow(const std::shared_ptr<const platform::DialogTemplate>& dialogTemplate, QWidget* mainWindow);
  bool RestoreWindow(const platform::DialogTemplate& dialogTemplate, QWidget* mainWindow);

  QEventLoop* m_pModalLoop = nullptr;
  bool m_bEnded = false;
  bool m_bRunning = false;
  bool m_bKeepWindow = false;
  std::vector<QWidget*> m_templateControls;
  std::shared_ptr<const platform::DialogTemplate> m_builtFrom;  // the template of a kept window

  DECLARE_MESSAGE_MAP()
};
