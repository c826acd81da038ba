// The first New or Open makes the document, frame, view and file watcher, and every later one reuses them:
// the current document is saved, then read or emptied in place; a read that emptied it leaves a new list.
#include "platform/ui/CSingleDocTemplate.h"

#include <QWidget>

#include "platform/core/CDocument.h"
#include "platform/core/CWinApp.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/CView.h"
#include "platform/ui/DocumentWatcher.h"

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                                       const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  m_pWatcher.reset();
  DestroyFrameAndView();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const CString* pathName, BOOL bMakeVisible) {
  bool created = false;
  if (m_pOnlyDoc) {
    // The handheld saves the document it replaces without asking; a failed save keeps it.
    if (!m_pOnlyDoc->SaveModified()) return nullptr;
  } else {
    m_pOnlyDoc = AfxCreateObject<CDocument>(m_pDocClass);
    AddDocument(m_pOnlyDoc.get());
    if (!m_pOnlyDoc || !CreateFrameAndView()) {
      m_pOnlyDoc.reset();
      AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
      return nullptr;
    }
    created = true;
  }
  CDocument* document = m_pOnlyDoc.get();

  if (!pathName) {
    SetDefaultTitle(document);
    if (!document->OnNewDocument()) {
      if (created) {
        DestroyFrameAndView();
        m_pOnlyDoc.reset();
      }
      return nullptr;
    }
  } else {
    const BOOL wasModified = document->IsModified();
    document->SetModifiedFlag(FALSE);  // not dirty for the open
    if (!document->OnOpenDocument(*pathName)) {
      // The failure has been reported by the document.
      if (created) {
        DestroyFrameAndView();
        m_pOnlyDoc.reset();
      } else if (!document->IsModified()) {
        // The file could not be opened at all: the document is as it was.
        document->SetModifiedFlag(wasModified);
      } else {
        // The read had emptied the document: it becomes a new, untitled one, and the view must not keep rows
        // for the tasks that are gone.
        SetDefaultTitle(document);
        document->OnNewDocument();
        RefreshViews();
      }
      return nullptr;
    }
    document->SetPathName(*pathName);
  }

  if (CWinApp* app = AfxGetApp(); created && app && !app->m_pMainWnd) app->m_pMainWnd = m_pFrame.get();
  if (!m_pWatcher) m_pWatcher = std::make_unique<CDocumentWatcher>(document, [this] { RefreshViews(); });
  InitialUpdateFrame(bMakeVisible);
  return document;
}

BOOL CSingleDocTemplate::CreateFrameAndView() {
  m_pFrame = AfxCreateObject<CFrameWnd>(m_pFrameClass);
  if (!m_pFrame) return FALSE;
  if (!m_pFrame->LoadFrame(m_nIDResource)) {
    m_pFrame.reset();
    return FALSE;
  }
  std::unique_ptr<CView> view = AfxCreateObject<CView>(m_pViewClass);
  if (!view) {
    DestroyFrameAndView();
    return FALSE;
  }
  view->m_pDocument = m_pOnlyDoc.get();
  if (!view->Create(m_pFrame.get(), AFX_IDW_PANE_FIRST)) {
    view.reset();
    DestroyFrameAndView();
    return FALSE;
  }
  m_pOnlyDoc->AddView(view.get());
  m_pView = std::move(view);
  m_pFrame->SetActiveView(m_pView.get());
  m_pFrame->RecalcLayout();
  m_pView->ShowWindow(SW_SHOW);
  return TRUE;
}

void CSingleDocTemplate::DestroyFrameAndView() {
  if (m_pView) {
    if (m_pOnlyDoc) m_pOnlyDoc->RemoveView(m_pView.get());
    if (m_pFrame) m_pFrame->SetActiveView(nullptr);
    m_pView->DestroyWindow();
    m_pView.reset();
  }
  if (m_pFrame) {
    m_pFrame->DestroyWindow();
    m_pFrame.reset();
  }
}

void CSingleDocTemplate::InitialUpdateFrame(BOOL bMakeVisible) {
  CFrameWnd* frame = m_pFrame.get();
  if (!frame) return;
  if (!frame->GetActiveView()) frame->SetActiveView(m_pView.get());
  frame->RecalcLayout();
  if (m_pView) m_pView->OnInitialUpdate();
  if (bMakeVisible && !frame->IsWindowVisible()) frame->ShowWindow(SW_SHOW);
  frame->OnUpdateFrameTitle(TRUE);
}

void CSingleDocTemplate::RefreshViews() {
  if (!m_pOnlyDoc) return;
  for (CView* view : m_pOnlyDoc->GetViews()) view->OnInitialUpdate();
  if (m_pFrame) m_pFrame->OnUpdateFrameTitle(TRUE);
}

void CSingleDocTemplate::CloseAllDocuments(BOOL) {
  // As the framework closes a document: its windows first, then its contents.
  m_pWatcher.reset();
  DestroyFrameAndView();
  if (!m_pOnlyDoc) return;
  m_pOnlyDoc->OnCloseDocument();
  m_pOnlyDoc.reset();
}
