// The password file's first line with --user, else the host's machine entry of ~/.netrc (tokens split as
// netrc does, quoted ones too); a file that others can read is refused.
#include "cli/SyncCredentials.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/Errors.h"

namespace tvqcli {
namespace {

// .netrc tokens are separated by white space; a double-quoted token may hold spaces and \-escapes.
std::vector<std::string> NetrcTokens(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    if (std::strchr(" \t\r\n", text[i])) {
      ++i;
      continue;
    }
    std::string token;
    if (text[i] == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        token.push_back(text[i]);
      }
      ++i;
    } else {
      while (i < text.size() && !std::strchr(" \t\r\n", text[i])) token.push_back(text[i++]);
    }
    tokens.push_back(std::move(token));
    // A macro's body runs to the next empty line and holds no entries.
    if (tokens.back() == "macdef") {
      const std::size_t end = text.find("\n\n", i);
      i = end == std::string_view::npos ? text.size() : end;
      tokens.pop_back();
      if (!tokens.empty()) tokens.pop_back();  // the macro's name went with it
    }
  }
  return tokens;
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

}  // namespace

std::optional<Credentials> ParseNetrc(std::string_view text, std::string_view host) {
  const std::vector<std::string> tokens = NetrcTokens(text);
  std::optional<Credentials> found;
  std::optional<Credentials> fallback;
  std::optional<Credentials>* current = nullptr;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    if (token == "default") {
      current = fallback ? nullptr : &fallback;
      if (current) current->emplace();
      continue;
    }
    const bool hasValue = i + 1 < tokens.size();
    if (token == "machine" && hasValue) {
      current = !found && tokens[++i] == host ? &found : nullptr;
      if (current) current->emplace();
      continue;
    }
    if (!current || !hasValue) continue;
    if (token == "login") (*current)->user = tokens[++i];
    if (token == "password") (*current)->password = tokens[++i];
  }
  return found ? found : fallback;
}

std::optional<std::string> ReadPrivateFile(const std::string& path, bool mayBeMissing) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT && mayBeMissing) return std::nullopt;
  if (fd < 0) throw InputError("cannot read " + path + ": " + std::strerror(errno));
  struct stat info {};
  std::string text;
  const bool statOk = ::fstat(fd, &info) == 0;
  const bool private_ = statOk && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
  if (private_) {
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0 && text.size() < (1U << 20)) {
      text.append(chunk, static_cast<std::size_t>(got));
    }
  }
  ::close(fd);
  if (!private_) {
    throw InputError(path + " may be read or changed by other users: allow only its owner (chmod 600 " + path + ")");
  }
  return text;
}

std::optional<Credentials> FindCredentials(const std::string* user, const std::string* passwordFile,
                                           std::string_view host) {
  if (passwordFile) {
    if (!user) throw UsageError("--password-file needs --user");
    std::string password = *ReadPrivateFile(*passwordFile, false);
    password = password.substr(0, password.find_first_of("\r\n"));
    return Credentials{*user, std::move(password)};
  }
  const std::string home = HomeDirectory();
  if (home.empty()) return std::nullopt;
  const std::optional<std::string> netrc = ReadPrivateFile(home + "/.netrc", true);
  if (!netrc) return std::nullopt;
  std::optional<Credentials> entry = ParseNetrc(*netrc, host);
  if (!entry) return std::nullopt;
  if (user && !entry->user.empty() && entry->user != *user) return std::nullopt;
  if (user) entry->user = *user;
  return entry;
}

}  // namespace tvqcli
