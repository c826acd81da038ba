// One run of tvq sync: the server's changes since the last run, the list's changes since then (by aligning the
// file with the base), the three-way decision per task, the server's writes, then the file once and the state.
#pragma once

#include <stdexcept>
#include <string>

#include "cli/SyncState.h"

class CTarvelquistDoc;

namespace tvqcli {

class DavCollection;

// The run would remove too much at once; nothing was changed.
class SyncStopped : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file changed while the run talked to the server: the server's writes are done, nothing else was written,
// and a new run (from the file and the state as they are now) finishes the work as it would after a kill.
class ListChangedMeanwhile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SyncSummary {
  int toList = 0;      // tasks added, changed or removed in the list
  int toServer = 0;    // items created, patched or completed on the server
  int conflicts = 0;   // tasks changed on both sides in the same field
  bool fileWritten = false;
  bool stateWritten = false;
};

struct SyncOptions {
  std::string filePath;
  std::string statePath;
  bool force = false;
};

// `list` is the file as read at the start (no lock is held while the server is asked); `state` is the last run's
// (empty on a first run). The file's writers' lock is taken only to write it, after the server's writes, and only
// when the file is still as read. Throws DavError, SyncStopped, ListChangedMeanwhile or InputError; whatever was
// done by then the next run finishes.
SyncSummary RunSync(const CTarvelquistDoc& list, DavCollection& collection, SyncState state, const SyncOptions& options);

}  // namespace tvqcli
