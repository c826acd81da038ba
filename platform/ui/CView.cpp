// Views: the document's window in the frame's view area; a form view carries its template's controls.
#include "platform/ui/CView.h"

#include <QEvent>
#include <QWidget>

#include "platform/core/CDocument.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/DialogFont.h"

namespace {

// Keeps the view filling its parent (the frame's view area).
class FillParent : public QObject {
 public:
  FillParent(QWidget* view, QWidget* parent) : QObject(view), m_view(view), m_parent(parent) {
    parent->installEventFilter(this);
    m_view->setGeometry(m_parent->rect());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_parent && event->type() == QEvent::Resize) m_view->setGeometry(m_parent->rect());
    return false;
  }

 private:
  QWidget* m_view;
  QWidget* m_parent;
};

}  // namespace

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
END_MESSAGE_MAP()

CView::CView() = default;

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

void CView::OnInitialUpdate() {}

BOOL CView::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CView::Create(CWnd* pParentWnd, UINT nID) {
  if (!pParentWnd) return FALSE;
  return CreateInParent(pParentWnd->GetChildArea(), nID);
}

BOOL CView::CreateInParent(QWidget* parent, UINT nID) {
  if (GetSafeHwnd()) return FALSE;
  CREATESTRUCT cs;
  cs.hwndParent = parent;
  cs.style = static_cast<LONG>(WS_CHILD | WS_VISIBLE);
  if (!PreCreateWindow(cs)) return FALSE;
  auto* widget = new QWidget(parent);
  widget->setFont(AfxGetDialogFont());
  AfxSetControlId(widget, static_cast<int>(nID));
  SetOwnedWidget(widget);
  SubclassWidget(widget);
  if (parent) {
    new FillParent(widget, parent);
    widget->show();
  }
  return TRUE;
}

IMPLEMENT_DYNAMIC(CFormView, CView)

BEGIN_MESSAGE_MAP(CFormView, CView)
END_MESSAGE_MAP()

CFormView::CFormView(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

BOOL CFormView::CreateInParent(QWidget* parent, UINT nID) {
  const auto dialogTemplate = CDialogTemplateBuilder::Load(m_nIDTemplate);
  if (!dialogTemplate) return FALSE;
  if (!CView::CreateInParent(parent, nID)) return FALSE;
  if (!CDialogTemplateBuilder::Build(*this, GetSafeHwnd(), *dialogTemplate)) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

void CFormView::OnInitialUpdate() { UpdateData(FALSE); }
