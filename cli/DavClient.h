// The HTTP side of tvq sync: one request at a time to one CalDAV collection over Qt Network, with Basic
// credentials, no redirects followed, a timeout, and every failure turned into one message (DavError).
#pragma once

#include <QString>
#include <QUrl>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/SyncCredentials.h"

class QNetworkAccessManager;

namespace tvqcli {

// A request that could not be done or that the server refused in a way the sync cannot go on from.
class DavError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DavAnswer {
  int status = 0;
  std::string body;
  std::optional<std::string> etag;  // the ETag header, when sent
};

struct DavRequest {
  QByteArray verb;                   // GET, PUT, PROPFIND, REPORT
  QUrl url;
  std::string body;
  QByteArray contentType;
  std::map<QByteArray, QByteArray> headers;  // Depth, If-Match, If-None-Match
};

class DavClient {
 public:
  // The collection URL must be https://, or http:// on a loopback address; otherwise UsageError.
  DavClient(const QUrl& collection, std::optional<Credentials> credentials, int timeoutMs);
  ~DavClient();
  DavClient(const DavClient&) = delete;
  DavClient& operator=(const DavClient&) = delete;

  // Sends the request and returns any status the caller handles itself (2xx, 404, 409, 412, 403 of a sync
  // report); throws DavError for what no caller can go on from (transport and TLS errors, timeouts, redirects,
  // 401, 5xx).
  DavAnswer Send(const DavRequest& request);
  const QUrl& Collection() const { return m_collection; }
  int RequestCount() const { return m_requests; }

 private:
  QUrl m_collection;
  std::optional<Credentials> m_credentials;
  int m_timeoutMs;
  int m_requests = 0;
  std::unique_ptr<QNetworkAccessManager> m_network;
};

// Throws UsageError unless the URL may carry credentials: https, or http to a loopback address.
void CheckCollectionUrl(const QUrl& url);
// What a status means for the user, for messages: "401 (the user name or password was not accepted)".
std::string DescribeStatus(int status);

}  // namespace tvqcli
