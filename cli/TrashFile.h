// Moves a file to the user's trash following freedesktop.org's trash layout, so that desktop
// file managers show it there and can put it back.
#pragma once

#include <stdexcept>
#include <string>

namespace tvqcli {

class TrashError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The trash for a file: the home trash ($XDG_DATA_HOME/Trash, by default ~/.local/share/Trash) when it is on the
// file's file system; otherwise, at the top of the file's file system, .Trash/UID when an administrator made a
// sticky .Trash there, else .Trash-UID. Made (mode 0700) when missing. Throws TrashError when none can be used.
std::string TrashFolderFor(const std::string& path);

// Writes info/NAME.trashinfo (the original Path and the DeletionDate) under a free name, then renames the file
// into files/NAME; never copies, never deletes. Returns the trash folder. Throws TrashError (the file stays
// where it was) when it cannot.
std::string TrashFile(const std::string& path);

}  // namespace tvqcli
