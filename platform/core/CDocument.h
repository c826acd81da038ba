// CDocument: the framework's document base. Open, save, the modified flag, the path and title, and the
// handheld's save behaviour: a modified document is saved without asking before it is replaced or closed, and
// a document without a file is saved as <title><ext>, <title>1<ext>, ... (first free name, <ext> the extension
// of its template's string) in the user's documents folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/CCmdTarget.h"
#include "platform/core/CFile.h"
#include "platform/core/CString.h"
#include "platform/core/Exceptions.h"

class CArchive;
class CDocTemplate;
class CFileLock;
class CMirrorFile;
class CView;  // window layer

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument();
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(const CString& title);
  const CString& GetPathName() const { return m_strPathName; }
  // Sets the path and the title (the file's name). There is no recently-used list to add it to.
  virtual void SetPathName(const CString& pathName);

  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

  // Empties the document (called before reuse for New and Open, after a failed load and on close).
  virtual void DeleteContents() {}
  // DeleteContents, clear the path, clear the modified flag.
  virtual BOOL OnNewDocument();
  // Opens the file for reading (others may read, not write), DeleteContents, set modified, Serialize when the
  // file is not empty, clear modified. On failure: DeleteContents again, report, FALSE.
  virtual BOOL OnOpenDocument(const CString& pathName);
  // Writes through a mirror file (the previous file survives a failed save), Serialize, clear modified.
  virtual BOOL OnSaveDocument(const CString& pathName);
  virtual void OnCloseDocument();
  // Shows the framework's message for a failed load or save (exclamation icon).
  virtual void ReportSaveLoadException(const CString& pathName, const CException* e, BOOL bSaving,
                                       UINT nIDPDefault);
  // The message ReportSaveLoadException shows (exposed for programs without windows and for tests).
  static CString SaveLoadExceptionMessage(const CString& pathName, const CException* e, BOOL bSaving,
                                          UINT nIDPDefault);

  // Saves a modified document without asking. When that save fails, the list goes to a rescue copy and the
  // message says what failed and where the list is now: TRUE, and the caller goes on. FALSE only when not even
  // the rescue copy could be written (the caller then stops). A document whose contents are what it last read
  // or wrote is not saved (another writer's later version stays).
  virtual BOOL SaveModified();
  // True when the contents would store exactly the bytes the document last read from or wrote to its file.
  BOOL IsContentUnchanged();
  // Writes the contents to a new file "<title> (rescued YYYY-MM-DD HHMMSS)<ext>" in the documents folder, else
  // in $XDG_STATE_HOME/<application>/ (0600). The file's name, or empty when neither could be written.
  CString WriteRescueCopy();
  // Saves under pathName, or under a chosen name in the documents folder when pathName is empty.
  virtual BOOL DoSave(const CString& pathName, BOOL bReplace = TRUE);
  virtual BOOL DoFileSave();
  // The first free <title><ext>, <title>1<ext>, ... in the documents folder (created when missing);
  // empty when the folder cannot be had.
  virtual CString ChooseSaveName() const;

  // What the document last read from or wrote to its file: which file, which version of it on disk, and a hash
  // of its bytes. A save never replaces another version silently, and the window reloads a changed file.
  struct FileState {
    CString path;  // full path; empty when the document holds no file's contents
    CFileIdentity identity;
    std::uint64_t hash = 0;
    bool unreadBytes = false;  // the read left bytes it did not understand (the first save keeps them aside)
    unsigned mode = 07777;     // the file's permissions: a save never widens them
    CFileIdentity link;        // the symbolic link the path went through (invalid: none)
    bool hashed = true;        // false: the save did not hash what it wrote (hash means nothing)
  };
  const FileState& GetFileState() const { return m_fileState; }
  // True when the file on disk is no longer the version read or written last (changed, replaced or gone).
  BOOL IsFileChangedOnDisk() const;
  // Reads the file again into a document of the same class and, when it loads and its content differs, takes
  // over its contents and clears the modified flag. Nothing is shown and nothing changes when it fails. TRUE when
  // the contents were replaced.
  virtual BOOL ReloadFromFile();
  // For a document that ends with its save (a command-line program's): the save does not hash what it writes.
  // Its file state then knows no hash, so the unchanged-content check, a reload and the next save's version
  // check take the file as changed, never as the same.
  void SetWrittenHashUnused() { m_bHashWrites = false; }
  // The same for what a load reads, for a document that is only read (a listing): its loads hash nothing.
  void SetReadHashUnused() { m_bHashReads = false; }
  // Called whenever the file state changes (open, save, new, reload): the window watches the file anew.
  void SetFileStateListener(std::function<void()> listener) { m_fileStateListener = std::move(listener); }

  // Takes the writers' lock of pathName (waiting briefly for another writer) and holds it until
  // ReleaseFileLock or the document's end, so that a read and the save that follows it are one turn: nobody
  // else's save comes between. FALSE, reported as a load failure, when the lock cannot be had.
  BOOL HoldFileLock(const CString& pathName);
  void ReleaseFileLock();

  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  // Set by CDocTemplate::AddDocument; defaultExtension is what ChooseSaveName appends.
  void SetDocTemplate(CDocTemplate* docTemplate, const CString& defaultExtension = {}) {
    m_pDocTemplate = docTemplate;
    m_strDefaultExt = defaultExtension;
  }

  // Views attached to this document (not owned).
  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return m_viewList; }

 protected:
  void OnFileSave();  // ID_FILE_SAVE
  // Opens the file; a CMirrorFile for writing. Null with *error filled on failure.
  virtual std::unique_ptr<CFile> GetFile(const CString& fileName, UINT openFlags, CFileException* error);
  // Takes the contents of `loaded` (a document of the same class just read by ReloadFromFile), giving it this
  // one's. FALSE when this class cannot (then it is not reloaded).
  virtual BOOL SwapContents(CDocument& loaded);
  // The string resource of the message shown when a save kept another writer's version aside ("%1" the saved
  // file, "%2" where the other version went); 0 for no message. The program's string table has the text.
  virtual UINT GetSaveConflictPrompt() const { return 0; }
  virtual void ReportSaveConflict(const CString& savedPath, const CString& keptPath);
  // The same for the other outcomes of a save, each a string resource of the program (0: no message):
  // the replaced file held bytes the read did not understand and was kept aside (%1 saved, %2 kept);
  // the name held a link or special file planted since the read, and the list went beside it (%1 the name, %2
  // where the list went); a failed save's list went to a rescue copy (%1 the copy; follows the failure's message).
  virtual UINT GetOriginalKeptPrompt() const { return 0; }
  virtual UINT GetSaveDivertedPrompt() const { return 0; }
  virtual UINT GetSaveRescuedPrompt() const { return 0; }
  // The load calls this when it leaves bytes of the file unread on purpose (a count it does not use).
  void NoteUnreadBytes() { m_bUnreadBytes = true; }

  void SetFileState(FileState state);
  // Serializes the document into `file` through a store archive, closed at the end; the hash of what it wrote
  // (0 when not hashed). Leaves the file open: each caller ends it its own way.
  std::uint64_t StoreTo(CFile& file, bool hashed = true);
  // Gives a save over the remembered file its rules: what the name held, the mode, the version check.
  void PrepareSave(CMirrorFile& mirror, const CString& pathName);
  void ReportMessage2(UINT id, const CString& first, const CString& second);
  // Whether the file open on fd still holds the version of m_fileState (same inode and time, or same bytes).
  bool HoldsRememberedVersion(int fd) const;

  CString m_strTitle;
  CString m_strPathName;
  BOOL m_bModified = FALSE;
  CDocTemplate* m_pDocTemplate = nullptr;
  CString m_strDefaultExt;  // the extension of the template's files, with its dot
  std::vector<CView*> m_viewList;
  std::unique_ptr<CFileLock> m_pFileLock;
  FileState m_fileState;
  std::function<void()> m_fileStateListener;
  bool m_bQuiet = false;  // a background reload reports nothing
  bool m_bUnreadBytes = false;
  bool m_bHashWrites = true;
  bool m_bHashReads = true;
  CString* m_pFailureText = nullptr;  // while set, a failed load or save puts its message here instead

  DECLARE_MESSAGE_MAP()
};

// The user's documents folder (XDG documents directory).
CString AfxGetDocumentsFolder();
