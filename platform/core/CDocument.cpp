// The framework's document base: open, save through a mirror file, the modified flag, the path and title, and
// what a save keeps of other writers' versions.
#include "platform/core/CDocument.h"

#include <sys/stat.h>

#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/core/AppName.h"
#include "platform/core/CArchive.h"
#include "platform/core/ContentHash.h"
#include "platform/core/CMirrorFile.h"
#include "platform/core/FileLock.h"
#include "platform/core/FrameworkStrings.h"
#include "platform/core/MessageBox.h"
#include "platform/core/NativePath.h"
#include "platform/core/Resource.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
END_MESSAGE_MAP()

namespace {

constexpr int kMaxSaveNameTries = 100000;

using platform::AbsolutePath;

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

bool NameTaken(const CString& path) {
  // A dangling link still takes the name.
  struct stat info {};
  return ::lstat(platform::ToNativePath(path).c_str(), &info) == 0 || errno != ENOENT;
}

// mkdir -p on the bytes of the name.
bool MakeFolders(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
  return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

}  // namespace

CDocument::CDocument() = default;

CDocument::~CDocument() = default;

void CDocument::SetTitle(const CString& title) { m_strTitle = title; }

void CDocument::SetPathName(const CString& pathName) {
  m_strPathName = AbsolutePath(pathName);
  SetTitle(platform::FileNameOf(m_strPathName));
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  SetFileState({});
  return TRUE;
}

std::unique_ptr<CFile> CDocument::GetFile(const CString& fileName, UINT openFlags, CFileException* error) {
  std::unique_ptr<CFile> file;
  if (openFlags & CFile::modeCreate) {
    auto mirror = std::make_unique<CMirrorFile>();
    PrepareSave(*mirror, fileName);
    file = std::move(mirror);
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
  FileState state;
  m_bUnreadBytes = false;
  const bool loaded = RunOrFail(
      [&] {
        CArchive loadArchive(file.get(), CArchive::load, CArchive::kDocumentBufferSize);
        loadArchive.m_pDocument = this;
        if (!m_bHashReads) loadArchive.SkipContentHash();
        if (file->GetLength() != 0) Serialize(loadArchive);
        const bool unread = m_bUnreadBytes || loadArchive.GetRemainingLength() != 0;
        loadArchive.ReadToEnd();  // bytes after the document count for the version too
        state = {file->GetFilePath(), file->GetIdentity(), m_bHashReads ? loadArchive.GetContentHash() : 0, unread,
                 file->GetMode(), CFileIdentity::OfLink(file->GetFilePath()), m_bHashReads};
        loadArchive.Close();
        file->Close();
      },
      fail);
  if (!loaded) return FALSE;
  SetModifiedFlag(FALSE);
  SetFileState(std::move(state));
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
  auto* mirror = dynamic_cast<CMirrorFile*>(file.get());
  // Serialize may clear the flag while storing; a save that then fails must leave the document modified.
  const BOOL wasModified = IsModified();
  std::uint64_t hash = 0;
  const auto fail = [&](const CException* e) {
    file->Abort();
    SetModifiedFlag(wasModified);
    ReportSaveLoadException(pathName, e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
  };
  const bool saved = RunOrFail(
      [&] {
        hash = StoreTo(*file, m_bHashWrites);
        file->Close();  // the mirror file replaces the old file here
      },
      fail);
  if (!saved) return FALSE;
  SetModifiedFlag(FALSE);
  if (!mirror) return TRUE;
  const CString& diverted = mirror->GetDivertedName();
  const CString written = diverted.IsEmpty() ? AbsolutePath(pathName) : diverted;
  SetFileState({written, mirror->GetWrittenIdentity(), hash, false, mirror->GetWrittenMode(),
                CFileIdentity::OfLink(written), m_bHashWrites});
  if (!diverted.IsEmpty()) {
    SetPathName(diverted);  // the document goes on with the file it wrote
    ReportMessage2(GetSaveDivertedPrompt(), AbsolutePath(pathName), diverted);
  }
  const CString& kept = mirror->GetKeptName();
  if (kept.IsEmpty()) return TRUE;
  if (mirror->GetKeptReason() == CMirrorFile::Displaced::keepOriginal) {
    ReportMessage2(GetOriginalKeptPrompt(), written, kept);
  } else {
    ReportSaveConflict(written, kept);
  }
  return TRUE;
}

// The file may have changed since it was read or written here: the version this save replaces is kept aside
// unless it is the remembered one (and then too when its read left bytes unread). The check runs at the
// rename, under the writers' lock. The name must still hold a regular file or the link it held, and the
// permissions stay as strict as they were.
void CDocument::PrepareSave(CMirrorFile& mirror, const CString& pathName) {
  if (!m_fileState.identity.valid || m_fileState.path != AbsolutePath(pathName)) return;
  mirror.SetRememberedEntry(m_fileState.link);
  mirror.SetModeLimit(m_fileState.mode);
  mirror.SetDisplacedCheck([this](int fd) {
    if (!HoldsRememberedVersion(fd)) return CMirrorFile::Displaced::keepConflict;
    return m_fileState.unreadBytes ? CMirrorFile::Displaced::keepOriginal : CMirrorFile::Displaced::drop;
  });
}

void CDocument::OnCloseDocument() { DeleteContents(); }

void CDocument::SetFileState(FileState state) {
  m_fileState = std::move(state);
  if (m_fileStateListener) m_fileStateListener();
}

bool CDocument::HoldsRememberedVersion(int fd) const {
  const CFileIdentity identity = CFileIdentity::OfDescriptor(fd);
  if (!identity.valid) return false;
  if (identity == m_fileState.identity) return true;
  if (identity.size != m_fileState.identity.size || !m_fileState.hashed) return false;
  // Touched, copied back or rewritten in place: the same bytes are the same version.
  platform::ContentHash hash;
  return platform::HashRestOfFile(fd, hash) && hash.Value() == m_fileState.hash;
}

BOOL CDocument::IsFileChangedOnDisk() const {
  if (m_fileState.path.IsEmpty() || !m_fileState.identity.valid) return FALSE;
  return CFileIdentity::OfPath(m_fileState.path) == m_fileState.identity ? FALSE : TRUE;
}

BOOL CDocument::SwapContents(CDocument&) { return FALSE; }

BOOL CDocument::ReloadFromFile() {
  if (m_fileState.path.IsEmpty()) return FALSE;
  std::unique_ptr<CDocument> fresh = AfxCreateObject<CDocument>(GetRuntimeClass());
  if (!fresh) return FALSE;
  fresh->m_bQuiet = true;
  if (!fresh->OnOpenDocument(m_fileState.path)) return FALSE;
  const FileState& read = fresh->m_fileState;
  if (m_fileState.hashed && read.hash == m_fileState.hash && read.identity.size == m_fileState.identity.size) {
    SetFileState(read);  // the same bytes in a new version (touched, or copied back): nothing to show
    return FALSE;
  }
  if (!SwapContents(*fresh)) return FALSE;
  SetModifiedFlag(FALSE);
  SetFileState(read);
  return TRUE;
}

void CDocument::ReportSaveConflict(const CString& savedPath, const CString& keptPath) {
  ReportMessage2(GetSaveConflictPrompt(), savedPath, keptPath);
}

void CDocument::ReportMessage2(UINT id, const CString& first, const CString& second) {
  const CString text = id ? AfxLoadString(id) : CString();
  if (text.IsEmpty()) return;
  const CString message = text.FormatMessage2(platform::DisplayPath(first), platform::DisplayPath(second));
  AfxMessageBox(message, MB_ICONEXCLAMATION);
}

CString CDocument::SaveLoadExceptionMessage(const CString& pathName, const CException* e, BOOL bSaving,
                                            UINT nIDPDefault) {
  if (const auto* fileError = dynamic_cast<const CFileException*>(e); fileError && fileError->m_cause != CFileException::none) {
    const CString& named = fileError->m_strFileName.IsEmpty() ? pathName : fileError->m_strFileName;
    return CFileException::CauseMessageTemplate(fileError->m_cause)
        .FormatMessage1(platform::DisplayPath(AbsolutePath(named)));
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
  if (m_bQuiet) return;
  if (m_pFailureText) {
    *m_pFailureText = SaveLoadExceptionMessage(pathName, e, bSaving, nIDPDefault);
    return;
  }
  AfxMessageBox(SaveLoadExceptionMessage(pathName, e, bSaving, nIDPDefault), MB_ICONEXCLAMATION);
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  if (m_fileState.path == m_strPathName && IsContentUnchanged()) return TRUE;  // nothing of the user's to keep
  CString failure;
  m_pFailureText = &failure;
  const BOOL saved = DoFileSave();  // the handheld saves without asking
  m_pFailureText = nullptr;
  if (saved) return TRUE;
  if (failure.IsEmpty()) failure = PromptText(AFX_IDP_FAILED_TO_SAVE_DOC);
  // The window closes or goes on as asked; the list waits in a copy the message names.
  const CString rescued = WriteRescueCopy();
  const UINT id = GetSaveRescuedPrompt();
  const CString where = rescued.IsEmpty() || id == 0 ? CString() : AfxLoadString(id);
  if (where.IsEmpty()) {
    AfxMessageBox(failure, MB_ICONEXCLAMATION);
    return rescued.IsEmpty() ? FALSE : TRUE;
  }
  AfxMessageBox(failure + CString(u"\n\n") + where.FormatMessage1(platform::DisplayPath(rescued)), MB_ICONEXCLAMATION);
  return TRUE;
}

namespace {

// Takes what an archive stores and only counts and hashes it (the archive hashes what passes through).
class CCountingFile : public CFile {
 public:
  void Write(const void*, UINT count) override { m_count += count; }
  void Flush() override {}
  void Close() override {}
  ULONGLONG Count() const { return m_count; }

 private:
  ULONGLONG m_count = 0;
};

CString StateFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    return platform::PathFromNative(state);
  }
  const char* home = std::getenv("HOME");
  if (!home || *home != '/') return {};
  return platform::PathFromNative(home) + CString(u"/.local/state");
}

}  // namespace

std::uint64_t CDocument::StoreTo(CFile& file, bool hashed) {
  CArchive archive(&file, CArchive::store, CArchive::kDocumentBufferSize);
  archive.m_pDocument = this;
  if (!hashed) archive.SkipContentHash();
  Serialize(archive);
  archive.Close();
  return hashed ? archive.GetContentHash() : 0;
}

BOOL CDocument::IsContentUnchanged() {
  if (!m_fileState.identity.valid || m_fileState.unreadBytes || !m_fileState.hashed) return FALSE;
  const BOOL wasModified = IsModified();
  CCountingFile counter;
  std::uint64_t hash = 0;
  const bool stored = RunOrFail(
      [&] { hash = StoreTo(counter); },
      [](const CException*) {});
  SetModifiedFlag(wasModified);
  return stored && counter.Count() == m_fileState.identity.size && hash == m_fileState.hash ? TRUE : FALSE;
}

CString CDocument::WriteRescueCopy() {
  std::u16string title = (m_strTitle.IsEmpty() ? AfxFrameworkString(AFX_IDS_UNTITLED_TEXT) : m_strTitle).str();
  std::replace(title.begin(), title.end(), u'/', u'_');
  const CString& extension = m_strDefaultExt;
  // The title without its extension: the copy gets the template's.
  if (!extension.IsEmpty() && title.size() > static_cast<std::size_t>(extension.GetLength()) &&
      std::u16string_view(title).ends_with(extension.view())) {
    title.resize(title.size() - static_cast<std::size_t>(extension.GetLength()));
  }
  std::u16string own = AfxGetAppName().str();
  std::transform(own.begin(), own.end(), own.begin(), [](char16_t c) { return c < 0x80 ? std::tolower(c) : c; });
  std::vector<CString> folders{AfxGetDocumentsFolder()};
  if (const CString state = StateFolder(); !state.IsEmpty() && !own.empty()) {
    folders.push_back(state + CString(u"/") + CString(own));
  }
  const BOOL wasModified = IsModified();
  for (const CString& folder : folders) {
    if (folder.IsEmpty() || !MakeFolders(platform::ToNativePath(folder))) continue;
    const CString name = AfxFreeKeptFileName(folder + CString(u"/") + CString(title) + extension, "rescued");
    if (name.IsEmpty()) continue;
    CMirrorFile file;
    file.SetModeLimit(0600);
    if (!file.Open(name, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive)) continue;
    const bool written = RunOrFail(
        [&] {
          StoreTo(file);
          file.Close();
        },
        [&](const CException*) { file.Abort(); });
    SetModifiedFlag(wasModified);
    if (written) return file.GetDivertedName().IsEmpty() ? name : file.GetDivertedName();
  }
  return {};
}

BOOL CDocument::DoFileSave() { return DoSave(m_strPathName); }

BOOL CDocument::DoSave(const CString& pathName, BOOL bReplace) {
  CString newName = pathName;
  if (newName.IsEmpty()) {
    newName = ChooseSaveName();
    if (newName.IsEmpty()) {
      if (m_pFailureText) {
        *m_pFailureText = PromptText(AFX_IDP_FAILED_TO_SAVE_DOC);  // said once, with where the list went
      } else {
        AfxMessageBox(AFX_IDP_FAILED_TO_SAVE_DOC, MB_ICONEXCLAMATION);
      }
      return FALSE;
    }
  }
  if (!OnSaveDocument(newName)) return FALSE;
  // A save that had to go beside the name (something planted there) goes on with the file it wrote.
  if (bReplace) SetPathName(m_fileState.path.IsEmpty() ? newName : m_fileState.path);
  return TRUE;
}

CString CDocument::ChooseSaveName() const {
  const CString folder = AfxGetDocumentsFolder();
  if (folder.IsEmpty() || !MakeFolders(platform::ToNativePath(folder))) return {};
  std::u16string title = (m_strTitle.IsEmpty() ? AfxFrameworkString(AFX_IDS_UNTITLED_TEXT) : m_strTitle).str();
  std::replace(title.begin(), title.end(), u'/', u'_');
  const CString base = folder + CString(u"/") + CString(title);
  const CString& extension = m_strDefaultExt;
  if (!NameTaken(base + extension)) return base + extension;
  for (int n = 1; n < kMaxSaveNameTries; ++n) {
    const CString candidate = base + CString::FromUtf8(std::to_string(n)) + extension;
    if (!NameTaken(candidate)) return candidate;
  }
  return {};
}

BOOL CDocument::HoldFileLock(const CString& pathName) {
  const CString fullPath = AbsolutePath(pathName);
  m_pFileLock = std::make_unique<CFileLock>(true);
  const int failed =
      m_pFileLock->Acquire(platform::ToNativePath(fullPath), CFileLock::Mode::exclusive, CFile::GetLockWait());
  if (failed == 0) return TRUE;
  m_pFileLock.reset();
  const CFileException error(CFileException::OsErrorToCause(failed), failed, fullPath);
  ReportSaveLoadException(pathName, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
  return FALSE;
}

void CDocument::ReleaseFileLock() { m_pFileLock.reset(); }

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
    return AbsolutePath(platform::PathFromNative(configured));
  }
  return CString::FromQString(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}
