// The collection's requests built from DavXml bodies: sync-collection first, a Depth 1 PROPFIND when the
// server refuses the token, calendar-multiget for the text, and If-Match or If-None-Match on every PUT.
#include "cli/DavCollection.h"

#include "cli/DavXml.h"

namespace tvqcli {
namespace {

constexpr std::size_t kMultigetBatch = 500;
constexpr int kMultiStatus = 207;

DavRequest XmlRequest(const char* verb, const QUrl& url, std::string body, const char* depth) {
  DavRequest request{verb, url, std::move(body), "application/xml; charset=utf-8", {}};
  request.headers.emplace("Depth", depth);
  return request;
}

davxml::Multistatus Parse(const DavAnswer& answer) {
  try {
    return davxml::ParseMultistatus(answer.body);
  } catch (const davxml::DavXmlError& error) {
    throw DavError(error.what());
  }
}

}  // namespace

std::string DavCollection::Key(const std::string& href) const {
  const QUrl resolved = m_client.Collection().resolved(QUrl(QString::fromStdString(href)));
  return resolved.path(QUrl::FullyDecoded).toStdString();
}

std::string DavCollection::NewHref(const std::string& uid) const {
  return m_client.Collection().path(QUrl::FullyEncoded).toStdString() + uid + ".ics";
}

bool DavCollection::IsCollection(const std::string& href) const {
  std::string key = Key(href);
  std::string own = Key(m_client.Collection().path(QUrl::FullyEncoded).toStdString());
  while (!key.empty() && key.back() == '/') key.pop_back();
  while (!own.empty() && own.back() == '/') own.pop_back();
  return key == own;
}

void DavCollection::Fail(const char* what, const DavAnswer& answer) const {
  throw DavError(std::string(what) + " " + m_client.Collection().toDisplayString(QUrl::RemoveUserInfo).toStdString() +
                 ": the server answered " + DescribeStatus(answer.status));
}

ServerListing DavCollection::List(const std::string& syncToken) {
  if (!syncToken.empty()) {
    bool tokenRefused = false;
    ServerListing listing = ReportChanges(syncToken, tokenRefused);
    if (!tokenRefused) return listing;
  }
  return ListAll();
}

ServerListing DavCollection::ReportChanges(const std::string& syncToken, bool& tokenRefused) {
  const DavAnswer answer = m_client.Send(
      XmlRequest("REPORT", m_client.Collection(), davxml::SyncCollectionBody(syncToken), "0"));
  if ((answer.status == 403 || answer.status == 409 || answer.status == 400) && davxml::IsSyncTokenError(answer.body)) {
    tokenRefused = true;
    return {};
  }
  // A server without sync reports answers a bad or unsupported report: list every ETag instead.
  if (answer.status == 403 || answer.status == 400 || answer.status == 501 || answer.status == 415) {
    tokenRefused = true;
    return {};
  }
  if (answer.status != kMultiStatus) Fail("sync report of", answer);
  const davxml::Multistatus multistatus = Parse(answer);
  ServerListing listing;
  listing.syncToken = multistatus.syncToken.value_or("");
  for (const davxml::DavResponse& response : multistatus.responses) {
    if (IsCollection(response.href) || response.isCollection) continue;
    const std::string key = Key(response.href);
    listing.hrefs[key] = response.href;
    if (response.status == 404) {
      listing.removed.insert(key);
    } else {
      listing.etags[key] = response.etag.value_or("");  // reported without an ETag: read it to be sure
    }
  }
  return listing;
}

ServerListing DavCollection::ListAll() {
  const DavAnswer answer = m_client.Send(XmlRequest("PROPFIND", m_client.Collection(), davxml::PropfindEtagsBody(), "1"));
  if (answer.status != kMultiStatus) Fail("listing of", answer);
  const davxml::Multistatus multistatus = Parse(answer);
  ServerListing listing;
  listing.complete = true;
  listing.syncToken = multistatus.syncToken.value_or("");
  for (const davxml::DavResponse& response : multistatus.responses) {
    if (IsCollection(response.href) || response.isCollection || !response.etag) continue;
    const std::string key = Key(response.href);
    listing.hrefs[key] = response.href;
    listing.etags[key] = *response.etag;
  }
  return listing;
}

std::vector<FetchedItem> DavCollection::Fetch(const std::vector<std::string>& hrefs) {
  std::vector<FetchedItem> items;
  for (std::size_t first = 0; first < hrefs.size(); first += kMultigetBatch) {
    const std::vector<std::string> batch(hrefs.begin() + static_cast<std::ptrdiff_t>(first),
                                         hrefs.begin() + static_cast<std::ptrdiff_t>(std::min(hrefs.size(), first + kMultigetBatch)));
    const DavAnswer answer =
        m_client.Send(XmlRequest("REPORT", m_client.Collection(), davxml::MultigetBody(batch), "1"));
    if (answer.status != kMultiStatus) Fail("fetching items of", answer);
    for (davxml::DavResponse& response : Parse(answer).responses) {
      if (response.status != 200 || !response.etag || !response.calendarData) continue;
      items.push_back({response.href, *response.etag, std::move(*response.calendarData)});
    }
  }
  return items;
}

PutResult DavCollection::Put(const std::string& href, const std::string& ics, const std::string& etag) {
  DavRequest request{"PUT", m_client.Collection().resolved(QUrl(QString::fromStdString(href))), ics,
                     "text/calendar; charset=utf-8", {}};
  if (etag.empty()) {
    request.headers.emplace("If-None-Match", "*");
  } else {
    request.headers.emplace("If-Match", QByteArray::fromStdString(etag));
  }
  const DavAnswer answer = m_client.Send(request);
  if (answer.status == 412) return {PutStatus::preconditionFailed, {}};
  if (answer.status == 404 || answer.status == 410) return {PutStatus::gone, {}};
  if (answer.status < 200 || answer.status >= 300) Fail("writing an item to", answer);
  return {PutStatus::done, answer.etag};
}

}  // namespace tvqcli
