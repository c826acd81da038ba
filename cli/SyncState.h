// What tvq sync remembers on this device about one file and one collection, in $XDG_STATE_HOME/tarvelquist/
// (never beside the file, so that a file-sync tool does not carry it to another machine): the collection's URL
// and sync token, and per item its UID, href and ETag, the task as it was at the last sync (the base) and the
// item's iCalendar text as fetched. Written atomically, after the file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "doc/TaskItem.h"

namespace tvqcli {

struct SyncItem {
  std::string uid;
  std::string href;       // the item's path on the server, decoded
  std::string etag;
  std::string ics;        // the item as last fetched or written (empty for an item the list does not hold)
  std::unique_ptr<TaskItem> base;  // the task at the last sync; null: an item the list does not hold
};

struct SyncState {
  std::string url;
  std::string syncToken;  // empty: none (the next run lists the ETags)
  // The list's items in the list's order, then the items it does not hold (completed ones, other components),
  // kept only so that an unchanged one is not fetched again.
  std::vector<SyncItem> items;
};

// $XDG_STATE_HOME/tarvelquist (absolute XDG_STATE_HOME only), else ~/.local/state/tarvelquist.
std::string SyncStateDirectory();
// The state's path for the file (made absolute, links resolved) and the collection.
std::string SyncStatePath(const std::string& filePath, const std::string& url);
// The collections this file was synced with before (their URLs).
std::vector<std::string> KnownCollections(const std::string& filePath);

// Nothing when there is no state; throws InputError when it cannot be read.
std::optional<SyncState> LoadSyncState(const std::string& statePath);
// Replaces the state atomically (owner-only permissions); throws InputError when it cannot be written.
void SaveSyncState(const std::string& statePath, const SyncState& state);

}  // namespace tvqcli
