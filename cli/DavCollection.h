// One CalDAV collection as tvq sync uses it: what changed since a sync token (or every item's ETag when there is
// no usable token), the changed items' text by calendar-multiget, and conditional writes of single items.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/DavClient.h"

namespace tvqcli {

struct ServerListing {
  bool complete = false;                       // every item listed (PROPFIND): what is not listed was removed
  std::map<std::string, std::string> etags;    // item key -> ETag: changed items, or every item when complete
  std::map<std::string, std::string> hrefs;    // item key -> href as the server wrote it
  std::set<std::string> removed;               // keys the sync report names as removed
  std::string syncToken;                       // the token for the next run (empty: the server has none)
};

struct FetchedItem {
  std::string href;
  std::string etag;
  std::string ics;
};

enum class PutStatus { done, preconditionFailed, gone };
struct PutResult {
  PutStatus status = PutStatus::done;
  std::optional<std::string> etag;  // the new ETag when the server sent it
};

class DavCollection {
 public:
  explicit DavCollection(DavClient& client) : m_client(client) {}

  // A sync-collection report from the token; without a token, or when the server no longer knows it, a
  // PROPFIND of every item's ETag.
  ServerListing List(const std::string& syncToken);
  // The items' text and ETags (calendar-multiget, in batches); an item the server no longer has is left out.
  std::vector<FetchedItem> Fetch(const std::vector<std::string>& hrefs);
  // PUT with If-Match: etag, or If-None-Match: * when `etag` is empty (a new item).
  PutResult Put(const std::string& href, const std::string& ics, const std::string& etag);

  // What identifies an item across answers: its decoded absolute path.
  std::string Key(const std::string& href) const;
  // The href of a new item with this UID.
  std::string NewHref(const std::string& uid) const;

 private:
  ServerListing ReportChanges(const std::string& syncToken, bool& tokenRefused);
  ServerListing ListAll();
  [[noreturn]] void Fail(const char* what, const DavAnswer& answer) const;
  bool IsCollection(const std::string& href) const;

  DavClient& m_client;
};

}  // namespace tvqcli
