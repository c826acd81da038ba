// CSingleDocTemplate: one frame, one view and one document, created once from their run-time class records and
// reused for every New and Open. A modified document is saved without asking before it is replaced; when that
// save fails the New or Open does not happen.
#pragma once

#include <memory>

#include "platform/core/CDocTemplate.h"

class CFrameWnd;
class CView;

class CSingleDocTemplate : public CDocTemplate {
 public:
  CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                     const CRuntimeClass* pViewClass);
  ~CSingleDocTemplate() override;

  CDocument* OpenDocumentFile(const CString* pathName, BOOL bMakeVisible = TRUE) override;
  CDocument* GetDocument() const override { return m_pOnlyDoc.get(); }
  CFrameWnd* GetFrame() const { return m_pFrame.get(); }
  CView* GetView() const { return m_pView.get(); }
  void CloseAllDocuments(BOOL bEndSession) override;

 private:
  BOOL CreateFrameAndView();
  void InitialUpdateFrame(BOOL bMakeVisible);

  std::unique_ptr<CDocument> m_pOnlyDoc;
  std::unique_ptr<CFrameWnd> m_pFrame;
  std::unique_ptr<CView> m_pView;
};
