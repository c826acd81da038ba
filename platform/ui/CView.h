// CView and CFormView: the document's window in the frame. A form view is built from a dialog template (its
// controls created as in a dialog) and sized to the frame's view area.
#pragma once

#include "platform/ui/CWnd.h"

class CDocument;

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  CView();
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  // Called by the document template after New and after a successful Open (and once at start-up).
  virtual void OnInitialUpdate();
  // Creates the view's widget in the parent's child area (a frame's view area).
  virtual BOOL Create(CWnd* pParentWnd, UINT nID);
  // Creates the view's widget in `parent` (the frame's view area, or any widget in tests), filling it and
  // following its size; with a null parent the view is a window of its own. FALSE when PreCreateWindow or
  // the template refuses.
  virtual BOOL CreateInParent(QWidget* parent, UINT nID);

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

 protected:
  friend class CSingleDocTemplate;
  CDocument* m_pDocument = nullptr;

  DECLARE_MESSAGE_MAP()
};

class CFormView : public CView {
  DECLARE_DYNAMIC(CFormView)

 public:
  explicit CFormView(UINT nIDTemplate);
  BOOL CreateInParent(QWidget* parent, UINT nID) override;  // builds the template's controls
  // UpdateData(FALSE), which runs DoDataExchange (DDX_Control attaches the members).
  void OnInitialUpdate() override;

 protected:
  UINT m_nIDTemplate;

  DECLARE_MESSAGE_MAP()
};
