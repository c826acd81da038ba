// The byte escapes both ways, paths made absolute with the folder resolved by the system and the name kept,
// lossy names recovered from the disk, and names made safe to show in a message.
#include "platform/core/NativePath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <vector>

#include "platform/core/Utf.h"

namespace platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsByteEscape(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

std::u16string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1U << 20)) return u"/";
    buffer.resize(buffer.size() * 2);
  }
  return PathFromNative(buffer.data()).str();
}

}  // namespace

CString PathFromNative(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(bytes, i, codePoint);
    if (length == 0) {
      out.push_back(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
      continue;
    }
    AppendUtf16(out, codePoint);
    i += length;
  }
  return CString(std::move(out));
}

std::string ToNativePath(const CString& path) {
  const std::u16string_view text = path.view();
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsByteEscape(text[i])) {
      out.push_back(static_cast<char>(text[i] - kEscapeBase));
      continue;
    }
    AppendUtf8(out, NextCodePoint(text, i));
  }
  return out;
}

bool HasUndecodableBytes(const CString& path) {
  for (const char16_t unit : path.view()) {
    if (IsByteEscape(unit)) return true;
  }
  return false;
}

namespace {

// Folds ".", ".." and repeated slashes by the text alone.
std::u16string FoldLexically(std::u16string_view view) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start <= view.size()) {
    std::size_t slash = view.find(u'/', start);
    if (slash == std::u16string_view::npos) slash = view.size();
    const std::u16string_view part = view.substr(start, slash - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::u16string out;
  for (const std::u16string_view part : parts) {
    out += u'/';
    out += part;
  }
  return out.empty() ? std::u16string(u"/") : out;
}

bool HasParentStep(std::u16string_view view) {
  for (std::size_t at = view.find(u".."); at != std::u16string_view::npos; at = view.find(u"..", at + 1)) {
    const bool starts = at == 0 || view[at - 1] == u'/';
    const bool ends = at + 2 == view.size() || view[at + 2] == u'/';
    if (starts && ends) return true;
  }
  return false;
}

}  // namespace

CString AbsolutePath(const CString& path) {
  if (path.IsEmpty()) return path;
  const std::u16string whole = path.view().front() == u'/' ? path.str() : CurrentFolder() + u'/' + path.str();
  if (!HasParentStep(whole)) return CString(FoldLexically(whole));
  // ".." after a link leads where the system says, not to the text's parent: the folder is resolved by the
  // system, the name kept as it is.
  const std::size_t slash = whole.rfind(u'/');
  std::u16string_view name = std::u16string_view(whole).substr(slash + 1);
  const bool nameIsFolder = name.empty() || name == u"." || name == u"..";
  const std::u16string folder = nameIsFolder ? whole : whole.substr(0, slash == 0 ? 1 : slash);
  if (nameIsFolder) name = {};
  char* resolved = ::realpath(ToNativePath(CString(folder)).c_str(), nullptr);
  if (!resolved) return CString(FoldLexically(whole));
  std::u16string out = PathFromNative(resolved).str();
  std::free(resolved);
  if (!name.empty()) {
    if (out != u"/") out += u'/';
    out += name;
  }
  return CString(std::move(out));
}

CString FileNameOf(const CString& path) {
  const std::u16string_view view = path.view();
  const std::size_t slash = view.rfind(u'/');
  return CString(slash == std::u16string_view::npos ? view : view.substr(slash + 1));
}

CString FolderOf(const CString& path) {
  const std::u16string_view view = path.view();
  const std::size_t slash = view.rfind(u'/');
  if (slash == std::u16string_view::npos) return CString(u".");
  if (slash == 0) return CString(u"/");
  return CString(view.substr(0, slash));
}

CString RecoverLossyPath(const CString& path) {
  const std::u16string_view view = path.view();
  if (view.empty() || view.front() != u'/' ||
      view.find(char16_t(kReplacementCharacter)) == std::u16string_view::npos) {
    return path;
  }
  std::u16string recovered;  // the components so far, each with its leading slash
  for (std::size_t start = 1; start <= view.size();) {
    std::size_t slash = view.find(u'/', start);
    if (slash == std::u16string_view::npos) slash = view.size();
    const std::u16string_view part = view.substr(start, slash - start);
    start = slash + 1;
    if (part.empty()) continue;
    std::u16string candidate = recovered + u'/' + std::u16string(part);
    struct stat info {};
    if (part.find(char16_t(kReplacementCharacter)) != std::u16string_view::npos &&
        ::lstat(ToNativePath(CString(candidate)).c_str(), &info) != 0) {
      const std::string folder = recovered.empty() ? std::string("/") : ToNativePath(CString(recovered));
      const QString shown = QString::fromUtf16(part.data(), static_cast<qsizetype>(part.size()));
      std::string match;
      int matches = 0;
      if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
          if (QFile::decodeName(entry->d_name) != shown) continue;
          match = entry->d_name;
          ++matches;
        }
        ::closedir(dir);
      }
      if (matches != 1) return path;  // none or several look alike: nothing to choose by
      candidate = recovered + u'/' + PathFromNative(match).str();
    }
    recovered = std::move(candidate);
  }
  return CString(recovered.empty() ? std::u16string(u"/") : std::move(recovered));
}

namespace {

// Characters that would act rather than show in a message: C0 controls (a line break would split the name),
// DEL, C1 controls, and the bidirectional controls and separators that could show the name reversed.
bool ActsInText(char16_t unit) { return unit < 0x20 || unit == 0x7F || IsHiddenControl(unit); }

}  // namespace

CString DisplayPath(const CString& path) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  const std::u16string_view text = path.view();
  const auto shownAsItIs = [](char16_t unit) { return !IsByteEscape(unit) && !ActsInText(unit); };
  if (std::all_of(text.begin(), text.end(), shownAsItIs)) return path;
  std::u16string out;
  for (const char16_t unit : text) {
    if (shownAsItIs(unit)) {
      out.push_back(unit);
    } else if (IsByteEscape(unit)) {
      const unsigned byte = unit - kEscapeBase;
      out += u"\\x";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 15]);
    } else {
      out += u"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 15]);
    }
  }
  return CString(std::move(out));
}

CString ExecutableName() { return PathFromNative(program_invocation_short_name); }

}  // namespace platform
