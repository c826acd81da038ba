// CSingleDocTemplate: one frame, one view and one document, created once from their run-time class records and
// reused for every New and Open. A modified document is saved without asking before it is replaced; when that
// save fails the New or Open does not happen.
#pragma once

#include <memory>

#include "platform/core/CDocTemplate.h"

class CDocumentWatcher;
class CFrameWnd;
class CView;

class CSingleDocTemplate : public CDocTemplate {
 public:
  CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                     const CRuntimeClass* pViewClass);
  ~CSingleDocTemplate() override;

  // pathName null: a new document. The first call creates the document, the frame (which becomes the main
  // window) and the view. Returns null when the earlier document could not be saved, when the windows could not
  // be made ("Failed to create empty document."), or when the file could not be read (already reported).
  CDocument* OpenDocumentFile(const CString* pathName, BOOL bMakeVisible = TRUE) override;
  CDocument* GetDocument() const override { return m_pOnlyDoc.get(); }
  CFrameWnd* GetFrame() const { return m_pFrame.get(); }
  CView* GetView() const { return m_pView.get(); }
  // Closes the document and destroys the view and the frame (without saving: the caller saved first).
  void CloseAllDocuments(BOOL bEndSession) override;

 private:
  BOOL CreateFrameAndView();
  void DestroyFrameAndView();
  void InitialUpdateFrame(BOOL bMakeVisible);
  // The view shows again exactly what the document holds (after a failed read turned it into a new one).
  void RefreshViews();

  std::unique_ptr<CDocument> m_pOnlyDoc;
  std::unique_ptr<CFrameWnd> m_pFrame;
  std::unique_ptr<CView> m_pView;
  std::unique_ptr<CDocumentWatcher> m_pWatcher;  // reloads the file when another writer changed it
};
