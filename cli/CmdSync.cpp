// tvq sync FILE [--url URL] [--user NAME] [--password-file PATH] [--force]: two-way sync with a CalDAV collection.
// Built into tvq-sync, the program that tvq runs for this command (see SyncLauncher.cpp).
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
#include "cli/SyncHelp.h"
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

extern const Command kSyncCommand{kSyncName, kSyncSummary, kSyncUsage, kSyncHelp, &RunSyncCommand};

}  // namespace tvqcli
