// The single-instance lock: a per-user local socket whose name comes from the executable's full path. The
// first instance listens on it; a later start connects and asks it to bring its main window to the front, and
// then ends. A socket file left by a crashed instance refuses connections and is removed, so it never blocks a
// start.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QString>

class QLocalServer;

class CSingleInstance {
 public:
  // exePath: the executable's full path (backslashes count as slashes, as the platform's lock names do).
  // runtimeDir: the per-user folder of the socket; empty: $XDG_RUNTIME_DIR, else the temporary folder.
  explicit CSingleInstance(const QString& exePath, const QString& runtimeDir = {});
  ~CSingleInstance();
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // The socket's full path: "<runtime dir>/tarvelquist-<uid>-<hash of the path>".
  const QString& LockName() const { return m_lockName; }
  static QString LockNameFor(const QString& exePath, const QString& runtimeDir);

  // TRUE when a running instance brought its window to the front (this process then ends). While the lock is
  // held but no window answers, tries `tries` times `pause` apart; FALSE when nobody holds the lock, when the
  // lock is stale, or when the tries run out.
  bool ReachRunningInstance(int tries = 40, std::chrono::milliseconds pause = std::chrono::milliseconds(250));

  // What this instance does when a later start reaches it: bring the main window to the front; FALSE when
  // there is no visible main window yet.
  using RaiseHandler = std::function<bool()>;
  // Takes the lock (removing a stale one) and answers later starts with the handler. FALSE when another
  // instance took the lock in the meantime; the program then runs without it.
  bool Listen(RaiseHandler handler);
  bool IsListening() const;

  // The request and the answers on the channel, one line each.
  static constexpr char kRaiseRequest[] = "raise\n";
  static constexpr char kRaised[] = "raised\n";
  static constexpr char kNoWindow[] = "nowindow\n";

 private:
  enum class Attempt { raised, noWindow, noLock };
  Attempt TryOnce(std::chrono::milliseconds answerTimeout) const;

  QString m_lockName;
  std::unique_ptr<QLocalServer> m_server;
  RaiseHandler m_raise;
};
