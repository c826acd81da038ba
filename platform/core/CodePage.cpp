#include "platform/core/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <map>
#include <mutex>

#include "platform/core/Locale.h"

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct CodePageNames {
  unsigned codePage;
  std::array<const char*, 3> iconvNames;  // tried in order; null ends the list
};

constexpr std::array<CodePageNames, 14> kCodePages{{
    {874, {"CP874", "TIS-620", "IBM874"}},
    {932, {"CP932", "WINDOWS-31J", nullptr}},
    {936, {"CP936", "GBK", nullptr}},
    {949, {"CP949", "UHC", nullptr}},
    {950, {"CP950", "BIG5", nullptr}},
    {1250, {"CP1250", nullptr, nullptr}},
    {1251, {"CP1251", nullptr, nullptr}},
    {1252, {"CP1252", nullptr, nullptr}},
    {1253, {"CP1253", nullptr, nullptr}},
    {1254, {"CP1254", nullptr, nullptr}},
    {1255, {"CP1255", nullptr, nullptr}},
    {1256, {"CP1256", nullptr, nullptr}},
    {1257, {"CP1257", nullptr, nullptr}},
    {1258, {"CP1258", nullptr, nullptr}},
}};

const CodePageNames* FindCodePage(unsigned codePage) {
  for (const auto& entry : kCodePages) {
    if (entry.codePage == codePage) return &entry;
  }
  return nullptr;
}

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One converter per code page, opened on first use and kept for the life of the process. Converters keep shift
// state, so every use holds the lock.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [codePage, cd] : m_converters) {
      if (cd != kNoConverter) iconv_close(cd);
    }
  }

  std::mutex& Lock() { return m_mutex; }

  // Call with the lock held. kNoConverter when the code page cannot be converted on this system.
  iconv_t Get(unsigned codePage) {
    auto found = m_converters.find(codePage);
    if (found != m_converters.end()) return found->second;
    iconv_t cd = kNoConverter;
    if (const CodePageNames* names = FindCodePage(codePage)) {
      for (const char* name : names->iconvNames) {
        if (!name) break;
        cd = iconv_open("UTF-16LE", name);
        if (cd != kNoConverter) break;
      }
    }
    m_converters.emplace(codePage, cd);
    return cd;
  }

 private:
  std::mutex m_mutex;
  std::map<unsigned, iconv_t> m_converters;
};

ConverterCache& Cache() {
  static ConverterCache cache;
  return cache;
}

// Decodes bytes with cd; every byte that starts no valid sequence becomes one U+FFFD and decoding goes on with
// the next byte.
CString Decode(iconv_t cd, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  std::array<char16_t, 512> chunk{};
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(chunk.data());
    std::size_t outLeft = sizeof(chunk);
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    const std::size_t produced = (sizeof(chunk) - outLeft) / sizeof(char16_t);
    for (std::size_t i = 0; i < produced; ++i) {
      // iconv writes UTF-16LE bytes; assemble them so the result is the same on any host.
      const auto* raw = reinterpret_cast<const unsigned char*>(chunk.data()) + 2 * i;
      out += static_cast<char16_t>(raw[0] | (raw[1] << 8));
    }
    if (result != static_cast<std::size_t>(-1)) continue;
    if (error == E2BIG) continue;
    // EILSEQ (no such character) or EINVAL (sequence cut by the end of the text): replace one byte, go on.
    out += kReplacement;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return CString(std::move(out));
}

// Fallback when no converter exists: ASCII passes, every other byte is replaced.
CString DecodeAsciiOnly(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 0x80 ? static_cast<char16_t>(byte) : kReplacement;
  }
  return CString(std::move(out));
}

}  // namespace

bool IsSupportedAnsiCodePage(unsigned codePage) { return FindCodePage(codePage) != nullptr; }

CString MultiByteToWideChar(unsigned codePage, std::string_view bytes) {
  if (codePage == CP_ACP) codePage = GetLocaleSettings().ansiCodePage;
  if (bytes.empty()) return {};
  ConverterCache& cache = Cache();
  std::lock_guard lock(cache.Lock());
  const iconv_t cd = cache.Get(codePage);
  if (cd == kNoConverter) return DecodeAsciiOnly(bytes);
  return Decode(cd, bytes);
}

}  // namespace platform
