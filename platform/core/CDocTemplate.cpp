// The template string is loaded on first use and split at its newlines by field; the document's title and
// extension come from its fields, with the framework's "Untitled" when it names none.
#include "platform/core/CDocTemplate.h"

#include "platform/core/CDocument.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/Resource.h"

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                           const CRuntimeClass* pViewClass)
    : m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass), m_nIDResource(nIDResource) {}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
  if (!m_docStringsLoaded) {
    // Without a resource module the template string is empty and so is every field.
    m_strDocStrings = AfxLoadString(m_nIDResource);
    m_docStringsLoaded = !m_strDocStrings.IsEmpty();
  }
  rString.Empty();
  int start = 0;
  for (int field = 0; field < static_cast<int>(index); ++field) {
    const int newline = m_strDocStrings.Find(u'\n', start);
    if (newline < 0) return FALSE;
    start = newline + 1;
  }
  if (start > m_strDocStrings.GetLength()) return FALSE;
  const int end = m_strDocStrings.Find(u'\n', start);
  rString = end < 0 ? m_strDocStrings.Mid(start) : m_strDocStrings.Mid(start, end - start);
  return TRUE;
}

void CDocTemplate::AddDocument(CDocument* pDocument) {
  if (!pDocument) return;
  CString extension;
  GetDocString(extension, filterExt);
  pDocument->SetDocTemplate(this, extension);
}

void CDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  if (!pDocument) return;
  CString title;
  if (!GetDocString(title, docName) || title.IsEmpty()) title = AfxFrameworkString(AFX_IDS_UNTITLED_TEXT);
  pDocument->SetTitle(title);
}

BOOL CDocTemplate::SaveAllModified() {
  CDocument* document = GetDocument();
  return !document || document->SaveModified();
}

void CDocTemplate::CloseAllDocuments(BOOL bEndSession) {
  if (CDocument* document = GetDocument()) document->OnCloseDocument();
}
