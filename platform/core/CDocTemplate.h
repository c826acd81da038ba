// CDocTemplate: ties a document class to its frame and view classes and to its template string (resource).
// The single-document template that creates windows lives in the window layer.
#pragma once

#include "platform/core/CCmdTarget.h"
#include "platform/core/CString.h"

class CDocument;

class CDocTemplate : public CCmdTarget {
 public:
  enum DocStringIndex {
    windowTitle = 0,
    docName = 1,
    fileNewName = 2,
    filterName = 3,
    filterExt = 4,
    regFileTypeId = 5,
    regFileTypeName = 6
  };

  CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
               const CRuntimeClass* pViewClass);
  ~CDocTemplate() override;

  // Field of the template string (string resource nIDResource, fields split at '\n').
  virtual BOOL GetDocString(CString& rString, DocStringIndex index) const;
  // pathName null: a new document. Returns the document, or null on failure (already reported).
  virtual CDocument* OpenDocumentFile(const CString* pathName, BOOL bMakeVisible = TRUE) = 0;
  virtual CDocument* GetDocument() const = 0;
  // The document becomes this template's: it learns the template and the extension (field filterExt) that its
  // saves without a file name take. The document never asks its template itself.
  void AddDocument(CDocument* pDocument);
  // "Untitled" unless the template string names the document.
  virtual void SetDefaultTitle(CDocument* pDocument);
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL bEndSession);

  const CRuntimeClass* m_pDocClass;
  const CRuntimeClass* m_pFrameClass;
  const CRuntimeClass* m_pViewClass;

 protected:
  UINT m_nIDResource;
  mutable CString m_strDocStrings;  // loaded on first use
  mutable bool m_docStringsLoaded = false;
};
