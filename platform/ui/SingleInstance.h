// One instance per user. A lock file, held with an exclusive flock by the running instance, decides which start
// is first; beside it the first instance listens on a local socket, through which a later start asks it to
// bring its main window to the front, and then ends. Both live in a folder only the user can reach:
// $XDG_RUNTIME_DIR, else <temp>/<name>-<uid> (made with mode 0700), <name> being the program's (a plain file
// name, such as its application name in lower case). Each side of the socket checks the
// user id at the other end, so no other user can answer for the running instance or ask it for anything.
// Nothing left in the folder (a stale socket, a file, a directory) lets a second instance start: only the
// lock decides, and the kernel drops it with the process that held it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>

class QLocalServer;

// The lock alone (no Qt event objects, so any thread may take it): the folder checks, the lock file and its
// flock.
class CInstanceLock {
 public:
  // name: the program's; runtimeDir: the folder to use; empty: $XDG_RUNTIME_DIR when it is safe, else
  // <temp>/<name>-<uid>.
  explicit CInstanceLock(const QString& name, const QString& runtimeDir = {});
  ~CInstanceLock();
  CInstanceLock(const CInstanceLock&) = delete;
  CInstanceLock& operator=(const CInstanceLock&) = delete;

  // The folder of the rendezvous (empty when none is safe) and, when it is not usable, why (one sentence for
  // the user, naming the folders tried).
  const QString& Folder() const { return m_folder; }
  const QString& Problem() const { return m_problem; }

  enum class Take { taken, held, unsafe };
  // Takes the lock without waiting: taken (this object holds it until it goes), held (another process holds
  // it), or unsafe (no safe folder, or the lock file is not a file of this user's; see Problem()).
  Take TryTake(const QString& lockPath);
  bool Holds() const { return m_holds; }

  // Why `path` cannot hold the rendezvous, or empty when it can: it must be a directory (not a link to one)
  // owned by this user that no other user can write to; with `privateOnly`, that nobody else can enter at all.
  static QString FolderProblem(const QString& path, bool privateOnly);

 private:
  QString m_folder;
  QString m_problem;
  int m_fd = -1;
  bool m_holds = false;
};

class CSingleInstance {
 public:
  // name and runtimeDir: as for CInstanceLock. exePath: the executable's full path (backslashes count as
  // slashes, as the platform's lock names do).
  CSingleInstance(const QString& name, const QString& exePath, const QString& runtimeDir = {});
  ~CSingleInstance();
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // The lock's name for an application's name: in lower case, anything but ASCII letters, digits, '.', '-'
  // and '_' made '_', so that it is one plain file name.
  static QString NameOf(const QString& appName);
  // The socket's full path: "<folder>/<name>-<uid>-<hash of the path>"; the lock file is that + ".lock". Empty
  // when no folder is safe.
  static QString LockNameFor(const QString& name, const QString& exePath, const QString& runtimeDir);
  // Why no safe folder or lock file could be used (after Start gave `unsafe`).
  const QString& Problem() const { return m_lock.Problem(); }

  // What this instance does when a later start reaches it: bring the main window to the front; FALSE when
  // there is no window to show yet.
  using RaiseHandler = std::function<bool()>;
  // What it does when a later start hands it a file (its full path, the bytes as given): open it and come to
  // the front; FALSE as for a raise. Set before Start; without it such a start is answered as having no window.
  using OpenHandler = std::function<bool(const QByteArray& nativePath)>;
  void SetOpenHandler(OpenHandler handler) { m_open = std::move(handler); }
  // This start asks the running instance to open the file (an absolute path, the bytes as given) instead of
  // only to come to the front.
  void SetFileToOpen(const QByteArray& nativePath);

  enum class Outcome {
    first,       // this start holds the lock and answers later starts with the handler: run
    raised,      // the running instance brought its window to the front: end
    unanswered,  // an instance runs but did not show its window: end all the same (never a second instance)
    unsafe,      // the lock cannot be trusted (see Problem()): end
  };
  // The start-up's test. While the running instance answers that it has no window yet, asks `tries` times
  // `pause` apart; an instance that stays silent, or a socket nobody of this user listens on, is given about a
  // second in all. The lock is tried before each question, so a start that follows a closing instance runs.
  Outcome Start(RaiseHandler handler, int tries = 40, std::chrono::milliseconds pause = std::chrono::milliseconds(250));

  // Asks a running instance to bring its window to the front, without taking the lock (a probe): TRUE when it
  // did. Tries again while it answers that it has no window, or does not answer; FALSE at once when nobody of
  // this user listens.
  bool ReachRunningInstance(int tries = 40, std::chrono::milliseconds pause = std::chrono::milliseconds(250));

  // After `first`: whether later starts can reach this instance (they end either way), and the lock.
  bool IsListening() const;
  bool HoldsLock() const { return m_lock.Holds(); }

  // The request and the answers on the channel, one line each.
  static constexpr char kRaiseRequest[] = "raise\n";
  static constexpr char kOpenRequest[] = "open ";  // then the path's bytes, percent-encoded, and "\n"
  static constexpr char kRaised[] = "raised\n";
  static constexpr char kNoWindow[] = "nowindow\n";

  // How many silent or unreachable tries a start gives a held lock before it gives up.
  static constexpr int kSilentTries = 4;

 private:
  enum class Answer { raised, noWindow, silent, nobody };
  Answer AskOnce(std::chrono::milliseconds answerTimeout) const;
  bool ListenOnSocket();
  void AnswerConnections();
  // A request's answer: whether the window came to the front (and took the file).
  bool AnswerRequest(const QByteArray& request);

  CInstanceLock m_lock;
  QString m_lockName;
  std::unique_ptr<QLocalServer> m_server;
  RaiseHandler m_raise;
  OpenHandler m_open;
  QByteArray m_request = kRaiseRequest;
};
