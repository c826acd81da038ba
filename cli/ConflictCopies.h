// The conflict copies of a task file that tvq merge brings together: the names that this program and the common
// file-sync tools give to the version they could not put in place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvqcli {

enum class ConflictCopyKind {
  ours,       // NAME (conflict YYYY-MM-DD HHMMSS[ N]).EXT, as a save that met another writer keeps it
  syncthing,  // NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICEID.EXT
  nextcloud,  // NAME (conflicted copy YYYY-MM-DD HHMMSS).EXT (Nextcloud and ownCloud)
  dropbox,    // NAME (HOST's conflicted copy YYYY-MM-DD).EXT
};

// "Syncthing", ... for the lines tvq merge prints.
std::string_view ConflictCopyKindName(ConflictCopyKind kind);

// The kind of copy that `copyName` is of the file named `fileName` (both plain names, no folder), or none.
// NAME and EXT are split at the last dot as the conflict name of a save splits them, and must match exactly.
std::optional<ConflictCopyKind> ConflictCopyOf(std::string_view fileName, std::string_view copyName);

// The conflict copies beside the file at `path` (regular files only), sorted by name.
std::vector<std::string> FindConflictCopies(const std::string& path);

}  // namespace tvqcli
