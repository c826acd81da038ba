// A QFileSystemWatcher on the file and its folder, set again after every look (a poll when Qt cannot name the
// file); a settle timer gathers the changes, and the reload waits while a dialog, menu or other flow runs.
#include "platform/ui/DocumentWatcher.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

#include "platform/core/CDocument.h"
#include "platform/core/NativePath.h"
#include "platform/ui/ModalLoop.h"

CDocumentWatcher::CDocumentWatcher(CDocument* document, std::function<void()> onReloaded)
    : m_document(document), m_onReloaded(std::move(onReloaded)) {
  m_settle.setSingleShot(true);
  connect(&m_settle, &QTimer::timeout, this, [this] { Check(); });
  connect(&m_poll, &QTimer::timeout, this, [this] { Check(); });
  connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { Changed(); });
  connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { Changed(); });
  m_document->SetFileStateListener([this] { Track(); });
  Track();
}

CDocumentWatcher::~CDocumentWatcher() { m_document->SetFileStateListener({}); }

void CDocumentWatcher::Track() {
  // A file replaced by a rename drops out of the watcher: the paths are set again each time.
  const QStringList watched = m_watcher.files() + m_watcher.directories();
  if (!watched.isEmpty()) m_watcher.removePaths(watched);
  const CString path = m_document->GetFileState().path;
  if (path.IsEmpty()) {
    m_poll.stop();
    return;
  }
  if (platform::HasUndecodableBytes(path)) {  // Qt's watcher cannot name it: look now and then
    if (!m_poll.isActive()) m_poll.start(kPollMs);
    return;
  }
  m_poll.stop();
  m_watcher.addPath(platform::FolderOf(path).ToQString());
  m_watcher.addPath(path.ToQString());
}

bool CDocumentWatcher::FlowInProgress() {
  return CModalLoopScope::Depth() > 0 || QApplication::activeModalWidget() != nullptr ||
         QApplication::activePopupWidget() != nullptr || QThread::currentThread()->loopLevel() > 1;
}

void CDocumentWatcher::Changed() {
  if (!m_settle.isActive() || !m_pendingSince.isValid()) {
    m_pendingSince.start();
    m_settle.start(kSettleMs);
    return;
  }
  // Writes that keep coming put the look off only so long: then it happens between them.
  if (m_pendingSince.elapsed() + kSettleMs <= kMaxDelayMs) m_settle.start(kSettleMs);
}

void CDocumentWatcher::Check() {
  m_pendingSince.invalidate();
  Track();
  const CString path = m_document->GetFileState().path;
  m_triedVersion = path.IsEmpty() ? CFileIdentity() : CFileIdentity::OfPath(path);
  if (!m_document->IsFileChangedOnDisk()) return;
  // A modified list is saved with both versions kept, unless its tasks are still what it read or wrote.
  if (m_document->IsModified() && !m_document->IsContentUnchanged()) return;
  if (FlowInProgress()) {
    m_settle.start(kRetryMs);
    return;
  }
  // A failed reload (gone, half-written, unreadable) changes nothing; the next change tries again.
  if (m_document->ReloadFromFile() && m_onReloaded) m_onReloaded();
  LookAgainIfMoved();
}

void CDocumentWatcher::LookAgainIfMoved() {
  if (m_settle.isActive() || !m_document->IsFileChangedOnDisk()) return;
  const CFileIdentity now = CFileIdentity::OfPath(m_document->GetFileState().path);
  if (now.valid && now == m_triedVersion) return;  // tried as it is: the next change tries again
  m_pendingSince.start();
  m_settle.start(kSettleMs);
}
