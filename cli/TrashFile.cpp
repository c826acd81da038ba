// The home trash for files on the home's file system, else the volume's .Trash-$uid at its top (never a link);
// the .trashinfo is made first with O_EXCL under a numbered name if taken, then the file renamed beside it.
#include "cli/TrashFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace tvqcli {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw TrashError(what + ": " + std::strerror(errno));
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char* cwd = ::getcwd(nullptr, 0);
  if (!cwd) Fail("cannot read the current folder");
  std::string absolute = std::string(cwd) + "/" + path;
  std::free(cwd);
  return absolute;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string HomeTrash() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') return std::string(dataHome) + "/Trash";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') throw TrashError("neither XDG_DATA_HOME nor HOME is set");
  return std::string(home) + "/.local/share/Trash";
}

// The device of the path or of its nearest existing ancestor.
dev_t DeviceOf(std::string path) {
  struct stat info {};
  while (::stat(path.c_str(), &info) != 0) {
    if (path == "/") Fail("cannot read /");
    path = ParentOf(path);
  }
  return info.st_dev;
}

// The top folder of the file system that holds `folder`.
std::string TopOf(std::string folder) {
  const dev_t device = DeviceOf(folder);
  while (folder != "/" && DeviceOf(ParentOf(folder)) == device) folder = ParentOf(folder);
  return folder;
}

// Makes the folder (and its parents) with mode 0700 when missing.
void MakeFolders(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) throw TrashError(folder + " is not a folder");
    return;
  }
  if (folder != "/") MakeFolders(ParentOf(folder));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot make " + folder);
}

// A trash folder of a volume must be a real folder of this user, not a link that points elsewhere.
bool IsOwnFolder(const std::string& folder) {
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

std::string VolumeTrash(const std::string& top) {
  const std::string uid = std::to_string(::getuid());
  const std::string shared = (top == "/" ? "" : top) + "/.Trash";
  struct stat info {};
  if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
    const std::string mine = shared + "/" + uid;
    if (::mkdir(mine.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot make " + mine);
    if (IsOwnFolder(mine)) return mine;
  }
  const std::string own = (top == "/" ? "" : top) + "/.Trash-" + uid;
  if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot make " + own);
  if (!IsOwnFolder(own)) throw TrashError(own + " is not a folder of this user");
  return own;
}

// Path= of a .trashinfo: bytes other than unreserved ones and '/' percent-encoded.
std::string EncodedPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                       byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
    if (plain) {
      encoded.push_back(c);
    } else {
      encoded += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return encoded;
}

std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &local);
  return buffer;
}

// "name.tvq" as the n-th try: "name.2.tvq".
std::string NumberedName(const std::string& name, int attempt) {
  if (attempt == 1) return name;
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos) dot = name.size();
  return name.substr(0, dot) + "." + std::to_string(attempt) + name.substr(dot);
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail("cannot write " + path);
    done += static_cast<std::size_t>(written);
  }
}

}  // namespace

std::string TrashFolderFor(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  const std::string home = HomeTrash();
  const dev_t device = DeviceOf(ParentOf(absolute));
  if (DeviceOf(home) == device) {
    MakeFolders(home);
    return home;
  }
  return VolumeTrash(TopOf(ParentOf(absolute)));
}

std::string TrashFile(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  const std::string trash = TrashFolderFor(absolute);
  MakeFolders(trash + "/files");
  MakeFolders(trash + "/info");
  // The home trash records the absolute path; a volume's trash the path from the volume's top.
  std::string recorded = absolute;
  if (trash != HomeTrash()) {
    const std::string top = TopOf(ParentOf(absolute));
    recorded = absolute.substr(top == "/" ? 1 : top.size() + 1);
  }
  const std::string name = absolute.substr(absolute.rfind('/') + 1);
  for (int attempt = 1; attempt < 10000; ++attempt) {
    const std::string trashName = NumberedName(name, attempt);
    const std::string info = trash + "/info/" + trashName + ".trashinfo";
    const std::string target = trash + "/files/" + trashName;
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) Fail("cannot write " + info);
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {  // a file without its info: leave both alone
      ::close(fd);
      ::unlink(info.c_str());
      continue;
    }
    try {
      WriteAll(fd, "[Trash Info]\nPath=" + EncodedPath(recorded) + "\nDeletionDate=" + DeletionDate() + "\n", info);
    } catch (const TrashError&) {
      ::close(fd);
      ::unlink(info.c_str());
      throw;
    }
    if (::close(fd) != 0 || ::rename(absolute.c_str(), target.c_str()) != 0) {
      const int error = errno;
      ::unlink(info.c_str());
      errno = error;
      Fail("cannot move " + path + " to " + trash);
    }
    return trash;
  }
  throw TrashError("no free name in " + trash);
}

}  // namespace tvqcli
