// The rendezvous folder checked for owner and modes before use, the lock taken with flock, and every socket
// peer checked to be this user; a later start asks again while the first is starting, and never runs beside it.
#include "platform/ui/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

using Clock = std::chrono::steady_clock;

// A client that sends more than this without a line end is not one of ours.
constexpr qint64 kMaxRequest = 64;
// An open request carries a path (at most PATH_MAX bytes, each at most three when percent-encoded).
constexpr qint64 kMaxOpenRequest = 16 * 1024;

// Closes a descriptor when it goes.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : m_fd(fd) {}
  ~ScopedFd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return m_fd; }
  int release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString OsError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The user at the other end of a connected local socket, or -1 when the kernel does not say.
long long PeerUid(int fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials) return -1;
  return credentials.uid;
}

bool FromThisUser(int fd) { return PeerUid(fd) == static_cast<long long>(::geteuid()); }

// The folder's parent must not let others rename the folder away: not writable by others, or sticky (/tmp).
QString ParentProblem(const QString& parent) {
  struct stat info {};
  if (::stat(Native(parent).constData(), &info) != 0)
    return QStringLiteral("%1 cannot be read (%2)").arg(parent, OsError(errno));
  if ((info.st_mode & S_IWOTH) && !(info.st_mode & S_ISVTX)) {
    return QStringLiteral("%1 can be written by every user and is not sticky").arg(parent);
  }
  return {};
}

// The user's own cache folder: $XDG_CACHE_HOME when it is absolute, else ~/.cache; empty without either.
QString CacheFolder() {
  const QString configured = qEnvironmentVariable("XDG_CACHE_HOME");
  if (configured.startsWith(u'/')) return configured;
  const QString home = qEnvironmentVariable("HOME");
  return home.startsWith(u'/') ? home + QStringLiteral("/.cache") : QString();
}

// The folder of the rendezvous: the given one, $XDG_RUNTIME_DIR, else <cache>/<name>, made 0700 in the user's
// own cache folder (a shared temporary folder would let another user make the name first). Empty, with the
// reason in `problem`, when none is safe.
QString RendezvousFolder(const QString& name, const QString& given, QString& problem) {
  if (!given.isEmpty()) {
    problem = CInstanceLock::FolderProblem(given, false);
    return problem.isEmpty() ? given : QString();
  }
  QStringList reasons;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) {
    const QString runtimeProblem = CInstanceLock::FolderProblem(runtime, false);
    if (runtimeProblem.isEmpty()) return runtime;
    reasons << QStringLiteral("$XDG_RUNTIME_DIR: ") + runtimeProblem;
  }
  const QString cache = CacheFolder();
  if (cache.isEmpty()) {
    reasons << QStringLiteral("neither XDG_CACHE_HOME nor HOME names a folder");
    problem = reasons.join(QStringLiteral("; "));
    return {};
  }
  const QString own = QStringLiteral("%1/%2").arg(cache, name);
  // The cache folder is made as the user's own when missing (closed to others, as a new private folder).
  if (!QFileInfo::exists(cache)) {
    const QString parent = QFileInfo(cache).absolutePath();
    if (QFileInfo(parent).isDir()) ::mkdir(Native(cache).constData(), 0700);
  }
  QString ownProblem = ParentProblem(cache);
  if (ownProblem.isEmpty()) {
    // A folder this call makes is ours and closed from the start; umask may only have taken bits away.
    if (::mkdir(Native(own).constData(), 0700) == 0) ::chmod(Native(own).constData(), 0700);
    ownProblem = CInstanceLock::FolderProblem(own, true);
  }
  if (ownProblem.isEmpty()) return own;
  reasons << ownProblem;
  problem = reasons.join(QStringLiteral("; "));
  return {};
}

}  // namespace

// ---- the lock -------------------------------------------------------------------------------------------

CInstanceLock::CInstanceLock(const QString& name, const QString& runtimeDir) {
  m_folder = RendezvousFolder(name, runtimeDir, m_problem);
}

CInstanceLock::~CInstanceLock() {
  // Closing the descriptor releases the flock. The lock file itself stays: removing it would let a start that
  // still has the old file open and one that makes a new file both hold "the" lock.
  if (m_fd >= 0) ::close(m_fd);
}

QString CInstanceLock::FolderProblem(const QString& path, bool privateOnly) {
  struct stat info {};
  if (::lstat(Native(path).constData(), &info) != 0)
    return QStringLiteral("%1 cannot be used (%2)").arg(path, OsError(errno));
  if (S_ISLNK(info.st_mode)) return QStringLiteral("%1 is a symbolic link").arg(path);
  if (!S_ISDIR(info.st_mode)) return QStringLiteral("%1 is not a folder").arg(path);
  if (info.st_uid != ::geteuid())
    return QStringLiteral("%1 belongs to user %2").arg(path, QString::number(info.st_uid));
  const QString mode = QString::number(info.st_mode & 07777, 8).rightJustified(4, u'0');
  if (privateOnly && (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return QStringLiteral("%1 is open to other users (mode %2, not 0700)").arg(path, mode);
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return QStringLiteral("%1 can be written by other users (mode %2)").arg(path, mode);
  if ((info.st_mode & S_IRWXU) != S_IRWXU) return QStringLiteral("%1 is closed to its owner (mode %2)").arg(path, mode);
  return {};
}

CInstanceLock::Take CInstanceLock::TryTake(const QString& lockPath) {
  if (m_holds) return Take::taken;
  if (m_folder.isEmpty()) return Take::unsafe;
  if (m_fd < 0) {
    // O_NOFOLLOW: a link planted at the name is refused; O_NONBLOCK: a FIFO there does not hang the start.
    ScopedFd fd(
        ::open(Native(lockPath).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd.get() < 0) {
      m_problem = QStringLiteral("the lock file %1 cannot be opened (%2)").arg(lockPath, OsError(errno));
      return Take::unsafe;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
      m_problem = QStringLiteral("the lock file %1 is not a file of this user").arg(lockPath);
      return Take::unsafe;
    }
    // Anybody who can open the file can hold its lock: in a runtime folder others may look into, it stays 0600.
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) ::fchmod(fd.get(), 0600);
    m_fd = fd.release();
  }
  if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
    m_holds = true;
    return Take::taken;
  }
  if (errno == EWOULDBLOCK || errno == EINTR) return Take::held;
  m_problem = QStringLiteral("the lock file %1 cannot be locked (%2)").arg(lockPath, OsError(errno));
  return Take::unsafe;
}

// ---- the rendezvous -------------------------------------------------------------------------------------

CSingleInstance::CSingleInstance(const QString& name, const QString& exePath, const QString& runtimeDir)
    : m_lock(name, runtimeDir),
      m_lockName(m_lock.Folder().isEmpty() ? QString() : LockNameFor(name, exePath, m_lock.Folder())) {}

CSingleInstance::~CSingleInstance() {
  // The socket goes while the lock is still held, so it never removes the socket of an instance after this one.
  if (m_server) {
    m_server->close();
    m_server.reset();
    ::unlink(Native(m_lockName).constData());
  }
}

QString CSingleInstance::NameOf(const QString& appName) {
  QString name = appName.toLower();
  for (QChar& c : name) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_';
    if (!plain) c = u'_';
  }
  return name;
}

QString CSingleInstance::LockNameFor(const QString& name, const QString& exePath, const QString& runtimeDir) {
  QString path = exePath;
  path.replace(u'\\', u'/');
  // The path is hashed so that any path gives a short, valid socket name.
  const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  const QString socket =
      QStringLiteral("%1-%2-%3").arg(name, QString::number(::geteuid()), QString::fromLatin1(digest));
  QString problem;
  const QString folder = runtimeDir.isEmpty() ? RendezvousFolder(name, {}, problem) : runtimeDir;
  return folder.isEmpty() ? QString() : QDir(folder).filePath(socket);
}

CSingleInstance::Answer CSingleInstance::AskOnce(std::chrono::milliseconds answerTimeout) const {
  const QByteArray path = Native(m_lockName);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) return Answer::nobody;
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  ScopedFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) return Answer::nobody;
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // A full backlog means somebody listens but does not take connections.
    return errno == EAGAIN ? Answer::silent : Answer::nobody;
  }
  // A listener of another user is nobody this start may believe.
  if (!FromThisUser(fd.get())) return Answer::nobody;
  if (::send(fd.get(), m_request.constData(), static_cast<std::size_t>(m_request.size()), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(m_request.size())) {
    return Answer::silent;
  }
  const auto deadline = Clock::now() + answerTimeout;
  std::string answer;
  while (answer.find('\n') == std::string::npos && answer.size() < kMaxRequest) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd waiting{fd.get(), POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char chunk[kMaxRequest];
    const ssize_t got = ::recv(fd.get(), chunk, sizeof chunk, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) break;
    answer.append(chunk, static_cast<std::size_t>(got));
  }
  if (answer == kRaised) return Answer::raised;
  if (answer == kNoWindow) return Answer::noWindow;
  return Answer::silent;
}

CSingleInstance::Outcome CSingleInstance::Start(RaiseHandler handler, int tries, std::chrono::milliseconds pause) {
  int noWindow = 0;
  int silent = 0;
  while (true) {
    switch (m_lock.TryTake(m_lockName + QStringLiteral(".lock"))) {
      case CInstanceLock::Take::unsafe:
        return Outcome::unsafe;
      case CInstanceLock::Take::taken:
        m_raise = std::move(handler);
        ListenOnSocket();  // without a socket this instance still holds the lock: later starts end
        return Outcome::first;
      case CInstanceLock::Take::held:
        break;
    }
    const auto started = Clock::now();
    switch (AskOnce(pause)) {
      case Answer::raised:
        return Outcome::raised;
      case Answer::noWindow:
        // The running instance is still starting: the platform's patience, 40 tries 250 ms apart.
        if (++noWindow >= tries) return Outcome::unanswered;
        break;
      case Answer::silent:
      case Answer::nobody:
        // Busy, hung, or between its lock and its socket: a short grace, never a second instance.
        if (++silent >= kSilentTries) return Outcome::unanswered;
        break;
    }
    const auto spent = Clock::now() - started;
    if (spent < pause) std::this_thread::sleep_for(pause - spent);
  }
}

bool CSingleInstance::ReachRunningInstance(int tries, std::chrono::milliseconds pause) {
  for (int attempt = 0; attempt < tries; ++attempt) {
    const auto started = Clock::now();
    switch (AskOnce(pause)) {
      case Answer::raised:
        return true;
      case Answer::nobody:
        return false;
      case Answer::noWindow:
      case Answer::silent:
        break;
    }
    const auto spent = Clock::now() - started;
    if (attempt + 1 < tries && spent < pause) std::this_thread::sleep_for(pause - spent);
  }
  return false;
}

bool CSingleInstance::ListenOnSocket() {
  const QByteArray path = Native(m_lockName);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  // Whatever is at the name was left by an instance of this user that has gone (the lock is ours): a socket,
  // or an empty directory.
  if (::unlink(path.constData()) != 0 && (errno == EISDIR || errno == EPERM)) ::rmdir(path.constData());
  ScopedFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return false;
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
  ::chmod(path.constData(), 0600);
  if (::listen(fd.get(), 16) != 0) return false;
  m_server = std::make_unique<QLocalServer>();
  if (!m_server->listen(static_cast<qintptr>(fd.get()))) {
    m_server.reset();
    return false;
  }
  fd.release();
  AnswerConnections();
  return true;
}

void CSingleInstance::AnswerConnections() {
  QLocalServer* server = m_server.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
    while (QLocalSocket* client = server->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      // Another user's process gets nothing, not even an answer.
      if (!FromThisUser(static_cast<int>(client->socketDescriptor()))) {
        client->abort();
        client->deleteLater();
        continue;
      }
      QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
        if (!client->canReadLine()) {
          if (client->bytesAvailable() > kMaxOpenRequest) client->abort();
          return;
        }
        const QByteArray request = client->readLine(kMaxOpenRequest + 1);
        const bool raised = AnswerRequest(request);
        client->write(raised ? kRaised : kNoWindow);
        client->flush();
        client->disconnectFromServer();
      });
    }
  });
}

void CSingleInstance::SetFileToOpen(const QByteArray& nativePath) {
  m_request = kOpenRequest + nativePath.toPercentEncoding() + '\n';
}

bool CSingleInstance::AnswerRequest(const QByteArray& request) {
  if (request == kRaiseRequest) return m_raise && m_raise();
  const qsizetype prefix = static_cast<qsizetype>(sizeof kOpenRequest - 1);
  if (!m_open || !request.startsWith(kOpenRequest) || !request.endsWith('\n') || request.size() <= prefix + 1) {
    return false;
  }
  return m_open(QByteArray::fromPercentEncoding(request.mid(prefix).chopped(1)));
}

bool CSingleInstance::IsListening() const { return m_server && m_server->isListening(); }
