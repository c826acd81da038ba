// Where tvq sync finds the user name and password for a server: a password file or the ~/.netrc entry of the
// host, either readable by its owner alone. Never the command line, never the sync state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvqcli {

struct Credentials {
  std::string user;
  std::string password;
};

// The login and password of `host` in .netrc text (machine entries first, then default); macdef bodies are
// skipped. Nothing when the host has no entry.
std::optional<Credentials> ParseNetrc(std::string_view text, std::string_view host);

// Reads a file holding secrets: refused (InputError naming the file) unless it is a regular file owned by the
// user that no one else may read or write. Nothing when it does not exist and `mayBeMissing`.
std::optional<std::string> ReadPrivateFile(const std::string& path, bool mayBeMissing);

// --password-file (first line, without its line end) with --user, or the .netrc entry of the host (--user, when
// given, must match its login). Nothing when neither gives a password: the server is asked without one.
std::optional<Credentials> FindCredentials(const std::string* user, const std::string* passwordFile,
                                           std::string_view host);

}  // namespace tvqcli
