// tvq sync FILE [--url URL] [--user NAME] [--password-file PATH] [--force]: two-way sync with a CalDAV collection.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/Arguments.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/DavClient.h"
#include "cli/DavCollection.h"
#include "cli/Errors.h"
#include "cli/Output.h"
#include "cli/SyncCredentials.h"
#include "cli/SyncRun.h"
#include "cli/SyncState.h"
#include "doc/CTarvelquistDoc.h"

namespace tvqcli {
namespace {

constexpr OptionSpec kOptions[] = {{"url", true}, {"user", true}, {"password-file", true}, {"force", false}};
constexpr int kDefaultTimeoutSeconds = 60;
// Runs in a row when the file keeps changing while the server is asked.
constexpr int kListAttempts = 3;

// Seconds a request may go without progress: TVQ_SYNC_TIMEOUT (1 to 3600), else 60.
int TimeoutMs() {
  const char* text = std::getenv("TVQ_SYNC_TIMEOUT");
  const int seconds = text ? std::atoi(text) : 0;
  return (seconds >= 1 && seconds <= 3600 ? seconds : kDefaultTimeoutSeconds) * 1000;
}

void PrintLine(const std::string& line) {
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
}

// The file as it is now (none yet: an empty list), read without taking its lock.
bool LoadIfThere(CTarvelquistDoc& document, const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) return true;
  return LoadDocument(document, path);
}

// The collection's URL: --url, or the one this file was synced with before.
std::string CollectionUrl(const ParsedArguments& parsed, const std::string& path) {
  if (const std::string* url = parsed.Value("url")) {
    QUrl normalized(QString::fromStdString(*url), QUrl::StrictMode);
    if (!normalized.path().endsWith(u'/')) normalized.setPath(normalized.path() + u'/');
    CheckCollectionUrl(normalized);
    return normalized.toString(QUrl::FullyEncoded).toStdString();
  }
  const std::vector<std::string> known = KnownCollections(path);
  if (known.empty()) throw UsageError("missing --url: the first sync of a file needs the collection's URL");
  if (known.size() > 1) throw UsageError("this file is synced with more than one collection: name one with --url");
  return known.front();
}

int RunSyncCommand(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseArguments(args, kOptions);
  ExpectPositional(parsed, 1, "FILE");
  const std::string& path = parsed.positional[0];
  const std::string url = CollectionUrl(parsed, path);
  const QUrl collectionUrl(QString::fromStdString(url));
  const std::optional<Credentials> credentials =
      FindCredentials(parsed.Value("user"), parsed.Value("password-file"), collectionUrl.host().toStdString());
  const SyncOptions options{path, SyncStatePath(path, url), parsed.Has("force")};
  try {
    DavClient client(collectionUrl, credentials, TimeoutMs());
    DavCollection collection(client);
    std::optional<SyncSummary> done;
    for (int attempt = 1; !done; ++attempt) {
      SyncState state = LoadSyncState(options.statePath).value_or(SyncState{});
      state.url = url;
      CTarvelquistDoc document;
      if (!LoadIfThere(document, path)) return kExitFailure;
      try {
        done = RunSync(document, collection, std::move(state), options);
      } catch (const ListChangedMeanwhile& error) {
        if (attempt == kListAttempts) throw SyncStopped(std::string(error.what()) + " again and again; run again later");
      }
    }
    const SyncSummary summary = *done;
    if (std::getenv("TVQ_SYNC_TRACE")) {
      PrintLine("tvq sync: " + std::to_string(client.RequestCount()) + " requests, file " +
                (summary.fileWritten ? "written" : "not written") + ", state " +
                (summary.stateWritten ? "written" : "not written"));
    }
    if (summary.toList + summary.toServer > 0) {
      Output out;
      out.Buffer() = std::to_string(summary.toList) + " to the list, " + std::to_string(summary.toServer) +
                     " to the server, " + std::to_string(summary.conflicts) + " conflicts\n";
      out.Flush();
    }
  } catch (const DavError& error) {
    PrintLine("tvq sync: " + std::string(error.what()));
    return kExitFailure;
  } catch (const SyncStopped& error) {
    PrintLine("tvq sync: " + std::string(error.what()));
    return kExitFailure;
  } catch (const InputError& error) {
    PrintLine("tvq sync: " + std::string(error.what()));
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

extern const Command kSyncCommand{
    "sync",
    "two-way sync of FILE with a CalDAV task collection",
    "tvq sync FILE [--url URL] [--user NAME] [--password-file PATH] [--force]",
    "Brings FILE and one task collection on a CalDAV server (Radicale, Nextcloud, Baikal, SOGo, Fastmail...)\n"
    "to the same tasks: what changed on one side since the last sync goes to the other.\n"
    "\n"
    "--url URL             the collection, on the first run (https://; http:// only on this machine's loopback\n"
    "                      address); later runs remember it\n"
    "--user NAME           the user name; the password comes from --password-file or from the ~/.netrc entry\n"
    "                      of the server's host (machine HOST login NAME password SECRET)\n"
    "--password-file PATH  a file whose first line is the password\n"
    "--force               go on when a run would remove more than half of a side's tasks (and more than 5)\n"
    "The password file and ~/.netrc are refused unless only their owner may read them. A request that makes\n"
    "no progress for 60 seconds (TVQ_SYNC_TIMEOUT, in seconds) fails the run.\n"
    "\n"
    "The rule, per task: tasks are matched with the last sync's list by aligning the two (equal tasks in\n"
    "order; tasks at nearby positions that share at least two fields count as changed; a task that moved,\n"
    "unchanged or changed in one field, is the same task; the rest were deleted or added). A change on one\n"
    "side goes to the other; changes to different fields merge; the same field changed on both sides takes\n"
    "the server's version and keeps the list's in a conflict copy beside FILE (named on standard error).\n"
    "A task completed or deleted on the server leaves the list; a task deleted from the list is marked\n"
    "completed on the server. A task deleted on one side and changed on the other is kept. The first sync\n"
    "deletes nothing and matches equal tasks instead of doubling them. Items are patched, never rewritten:\n"
    "what the list does not hold (alarms, repeats, categories, other programs' properties) stays.\n"
    "What this device knows of the last sync is kept in $XDG_STATE_HOME/tarvelquist/ (~/.local/state).\n"
    "Exit status 1 when the server cannot be reached or refuses, or when the run stopped before a mass\n"
    "removal; the next run finishes whatever an interrupted one left.\n"
    "\n"
    "Example:\n"
    "  tvq sync tasks.tvq --url https://dav.example.org/alice/tasks/ --user alice\n",
    &RunSyncCommand,
};

}  // namespace tvqcli
