// Single-byte pages by a table per page; double-byte pages unfolded into byte tables at first use, with a lead
// byte's pairs filled from Qt's decoder at that lead byte's first use; unknown pages pass ASCII only.
#include "platform/core/CodePage.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/CodePageTables.h"

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// ---- single-byte code pages ---------------------------------------------------------------------------------

struct SingleBytePage {
  unsigned codePage;
  const codepages::HighHalf* high;
};

constexpr std::array<SingleBytePage, 10> kSingleBytePages{{
    {874, &codepages::kHighHalf874},
    {1250, &codepages::kHighHalf1250},
    {1251, &codepages::kHighHalf1251},
    {1252, &codepages::kHighHalf1252},
    {1253, &codepages::kHighHalf1253},
    {1254, &codepages::kHighHalf1254},
    {1255, &codepages::kHighHalf1255},
    {1256, &codepages::kHighHalf1256},
    {1257, &codepages::kHighHalf1257},
    {1258, &codepages::kHighHalf1258},
}};

const SingleBytePage* FindSingleBytePage(unsigned codePage) {
  for (const SingleBytePage& page : kSingleBytePages) {
    if (page.codePage == codePage) return &page;
  }
  return nullptr;
}

CString DecodeSingleByte(const SingleBytePage& page, std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    out[i] = byte < 0x80 ? static_cast<char16_t>(byte) : (*page.high)[byte - 0x80];
  }
  return CString(std::move(out));
}

// ---- double-byte code pages ---------------------------------------------------------------------------------

struct ByteRange {
  unsigned char first = 0;
  unsigned char last = 0;
};

// A run of single bytes above 0x7F that are characters of their own: first .. last become firstChar ...
struct SingleRun {
  unsigned char first = 0;
  unsigned char last = 0;
  char16_t firstChar = 0;
};

// What the platform's converter knows of a double-byte code page besides its pair table: the lead bytes, the
// trail bytes its table can map, the single bytes above 0x7F and the default character that an unmapped
// pair, a lead byte before an invalid trail byte or a NUL, and a lead byte cut by the end of the text give.
// The pairs themselves are Microsoft's mappings as ICU carries them ("windows-31j", "windows-936", ...).
struct DoubleByteLayout {
  unsigned codePage;
  const char* pairDecoder;
  char16_t defaultChar;
  std::array<ByteRange, 2> leads;
  std::array<ByteRange, 3> trails;
  std::array<SingleRun, 4> singles;
};

constexpr std::array<DoubleByteLayout, 4> kDoubleByteLayouts{{
    {932, "windows-31j", 0x30FB, {{{0x81, 0x9F}, {0xE0, 0xFC}}}, {{{0x40, 0x7E}, {0x80, 0xFC}}},
     {{{0x80, 0x80, 0x0080}, {0xA0, 0xA0, 0xF8F0}, {0xA1, 0xDF, 0xFF61}, {0xFD, 0xFF, 0xF8F1}}}},
    {936, "windows-936", 0x003F, {{{0x81, 0xFE}}}, {{{0x40, 0x7E}, {0x80, 0xFE}}},
     {{{0x80, 0x80, 0x20AC}, {0xFF, 0xFF, 0xF8F5}}}},
    {949, "windows-949", 0x003F, {{{0x81, 0xFE}}}, {{{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}}},
     {{{0x80, 0x80, 0x0080}, {0xFF, 0xFF, 0xF8F7}}}},
    {950, "windows-950", 0x003F, {{{0x81, 0xFE}}}, {{{0x40, 0x7E}, {0xA1, 0xFE}}},
     {{{0x80, 0x80, 0x0080}, {0xFF, 0xFF, 0xF8F8}}}},
}};

// The index of the code page's layout, or -1.
int FindDoubleByteLayout(unsigned codePage) {
  for (std::size_t i = 0; i < kDoubleByteLayouts.size(); ++i) {
    if (kDoubleByteLayouts[i].codePage == codePage) return static_cast<int>(i);
  }
  return -1;
}

// A layout unfolded into byte tables: what every single byte is, which bytes lead, and what every pair is.
// The pairs of a lead byte are filled from the decoder at that lead byte's first use, all its valid pairs in
// one call (a program that converts its few built-in texts decodes a handful of rows, not the code page's
// 11,000 pairs); pairs that the decoder cannot map, and pairs whose second byte cannot be a trail byte, keep
// the default character.
struct DoubleBytePage {
  explicit DoubleBytePage(const DoubleByteLayout& layout)
      : m_layout(layout), m_pairs(std::make_unique_for_overwrite<char16_t[]>(kPairCount)) {
    for (int byte = 0; byte < 0x80; ++byte) single[static_cast<std::size_t>(byte)] = static_cast<char16_t>(byte);
    for (int byte = 0x80; byte < 0x100; ++byte) single[static_cast<std::size_t>(byte)] = layout.defaultChar;
    for (const SingleRun& run : layout.singles) {
      if (run.firstChar == 0) continue;
      for (int byte = run.first; byte <= run.last; ++byte) {
        single[static_cast<std::size_t>(byte)] = static_cast<char16_t>(run.firstChar + (byte - run.first));
      }
    }
    for (const ByteRange& range : layout.leads) {
      for (int byte = range.first; range.first != 0 && byte <= range.last; ++byte) lead.set(byte);
    }
    for (const ByteRange& range : layout.trails) {
      for (int byte = range.first; range.first != 0 && byte <= range.last; ++byte) m_trail.set(byte);
    }
  }

  static constexpr std::size_t kPairCount = 0x10000;

  // The characters of the pairs leadByte, 0 .. leadByte, 255.
  const char16_t* PairsOf(unsigned char leadByte) const {
    std::call_once(m_rowFilled[leadByte], [this, leadByte] { FillRow(leadByte); });
    return m_pairs.get() + std::size_t{leadByte} * 256;
  }

  std::array<char16_t, 256> single{};
  std::bitset<256> lead;

 private:
  // Written once per lead byte, under that row's flag (rows never asked for are never touched).
  void FillRow(unsigned char leadByte) const {
    std::fill_n(m_pairs.get() + std::size_t{leadByte} * 256, 256, m_layout.defaultChar);
    if (!lead[leadByte]) return;
    std::vector<std::size_t> indexes;
    QByteArray bytes;
    for (std::size_t trailByte = 0; trailByte < 0x100; ++trailByte) {
      if (!m_trail[trailByte]) continue;
      indexes.push_back(std::size_t{leadByte} * 256 + trailByte);
      bytes.append(static_cast<char>(leadByte)).append(static_cast<char>(trailByte));
    }
    QStringDecoder decoder(m_layout.pairDecoder, QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) return;
    const QString whole = decoder.decode(bytes);
    const bool onePerPair = static_cast<std::size_t>(whole.size()) == indexes.size();
    for (std::size_t k = 0; k < indexes.size(); ++k) {
      const QString one = onePerPair ? QString(whole[static_cast<qsizetype>(k)])
                                     : decoder.decode(QByteArrayView(bytes.constData() + 2 * k, 2));
      // The decoder's substitutes stand for pairs without a character: those keep the default.
      if (one.size() != 1 || one[0] == QChar(kReplacement) || one[0] == QChar(u'\x1A')) continue;
      m_pairs[indexes[k]] = one[0].unicode();
    }
  }

  const DoubleByteLayout& m_layout;
  std::bitset<256> m_trail;
  std::unique_ptr<char16_t[]> m_pairs;  // by lead byte * 256 + trail byte
  mutable std::array<std::once_flag, 256> m_rowFilled;
};

CString DecodeDoubleByte(const DoubleBytePage& page, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!page.lead[byte]) {
      out += page.single[byte];
      ++i;
      continue;
    }
    // A lead byte at the end, or before a NUL (which stays a character of its own), is a character cut short.
    if (i + 1 == bytes.size() || bytes[i + 1] == '\0') {
      out += page.PairsOf(byte)[0];  // no trail byte is 0: the default character
      ++i;
      continue;
    }
    // Any other byte after a lead byte is its trail.
    out += page.PairsOf(byte)[static_cast<unsigned char>(bytes[i + 1])];
    i += 2;
  }
  return CString(std::move(out));
}

// Each code page's tables, built at its first use and shared by every thread.
const DoubleBytePage& DoubleBytePageFor(std::size_t index) {
  static std::array<std::unique_ptr<const DoubleBytePage>, kDoubleByteLayouts.size()> pages;
  static std::array<std::once_flag, kDoubleByteLayouts.size()> built;
  std::call_once(built[index],
                 [index] { pages[index] = std::make_unique<const DoubleBytePage>(kDoubleByteLayouts[index]); });
  return *pages[index];
}

// Code pages this layer does not know: ASCII passes, every other byte is replaced.
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

bool IsSupportedAnsiCodePage(unsigned codePage) {
  return FindSingleBytePage(codePage) != nullptr || FindDoubleByteLayout(codePage) >= 0;
}

CString MultiByteToWideChar(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  if (const SingleBytePage* page = FindSingleBytePage(codePage)) return DecodeSingleByte(*page, bytes);
  if (const int layout = FindDoubleByteLayout(codePage); layout >= 0) {
    return DecodeDoubleByte(DoubleBytePageFor(static_cast<std::size_t>(layout)), bytes);
  }
  return DecodeAsciiOnly(bytes);
}

}  // namespace platform
