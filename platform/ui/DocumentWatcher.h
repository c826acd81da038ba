// CDocumentWatcher: the window's eye on its document's file. Other writers (a command-line tool, a sync tool,
// another machine on a shared folder, an editor) may change the file while it is open. The file and its folder are
// watched (an atomic rename by another writer shows in the folder); a short while after the last change (and
// within a second of the first, however often the writes come), an unmodified document whose file holds a new
// version is reloaded and its views rebuilt, without a word. A document whose contents are exactly what it read
// or wrote counts as unmodified here. A version that arrives while a reload runs is looked at afterwards.
//
// A reload never lands in the middle of a flow. It runs only from the window's own event loop, and only while
// no modal dialog, popup or nested event loop is active. Every flow that holds a task index (edit, insert,
// delete, move, sort) runs inside one command handler and reaches the event loop again only through a modal
// dialog or message box, so no index taken before a reload is used after it. A flow that changes a task makes
// the document modified, and a modified document is never reloaded: its save keeps both versions instead.
#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "platform/core/CFile.h"

class CDocument;

class CDocumentWatcher : public QObject {
 public:
  // onReloaded runs after the document took the file's new contents (the views are rebuilt there).
  CDocumentWatcher(CDocument* document, std::function<void()> onReloaded);
  ~CDocumentWatcher() override;
  CDocumentWatcher(const CDocumentWatcher&) = delete;
  CDocumentWatcher& operator=(const CDocumentWatcher&) = delete;

  // The document's file state changed: watch what it names now.
  void Track();
  // True while a reload would interrupt a flow (a modal dialog, a popup, a nested event loop).
  static bool FlowInProgress();

  static constexpr int kSettleMs = 150;   // changes come in bursts: wait for quiet
  static constexpr int kMaxDelayMs = 800; // ... but never put a reload off longer while writes keep coming
  static constexpr int kRetryMs = 250;    // while a flow is in progress, look again this often
  static constexpr int kPollMs = 1000;    // a name Qt cannot watch (not UTF-8) is looked at this often

 private:
  void Changed();
  void Check();
  // After the watches are set again: a change that landed while they were off (during a reload) is looked at
  // once more, unless that very version was already tried and could not be read.
  void LookAgainIfMoved();

  CDocument* m_document;
  std::function<void()> m_onReloaded;
  QFileSystemWatcher m_watcher;
  QTimer m_settle;
  QTimer m_poll;
  QElapsedTimer m_pendingSince;  // the first change not yet looked at
  CFileIdentity m_triedVersion;  // the last version on disk a check looked at
};
