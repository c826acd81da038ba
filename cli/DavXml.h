// The WebDAV and CalDAV bodies tvq sync sends and the multistatus answers it reads (RFC 4918, 4791, 6578).
// Pure functions on text: a server's answer is untrusted input, and the fuzzer feeds these directly.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace davxml {

// The answer is not the XML it should be; the message says what is wrong.
class DavXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One <response> of a multistatus, with the properties found (status 200) merged from its propstats.
struct DavResponse {
  std::string href;             // as the server wrote it (percent-encoded path or URL)
  int status = 200;             // the response's own status (404 in a sync report: removed); else 200
  std::optional<std::string> etag;
  std::optional<std::string> calendarData;
  bool isCollection = false;    // resourcetype holds DAV:collection
};

struct Multistatus {
  std::vector<DavResponse> responses;
  std::optional<std::string> syncToken;  // the report's own token, or the collection's sync-token property
};

// Bodies of the requests, UTF-8 XML.
std::string SyncCollectionBody(std::string_view syncToken);
std::string PropfindEtagsBody();
std::string MultigetBody(const std::vector<std::string>& hrefs);

// Parses a 207 answer. Throws DavXmlError unless it is well-formed XML whose root is DAV:multistatus.
Multistatus ParseMultistatus(std::string_view xml);
// True when an error body names the DAV:valid-sync-token precondition (an expired or unknown token).
bool IsSyncTokenError(std::string_view xml);
// The status code of an HTTP status line such as "HTTP/1.1 404 Not Found"; 0 when there is none.
int StatusCodeOf(std::string_view statusLine);

}  // namespace davxml
