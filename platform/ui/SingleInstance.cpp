#include "platform/ui/SingleInstance.h"

#include <unistd.h>

#include <thread>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

// A client that sends more than this without a line end is not one of ours.
constexpr qint64 kMaxRequest = 64;

QString RuntimeDir(const QString& given) {
  if (!given.isEmpty()) return given;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
  return QDir::tempPath();
}

}  // namespace

CSingleInstance::CSingleInstance(const QString& exePath, const QString& runtimeDir)
    : m_lockName(LockNameFor(exePath, runtimeDir)) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::LockNameFor(const QString& exePath, const QString& runtimeDir) {
  QString path = exePath;
  path.replace(u'\\', u'/');
  // The path is hashed so that any path gives a short, valid socket name; the user id keeps users apart in a
  // shared temporary folder.
  const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  const QString name = QStringLiteral("tarvelquist-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
  return QDir(RuntimeDir(runtimeDir)).filePath(name);
}

CSingleInstance::Attempt CSingleInstance::TryOnce(std::chrono::milliseconds answerTimeout) const {
  QLocalSocket socket;
  socket.connectToServer(m_lockName);
  if (!socket.waitForConnected(static_cast<int>(answerTimeout.count()))) {
    const auto error = socket.error();
    // No socket, or a socket file nobody listens on (left by a crashed instance): nobody holds the lock.
    if (error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError) {
      return Attempt::noLock;
    }
    return Attempt::noWindow;
  }
  socket.write(kRaiseRequest);
  QDeadlineTimer deadline(answerTimeout);
  QByteArray answer;
  while (!answer.contains('\n') && answer.size() < kMaxRequest) {
    if (socket.bytesAvailable() == 0 &&
        !socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)))) {
      break;
    }
    answer += socket.readAll();
    if (deadline.hasExpired()) break;
  }
  socket.abort();
  return answer == kRaised ? Attempt::raised : Attempt::noWindow;
}

bool CSingleInstance::ReachRunningInstance(int tries, std::chrono::milliseconds pause) {
  for (int attempt = 0; attempt < tries; ++attempt) {
    const auto started = std::chrono::steady_clock::now();
    switch (TryOnce(pause)) {
      case Attempt::raised:
        return true;
      case Attempt::noLock:
        return false;
      case Attempt::noWindow:
        break;
    }
    // The running instance has no window yet (it is still starting) or did not answer: wait and ask again.
    const auto spent = std::chrono::steady_clock::now() - started;
    if (attempt + 1 < tries && spent < pause) std::this_thread::sleep_for(pause - spent);
  }
  return false;
}

bool CSingleInstance::Listen(RaiseHandler handler) {
  m_raise = std::move(handler);
  m_server = std::make_unique<QLocalServer>();
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(m_lockName)) {
    if (m_server->serverError() != QAbstractSocket::AddressInUseError) return false;
    // A socket file is there: taken over only when nobody answers on it.
    if (TryOnce(std::chrono::milliseconds(250)) != Attempt::noLock) return false;
    QLocalServer::removeServer(m_lockName);
    if (!m_server->listen(m_lockName)) return false;
  }
  QLocalServer* server = m_server.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
    while (QLocalSocket* client = server->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
        if (!client->canReadLine()) {
          if (client->bytesAvailable() > kMaxRequest) client->abort();
          return;
        }
        const QByteArray request = client->readLine(kMaxRequest);
        const bool raised = request == kRaiseRequest && m_raise && m_raise();
        client->write(raised ? kRaised : kNoWindow);
        client->flush();
        client->disconnectFromServer();
      });
    }
  });
  return true;
}

bool CSingleInstance::IsListening() const { return m_server && m_server->isListening(); }
