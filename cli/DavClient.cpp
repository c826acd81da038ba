// Each request waits in a local event loop for its reply or the timer, and a redirect is an answer like any
// other; the collection's URL must be https, or http on a loopback host, and carry no credentials.
#include "cli/DavClient.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "cli/Errors.h"

namespace tvqcli {
namespace {

bool IsLoopback(const QString& host) {
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
  const QHostAddress address(host);
  return !address.isNull() && address.isLoopback();
}

std::string Url(const QUrl& url) { return url.toDisplayString(QUrl::RemoveUserInfo).toStdString(); }

}  // namespace

void CheckCollectionUrl(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) throw UsageError("--url is not a URL: '" + Url(url) + "'");
  if (!url.userInfo().isEmpty()) {
    throw UsageError("--url must not hold a user or password; use --user and --password-file or ~/.netrc");
  }
  if (url.scheme() == QLatin1String("https")) return;
  if (url.scheme() == QLatin1String("http") && IsLoopback(url.host())) return;
  throw UsageError("--url must begin with https:// (http:// only for this machine's own loopback address)");
}

std::string DescribeStatus(int status) {
  std::string text = std::to_string(status);
  if (status == 401) return text + " (the user name or password was not accepted)";
  if (status == 403) return text + " (the server does not allow this user to do that)";
  if (status == 404) return text + " (no such collection on the server; check --url)";
  if (status >= 300 && status < 400) return text + " (the server sends the client elsewhere; give the new URL with --url)";
  if (status >= 500) return text + " (the server failed; try again later)";
  return text;
}

DavClient::DavClient(const QUrl& collection, std::optional<Credentials> credentials, int timeoutMs)
    : m_collection(collection), m_credentials(std::move(credentials)), m_timeoutMs(timeoutMs) {
  CheckCollectionUrl(collection);
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "tvq";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
  }
  m_network = std::make_unique<QNetworkAccessManager>();
  m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

DavClient::~DavClient() = default;

DavAnswer DavClient::Send(const DavRequest& request) {
  ++m_requests;
  QNetworkRequest message(request.url);
  message.setTransferTimeout(m_timeoutMs);
  message.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  message.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  if (!request.contentType.isEmpty()) message.setRawHeader("Content-Type", request.contentType);
  for (const auto& [name, value] : request.headers) message.setRawHeader(name, value);
  if (m_credentials) {
    const QByteArray pair = QByteArray::fromStdString(m_credentials->user + ":" + m_credentials->password);
    message.setRawHeader("Authorization", "Basic " + pair.toBase64());
  }
  QBuffer body;
  body.setData(QByteArray::fromStdString(request.body));
  body.open(QIODevice::ReadOnly);
  std::unique_ptr<QNetworkReply> reply(m_network->sendCustomRequest(message, request.verb, &body));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();

  const std::string where = request.verb.toStdString() + " " + Url(request.url);
  DavAnswer answer;
  answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QNetworkReply::NetworkError error = reply->error();
  if (answer.status == 0) {
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
      throw DavError(where + ": no answer within " + std::to_string(m_timeoutMs / 1000) + " seconds");
    }
    if (error == QNetworkReply::SslHandshakeFailedError) {
      throw DavError(where + ": the secure connection failed (" + reply->errorString().toStdString() + ")");
    }
    throw DavError(where + ": " + reply->errorString().toStdString());
  }
  answer.body = reply->readAll().toStdString();
  if (reply->hasRawHeader("ETag")) answer.etag = reply->rawHeader("ETag").trimmed().toStdString();
  if ((answer.status >= 300 && answer.status < 400) || answer.status == 401 || answer.status >= 500) {
    std::string message = where + ": the server answered " + DescribeStatus(answer.status);
    if (answer.status >= 300 && answer.status < 400 && reply->hasRawHeader("Location")) {
      message += " to " + reply->rawHeader("Location").toStdString();
    }
    throw DavError(message);
  }
  return answer;
}

}  // namespace tvqcli
