// Each tool's naming pattern matched by hand around the file's stem and extension, and the file's folder read
// for regular files whose names match one of them, in name order.
#include "cli/ConflictCopies.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace tvqcli {
namespace {

// Consumes `count` ASCII digits.
bool Digits(std::string_view& text, std::size_t count) {
  if (text.size() < count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  text.remove_prefix(count);
  return true;
}

bool Literal(std::string_view& text, std::string_view literal) {
  if (text.substr(0, literal.size()) != literal) return false;
  text.remove_prefix(literal.size());
  return true;
}

// "YYYY-MM-DD"
bool DashedDate(std::string_view& text) {
  return Digits(text, 4) && Literal(text, "-") && Digits(text, 2) && Literal(text, "-") && Digits(text, 2);
}

// "YYYY-MM-DD HHMMSS"
bool DateAndTime(std::string_view& text) { return DashedDate(text) && Literal(text, " ") && Digits(text, 6); }

bool IsDeviceId(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
}

// What stands between NAME and EXT in each kind of copy.
bool IsOurs(std::string_view middle) {
  if (!Literal(middle, " (conflict ") || !DateAndTime(middle)) return false;
  if (middle == ")") return true;
  // " N)" for a second or later attempt in the same second.
  if (!Literal(middle, " ") || middle.size() < 2 || middle.back() != ')' || middle[0] == '0') return false;
  middle.remove_suffix(1);
  return Digits(middle, middle.size());
}

bool IsSyncthing(std::string_view middle) {
  return Literal(middle, ".sync-conflict-") && Digits(middle, 8) && Literal(middle, "-") && Digits(middle, 6) &&
         Literal(middle, "-") && IsDeviceId(middle);
}

bool IsNextcloud(std::string_view middle) {
  return Literal(middle, " (conflicted copy ") && DateAndTime(middle) && middle == ")";
}

bool IsDropbox(std::string_view middle) {
  constexpr std::string_view kCopy = "'s conflicted copy ";
  if (!Literal(middle, " (")) return false;
  const std::size_t copy = middle.rfind(kCopy);
  if (copy == 0 || copy == std::string_view::npos) return false;  // a host name comes first
  middle.remove_prefix(copy + kCopy.size());
  return DashedDate(middle) && middle == ")";
}

std::size_t ExtensionStart(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == 0 || dot == std::string_view::npos ? name.size() : dot;
}

struct DirClose {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::string_view ConflictCopyKindName(ConflictCopyKind kind) {
  switch (kind) {
    case ConflictCopyKind::ours:
      return "Tarvelquist";
    case ConflictCopyKind::syncthing:
      return "Syncthing";
    case ConflictCopyKind::nextcloud:
      return "Nextcloud";
    case ConflictCopyKind::dropbox:
      return "Dropbox";
  }
  return "";
}

std::optional<ConflictCopyKind> ConflictCopyOf(std::string_view fileName, std::string_view copyName) {
  const std::size_t dot = ExtensionStart(fileName);
  const std::string_view name = fileName.substr(0, dot);
  const std::string_view extension = fileName.substr(dot);
  if (copyName.size() <= fileName.size() || copyName.substr(0, name.size()) != name ||
      copyName.substr(copyName.size() - extension.size()) != extension) {
    return std::nullopt;
  }
  const std::string_view middle = copyName.substr(name.size(), copyName.size() - name.size() - extension.size());
  if (IsOurs(middle)) return ConflictCopyKind::ours;
  if (IsSyncthing(middle)) return ConflictCopyKind::syncthing;
  if (IsNextcloud(middle)) return ConflictCopyKind::nextcloud;
  if (IsDropbox(middle)) return ConflictCopyKind::dropbox;
  return std::nullopt;
}

std::vector<std::string> FindConflictCopies(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string folder = prefix.empty() ? "." : prefix;
  const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
  std::vector<std::string> copies;
  const std::unique_ptr<DIR, DirClose> dir(::opendir(folder.c_str()));
  if (!dir) return copies;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (!ConflictCopyOf(fileName, name)) continue;
    const std::string copy = prefix + std::string(name);
    struct stat info {};
    if (::lstat(copy.c_str(), &info) == 0 && S_ISREG(info.st_mode)) copies.push_back(copy);
  }
  std::sort(copies.begin(), copies.end());
  return copies;
}

}  // namespace tvqcli
