#include "platform/core/CDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <new>

#include "platform/core/CArchive.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Resource.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
END_MESSAGE_MAP()

namespace {

constexpr const char16_t* kExtension = u".tvq";
constexpr int kMaxSaveNameTries = 100000;

CString AbsolutePath(const CString& path) {
  if (path.IsEmpty()) return path;
  return CString::FromQString(QDir::cleanPath(QFileInfo(path.ToQString()).absoluteFilePath()));
}

CString PromptText(UINT id) {
  CString text = AfxFrameworkString(id);
  if (text.IsEmpty()) text = AfxLoadString(id);
  return text;
}

// Runs `work` (serializing and closing the file); when it throws, hands `fail` the framework exception, the memory
// exception when memory ran out, or null for any other exception, and returns false.
template <typename Work, typename Fail>
bool RunOrFail(Work&& work, Fail&& fail) {
  try {
    work();
    return true;
  } catch (const CException& e) {
    fail(&e);
  } catch (const std::bad_alloc&) {
    const CMemoryException memory;
    fail(&memory);
  } catch (const std::exception&) {
    fail(nullptr);
  }
  return false;
}

bool NameTaken(const QString& path) {
  // A dangling link still takes the name.
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

}  // namespace

CDocument::CDocument() = default;

CDocument::~CDocument() = default;

void CDocument::SetTitle(const CString& title) { m_strTitle = title; }

void CDocument::SetPathName(const CString& pathName, BOOL bAddToMRU) {
  m_strPathName = AbsolutePath(pathName);
  SetTitle(CString::FromQString(QFileInfo(m_strPathName.ToQString()).fileName()));
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

std::unique_ptr<CFile> CDocument::GetFile(const CString& fileName, UINT openFlags, CFileException* error) {
  std::unique_ptr<CFile> file;
  if (openFlags & CFile::modeCreate) {
    file = std::make_unique<CMirrorFile>();
  } else {
    file = std::make_unique<CFile>();
  }
  if (!file->Open(fileName, openFlags, error)) return nullptr;
  return file;
}

BOOL CDocument::OnOpenDocument(const CString& pathName) {
  CFileException fileError;
  std::unique_ptr<CFile> file = GetFile(pathName, CFile::modeRead | CFile::shareDenyWrite, &fileError);
  if (!file) {
    ReportSaveLoadException(pathName, &fileError, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag(TRUE);  // dirty while half-loaded
  const auto fail = [&](const CException* e) {
    file->Abort();
    DeleteContents();
    ReportSaveLoadException(pathName, e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
  };
  const bool loaded = RunOrFail(
      [&] {
        CArchive loadArchive(file.get(), CArchive::load);
        loadArchive.m_pDocument = this;
        if (file->GetLength() != 0) Serialize(loadArchive);
        loadArchive.Close();
        file->Close();
      },
      fail);
  if (!loaded) return FALSE;
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(const CString& pathName) {
  CFileException fileError;
  std::unique_ptr<CFile> file =
      GetFile(pathName, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &fileError);
  if (!file) {
    ReportSaveLoadException(pathName, &fileError, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  // Serialize may clear the flag while storing; a save that then fails must leave the document modified.
  const BOOL wasModified = IsModified();
  const auto fail = [&](const CException* e) {
    file->Abort();
    SetModifiedFlag(wasModified);
    ReportSaveLoadException(pathName, e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
  };
  const bool saved = RunOrFail(
      [&] {
        CArchive saveArchive(file.get(), CArchive::store);
        saveArchive.m_pDocument = this;
        Serialize(saveArchive);
        saveArchive.Close();
        file->Close();  // the mirror file replaces the old file here
      },
      fail);
  if (!saved) return FALSE;
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() { DeleteContents(); }

CString CDocument::SaveLoadExceptionMessage(const CString& pathName, const CException* e, BOOL bSaving,
                                            UINT nIDPDefault) {
  if (const auto* fileError = dynamic_cast<const CFileException*>(e); fileError && fileError->m_cause != CFileException::none) {
    const CString& named = fileError->m_strFileName.IsEmpty() ? pathName : fileError->m_strFileName;
    return CFileException::CauseMessageTemplate(fileError->m_cause).FormatMessage1(AbsolutePath(named));
  }
  if (const auto* archiveError = dynamic_cast<const CArchiveException*>(e)) {
    switch (archiveError->m_cause) {
      case CArchiveException::endOfFile:
      case CArchiveException::badIndex:
      case CArchiveException::badClass:
      case CArchiveException::badSchema: return AfxFrameworkString(AFX_IDP_FAILED_INVALID_FORMAT);
      default: break;
    }
  }
  if (nIDPDefault == 0) nIDPDefault = bSaving ? AFX_IDP_FAILED_TO_SAVE_DOC : AFX_IDP_FAILED_TO_OPEN_DOC;
  return PromptText(nIDPDefault);
}

void CDocument::ReportSaveLoadException(const CString& pathName, const CException* e, BOOL bSaving,
                                        UINT nIDPDefault) {
  AfxMessageBox(SaveLoadExceptionMessage(pathName, e, bSaving, nIDPDefault), MB_ICONEXCLAMATION);
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  return DoFileSave();  // the handheld saves without asking
}

BOOL CDocument::DoFileSave() { return DoSave(m_strPathName); }

BOOL CDocument::DoSave(const CString& pathName, BOOL bReplace) {
  CString newName = pathName;
  if (newName.IsEmpty()) {
    newName = ChooseSaveName();
    if (newName.IsEmpty()) {
      AfxMessageBox(AFX_IDP_FAILED_TO_SAVE_DOC, MB_ICONEXCLAMATION);
      return FALSE;
    }
  }
  if (!OnSaveDocument(newName)) return FALSE;
  if (bReplace) SetPathName(newName);
  return TRUE;
}

CString CDocument::ChooseSaveName() const {
  const CString folder = AfxGetDocumentsFolder();
  if (folder.IsEmpty() || !QDir().mkpath(folder.ToQString())) return {};
  QString title = (m_strTitle.IsEmpty() ? AfxFrameworkString(AFX_IDS_UNTITLED_TEXT) : m_strTitle).ToQString();
  title.replace(u'/', u'_');
  const QString base = folder.ToQString() + u'/' + title;
  const QString extension = QString::fromUtf16(kExtension);
  if (!NameTaken(base + extension)) return CString::FromQString(base + extension);
  for (int n = 1; n < kMaxSaveNameTries; ++n) {
    const QString candidate = base + QString::number(n) + extension;
    if (!NameTaken(candidate)) return CString::FromQString(candidate);
  }
  return {};
}

void CDocument::AddView(CView* view) {
  if (!view) return;
  for (CView* existing : m_viewList) {
    if (existing == view) return;
  }
  m_viewList.push_back(view);
}

void CDocument::RemoveView(CView* view) { std::erase(m_viewList, view); }

void CDocument::OnFileSave() { DoFileSave(); }

CString AfxGetDocumentsFolder() {
  if (const char* configured = std::getenv("XDG_DOCUMENTS_DIR"); configured && *configured) {
    return AbsolutePath(CString::FromQString(QFile::decodeName(configured)));
  }
  return CString::FromQString(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}
