// CMirrorFile: a CFile opened for writing that writes a temporary file beside the target and renames it over the
// target only when every byte is written and flushed (the previous file survives any failed save, and keeps its
// permissions, owner and group where permitted). A target with other names (hard links) is written in place
// instead, after a synced copy of its old bytes beside it. Also the names under which a save keeps a replaced
// file beside the target.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/CFile.h"

class CFileLock;

class CMirrorFile : public CFile {
 public:
  CMirrorFile();
  ~CMirrorFile() override;
  // With modeCreate|modeWrite the bytes go to a temporary file in the same folder (unnamed where the file
  // system allows, so that not even a killed process leaves it behind). The target must be a regular file or
  // not exist; the writers' lock of the target is taken here and held until the rename.
  BOOL Open(const CString& fileName, UINT openFlags, CFileException* error = nullptr) override;
  // Writes on, and every kWritebackStep bytes asks the disk to start writing what came before, without
  // waiting: the fsync at Close then waits for less. What makes the save durable is still that fsync.
  void Write(const void* buffer, UINT count) override;
  static constexpr ULONGLONG kWritebackStep = ULONGLONG{512} << 10;
  // Flushes, syncs and renames the temporary file over the target (keeping the target's permissions).
  void Close() override;
  // Removes the temporary file; the target stays as it was.
  void Abort() override;

  // Asked at the rename about the file being replaced, given a descriptor open on it: dropped, or kept under a
  // free name beside the target: "NAME (conflict YYYY-MM-DD HHMMSS).EXT" for another writer's version,
  // "NAME (original ...).EXT" for a file whose bytes were not all understood when it was read.
  enum class Displaced { drop, keepConflict, keepOriginal };
  using DisplacedCheck = std::function<Displaced(int fd)>;
  void SetDisplacedCheck(DisplacedCheck check) { m_displacedCheck = std::move(check); }
  // What the name held when the document read or wrote it: the link it went through (invalid: no link). Set
  // before Open, it makes the save replace only that: a link, folder, device or other special file found at
  // the name instead (planted since) stays untouched and the save goes beside it under a conflict name.
  void SetRememberedEntry(const CFileIdentity& link) {
    m_rememberedLink = link;
    m_checkEntry = true;
  }
  // The permissions the saved file may have at most (the mode the document read); the file gets the
  // stricter of this and what is on disk, so a save never widens them.
  void SetModeLimit(unsigned mode) { m_modeLimit = mode & 07777; }
  // After Close: where the replaced file was kept (empty when nothing was kept) and why, whether the save went
  // beside the name under a conflict name (GetDivertedName) and what was written.
  const CString& GetKeptName() const { return m_strKeptName; }
  Displaced GetKeptReason() const { return m_keptReason; }
  const CString& GetDivertedName() const { return m_strDivertedName; }
  const CFileIdentity& GetWrittenIdentity() const { return m_writtenIdentity; }
  unsigned GetWrittenMode() const { return m_targetMode; }
  // Removes what killed saves of fileName may have left beside it: regular files of this user named as this
  // class names its temporary files. Called under the writers' lock.
  static void RemoveLeftoverTemporaries(const CString& fileName);
  // The temporary name's stem beside target ("/d/.NAME."), short enough that stem + 6 characters is a legal
  // name wherever target's name is.
  static std::string TemporaryStem(const std::string& target);

 private:
  int CreateTemporary();
  int NameTemporary();
  int Commit();
  int SettleDisplaced(const std::string& displaced, const std::string& target);
  int KeepAside(const std::string& from, bool linkOnly, Displaced reason);
  int Divert();
  int WriteInPlace(const std::string& mirror, const std::string& target);
  int CheckEntry(const std::string& named);
  int MoveToFreeName(const std::string& from, bool linkOnly, const std::function<CString(int)>& nameFor,
                     CString& movedTo);

  CString m_strMirrorName;  // the temporary file's name once it has one; empty while unnamed or not mirroring
  CString m_strRenameTarget;  // where the finished file goes: the target, or the file a link points to
  bool m_mirroring = false;
  ULONGLONG m_writebackStarted = 0;  // bytes whose writing to the disk has been started
  ULONGLONG m_writebackPending = 0;  // bytes written after those
  unsigned m_targetMode = 0;  // permissions the finished file gets: the old file's, or new-file defaults
  unsigned m_targetUid = 0;
  unsigned m_targetGid = 0;
  bool m_targetExists = false;
  std::unique_ptr<CFileLock> m_lock;  // the writers' lock of the target, until the rename
  DisplacedCheck m_displacedCheck;
  CString m_strKeptName;
  Displaced m_keptReason = Displaced::drop;
  CString m_strDivertedName;
  CFileIdentity m_rememberedLink;
  bool m_checkEntry = false;
  unsigned m_modeLimit = 07777;
  CFileIdentity m_writtenIdentity;
};

// The name under which another writer's version of target is kept: "NAME (conflict YYYY-MM-DD HHMMSS).EXT",
// with " 2", " 3", ... before the parenthesis closes for the second and later tries.
CString AfxConflictFileName(const CString& target, const struct tm& when, int attempt);
// The same with another word: "NAME (<word> YYYY-MM-DD HHMMSS).EXT" ("original", "rescued").
CString AfxKeptFileName(const CString& target, const char* word, const struct tm& when, int attempt);
// Names for the attempts 1, 2, ... of one keeping, all with the time of this call.
std::function<CString(int)> AfxKeptNamer(const CString& target, const char* word);
// The first of those names (attempt 1, 2, ...) that nothing takes (a dangling link takes a name); empty when
// a thousand tries are taken.
CString AfxFreeKeptFileName(const CString& target, const char* word);
