#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/core/CArchive.h"
#include "platform/core/COleDateTime.h"
#include "platform/core/CFile.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

using tvqtest::Bytes;
using tvqtest::PathString;
using tvqtest::ReadFileBytes;
using tvqtest::ScopedLocale;
using tvqtest::TempDir;
using tvqtest::WriteFileBytes;

namespace {

class ArchiveTest : public ::testing::Test {
 protected:
  // Stores through an archive over a real file and returns the file's bytes.
  template <typename Fn>
  Bytes Store(Fn&& write) {
    CFile file(PathString(m_path), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Close();
    file.Close();
    return ReadFileBytes(m_path);
  }

  // Loads the bytes back through an archive.
  template <typename Fn>
  void Load(const Bytes& bytes, Fn&& read) {
    WriteFileBytes(m_path, bytes);
    CFile file(PathString(m_path), CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    read(ar);
  }

  CString LoadString(const Bytes& bytes) {
    CString value;
    Load(bytes, [&](CArchive& ar) { ar >> value; });
    return value;
  }

  CArchiveException::Cause LoadStringFailure(const Bytes& bytes) {
    try {
      LoadString(bytes);
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_strFileName, PathString(m_path));
      return e.m_cause;
    }
    return CArchiveException::none;
  }

  TempDir m_dir;
  std::filesystem::path m_path = m_dir / "archive.bin";
};

Bytes Utf16Bytes(const CString& text) {
  Bytes bytes;
  for (const char16_t unit : text.view()) {
    bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(ArchiveTest, ValuesAreLittleEndianAndDoublesKeepTheirBits) {
  const double nan = DateFromBits(0x7FF80000DEADBEEFULL);
  const Bytes bytes = Store([&](CArchive& ar) {
    ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<DWORD>(0x89ABCDEF)
       << static_cast<LONG>(-2) << static_cast<ULONGLONG>(0x0102030405060708ULL) << 39578.5 << nan;
  });
  const Bytes expected{0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06,
                       0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x50, 0x53, 0xE3, 0x40, 0xEF,
                       0xBE, 0xAD, 0xDE, 0x00, 0x00, 0xF8, 0x7F};
  EXPECT_EQ(bytes, expected);
  Load(bytes, [&](CArchive& ar) {
    BYTE b = 0;
    WORD w = 0;
    DWORD d = 0;
    LONG l = 0;
    ULONGLONG q = 0;
    double x = 0;
    double y = 0;
    ar >> b >> w >> d >> l >> q >> x >> y;
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(w, 0x1234);
    EXPECT_EQ(d, 0x89ABCDEFU);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(q, 0x0102030405060708ULL);
    EXPECT_EQ(x, 39578.5);
    EXPECT_EQ(DateBits(y), 0x7FF80000DEADBEEFULL);
  });
}

TEST_F(ArchiveTest, StringsWithNulAndSurrogatesRoundTrip) {
  const CString odd(u"\0x\xD800\xDFFF\xDC00件", 6);
  const Bytes bytes = Store([&](CArchive& ar) { ar << odd << CString(); });
  EXPECT_EQ(bytes, Concat(Concat(Bytes{0xFF, 0xFE, 0xFF, 0x06}, Utf16Bytes(odd)), Bytes{0xFF, 0xFE, 0xFF, 0x00}));
  Load(bytes, [&](CArchive& ar) {
    CString first;
    CString second(u"x");
    ar >> first >> second;
    EXPECT_EQ(first, odd);
    EXPECT_TRUE(second.IsEmpty());
  });
}

struct LengthCase {
  std::size_t length;
  Bytes prefix;
};

class StringLengthTest : public ArchiveTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(StringLengthTest, WriterPicksTheShortestFormAndReaderTakesItBack) {
  const LengthCase& c = GetParam();
  const CString text(c.length, u'あ');
  const Bytes bytes = Store([&](CArchive& ar) { ar << text; });
  ASSERT_EQ(bytes.size(), c.prefix.size() + 2 * c.length);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.prefix.size())), c.prefix);
  EXPECT_EQ(LoadString(bytes), text);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, StringLengthTest,
    ::testing::Values(LengthCase{0, {0xFF, 0xFE, 0xFF, 0x00}}, LengthCase{254, {0xFF, 0xFE, 0xFF, 0xFE}},
                      LengthCase{255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
                      LengthCase{65533, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
                      LengthCase{65534, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                      LengthCase{100000, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xA0, 0x86, 0x01, 0x00}}));

TEST_F(ArchiveTest, LengthPrefixOfTheLongestForm) {
  // Only the prefix: 4294967295 units cannot be held here, but the writer's form is fixed.
  const Bytes bytes = Store([&](CArchive& ar) { ar.WriteStringLength(0xFFFFFFFFULL, true); });
  EXPECT_EQ(bytes, (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                          0x00, 0x00, 0x00, 0x00}));
  const Bytes narrow = Store([&](CArchive& ar) { ar.WriteStringLength(300, false); });
  EXPECT_EQ(narrow, (Bytes{0xFF, 0x2C, 0x01}));
}

struct ReadCase {
  const char* name;
  Bytes bytes;
  std::u16string expected;
};

class StringReaderTest : public ArchiveTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(StringReaderTest, AcceptsTheWiderSet) {
  ScopedLocale locale("ja_JP");
  EXPECT_EQ(LoadString(GetParam().bytes), CString(GetParam().expected)) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, StringReaderTest,
    ::testing::Values(
        ReadCase{"8-bit", {0x02, 0x41, 0x42}, u"AB"},
        ReadCase{"8-bit through code page 932", {0x04, 0x8C, 0x8F, 0x96, 0xBC}, u"件名"},
        ReadCase{"8-bit with 16-bit length", Concat({0xFF, 0x03, 0x00}, Bytes{'x', 'y', 'z'}), u"xyz"},
        ReadCase{"8-bit with 32-bit length", {0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'q'}, u"q"},
        ReadCase{"tag, 8-bit length", {0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00}, u"A"},
        ReadCase{"tag, 16-bit length", {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 0x42, 0x00}, u"B"},
        ReadCase{"tag, 16-bit FFFE as a length", Concat({0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x00}, {}), u""},
        ReadCase{"tag, 32-bit length",
                 {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x43, 0x00},
                 u"C"},
        ReadCase{"tag, 64-bit length",
                 {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x44, 0x00},
                 u"D"},
        ReadCase{"untagged 64-bit length",
                 {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 'h', 'i'},
                 u"hi"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(ArchiveTest, SixtyFourBitLengthAboveTheLimitIsAGenericError) {
  const Bytes header{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(LoadStringFailure(Concat(header, {0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0})), CArchiveException::genericException);
  EXPECT_EQ(LoadStringFailure(Concat(header, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})),
            CArchiveException::genericException);
  // 2147483647 itself is allowed, so it fails only because the file is too short.
  EXPECT_EQ(LoadStringFailure(Concat(header, {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0})), CArchiveException::endOfFile);
}

TEST_F(ArchiveTest, CutInsideAnyPartOfAStringIsEndOfFile) {
  Bytes full = Store([&](CArchive& ar) { ar << CString(300, u'z'); });
  ASSERT_EQ(full.size(), 6U + 600U);
  for (std::size_t cut = 0; cut < full.size(); cut += (cut < 10 ? 1 : 97)) {
    EXPECT_EQ(LoadStringFailure(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut))),
              CArchiveException::endOfFile)
        << "cut at " << cut;
  }
  EXPECT_EQ(LoadStringFailure(Bytes(full.begin(), full.end() - 1)), CArchiveException::endOfFile);
}

TEST_F(ArchiveTest, HostileLengthFailsBeforeAllocating) {
  // Claims 0xFFFFFFFE units (8 GB) in a file of a dozen bytes, and the 64-bit maximum likewise.
  EXPECT_EQ(LoadStringFailure({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x41, 0x00}),
            CArchiveException::endOfFile);
  EXPECT_EQ(LoadStringFailure({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 'a'}), CArchiveException::endOfFile);
  EXPECT_EQ(LoadStringFailure({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F,
                               0x00, 0x00, 0x00, 0x00}),
            CArchiveException::endOfFile);
}

TEST_F(ArchiveTest, ReadingPastTheEndOfValuesIsEndOfFile) {
  Load({0x01, 0x02, 0x03}, [](CArchive& ar) {
    WORD w = 0;
    ar >> w;
    EXPECT_EQ(w, 0x0201);
    DWORD d = 0;
    try {
      ar >> d;
      ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
  });
}

TEST_F(ArchiveTest, RemainingLengthCountsBufferAndFile) {
  Bytes bytes(10000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  Load(bytes, [&](CArchive& ar) {
    EXPECT_EQ(ar.GetRemainingLength(), 10000U);
    BYTE b = 0;
    ar >> b;
    EXPECT_EQ(ar.GetRemainingLength(), 9999U);
    Bytes block(6000);
    EXPECT_EQ(ar.Read(block.data(), 6000), 6000U);
    EXPECT_EQ(block[5999], static_cast<unsigned char>(6000 * 7));
    EXPECT_EQ(ar.GetRemainingLength(), 3999U);
    Bytes rest(5000);
    EXPECT_EQ(ar.Read(rest.data(), 5000), 3999U);  // fewer at the end
    EXPECT_EQ(ar.GetRemainingLength(), 0U);
  });
}

// The file's length is asked once per load; a file that changes meanwhile is read as it is now: grown, its new
// bytes are read; cut, the read ends with endOfFile as before.
TEST_F(ArchiveTest, AFileChangedWhileLoadingIsReadAsItIsNow) {
  const CString first(100, u'a'), second(100, u'b');
  const Bytes full = Store([&](CArchive& ar) { ar << first << second; });
  const auto loadBoth = [&](const Bytes& atOpen, const Bytes& afterFirst) {
    WriteFileBytes(m_path, atOpen);
    CFile file(PathString(m_path), CFile::modeRead);
    CArchive ar(&file, CArchive::load, 64);  // every string crosses the buffer's end
    CString value;
    ar >> value;
    EXPECT_EQ(value, first);
    WriteFileBytes(m_path, afterFirst);  // the same file, rewritten in place
    ar >> value;
    return value;
  };
  const Bytes half(full.begin(), full.end() - 100);
  EXPECT_EQ(loadBoth(half, full), second);
  try {
    loadBoth(full, half);
    ADD_FAILURE() << "no exception";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
}

TEST_F(ArchiveTest, LargeWritesAndManySmallOnesGiveTheSameBytes) {
  Bytes block(10000);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i % 251);
  const Bytes large = Store([&](CArchive& ar) {
    ar << static_cast<BYTE>(1);
    ar.Write(block.data(), static_cast<UINT>(block.size()));
  });
  const Bytes small = Store([&](CArchive& ar) {
    ar << static_cast<BYTE>(1);
    for (const unsigned char b : block) ar << static_cast<BYTE>(b);
  });
  EXPECT_EQ(large, small);
  EXPECT_EQ(large.size(), 10001U);
}

TEST_F(ArchiveTest, DirectionIsEnforced) {
  WriteFileBytes(m_path, {1, 2, 3, 4});
  CFile file(PathString(m_path), CFile::modeRead);
  CArchive loading(&file, CArchive::load);
  EXPECT_THROW(loading << static_cast<BYTE>(1), CArchiveException);
  CFile out(PathString(m_dir / "out.bin"), CFile::modeCreate | CFile::modeWrite);
  CArchive storing(&out, CArchive::store);
  BYTE b = 0;
  EXPECT_THROW(storing >> b, CArchiveException);
}

TEST_F(ArchiveTest, AbortDropsTheBuffer) {
  {
    CFile file(PathString(m_path), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << static_cast<DWORD>(42);
    ar.Abort();
    file.Close();
  }
  EXPECT_TRUE(ReadFileBytes(m_path).empty());
}

}  // namespace

namespace {

// A file whose string claims far more than the file stores: a hole reads as zeros, but holes are not data.
TEST_F(ArchiveTest, ASparseFilesHoleIsNoStringData) {
  Bytes header{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40};  // 1 Gi units follow
  WriteFileBytes(m_path, header);
  std::filesystem::resize_file(m_path, (std::uintmax_t{1} << 31) + 64);  // 2 GiB, nearly all hole
  CFile file(PathString(m_path), CFile::modeRead);
  CArchive ar(&file, CArchive::load);
  CString value;
  try {
    ar >> value;
    ADD_FAILURE() << "read " << value.GetLength() << " units from a hole";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
  EXPECT_LT(ar.GetStoredRemainingLength(1 << 20), 4096U * 4);
}

TEST_F(ArchiveTest, LongStringsReadInPiecesAreWhole) {
  // Longer than one piece, with a surrogate pair across the pieces' border and bytes after it.
  std::u16string text(700000, u'a');
  text[524287] = 0xD842;
  text[524288] = 0xDFB7;
  text.back() = u'z';
  const Bytes stored = Store([&](CArchive& ar) { ar << CString(text) << static_cast<BYTE>(7); });
  CString value;
  BYTE after = 0;
  Load(stored, [&](CArchive& ar) { ar >> value >> after; });
  EXPECT_TRUE(value.str() == text);
  EXPECT_EQ(after, 7);
  // The 8-bit form too: no tag, a 32-bit length of 3,000,000 bytes.
  Bytes narrow{0xFF, 0xFF, 0xFF, 0xC0, 0xC6, 0x2D, 0x00};
  narrow.resize(narrow.size() + 3000000, 'b');
  CString wide;
  Load(narrow, [&](CArchive& ar) { ar >> wide; });
  EXPECT_EQ(wide.GetLength(), 3000000);
  EXPECT_EQ(wide[3000000 - 1], u'b');
}

TEST_F(ArchiveTest, TheHashCoversExactlyTheBytesThatPassed) {
  const auto hashOfStore = [&](auto&& write) {
    CFile file(PathString(m_path), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store, 64);  // a small buffer: blocks and pieces mix
    write(ar);
    ar.Close();
    file.Close();
    return ar.GetContentHash();
  };
  const std::u16string longText(1000, u'x');
  const auto stored = hashOfStore([&](CArchive& ar) { ar << static_cast<LONG>(3) << CString(longText) << 1.5; });
  const Bytes bytes = ReadFileBytes(m_path);
  // Loading the same bytes through a different buffer gives the same hash once everything is read.
  CFile file(PathString(m_path), CFile::modeRead);
  CArchive ar(&file, CArchive::load, 4096);
  LONG count = 0;
  ar >> count;
  ar.ReadToEnd();
  EXPECT_EQ(ar.GetContentHash(), stored);
  platform::ContentHash direct;
  direct.Update(bytes.data(), bytes.size());
  EXPECT_EQ(direct.Value(), stored);
  // One changed byte anywhere changes it.
  for (std::size_t i : {std::size_t{0}, bytes.size() / 2, bytes.size() - 1}) {
    Bytes changed = bytes;
    changed[i] ^= 1;
    platform::ContentHash other;
    other.Update(changed.data(), changed.size());
    EXPECT_NE(other.Value(), stored) << i;
  }
  platform::ContentHash shorter;
  shorter.Update(bytes.data(), bytes.size() - 1);
  EXPECT_NE(shorter.Value(), stored);
}

// Random contents of every length around the blocks and the tail: fed in random pieces the hash is the same as fed
// whole, and one flipped bit, two words exchanged or the length cut by a byte each change it.
TEST(ContentHashTest, PiecesDoNotCountAndEveryChangeDoes) {
  std::mt19937 random(1209);
  const auto hashOf = [](const Bytes& bytes) {
    platform::ContentHash hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.Value();
  };
  for (std::size_t length = 0; length < 300; length += 1 + random() % 7) {
    Bytes bytes(length);
    for (BYTE& byte : bytes) byte = static_cast<BYTE>(random() % 4 == 0 ? 0 : random());  // zeros are common
    const std::uint64_t whole = hashOf(bytes);
    platform::ContentHash pieces;
    for (std::size_t at = 0; at < length;) {
      const std::size_t piece = std::min<std::size_t>(length - at, random() % 80);
      pieces.Update(bytes.data() + at, piece);
      at += piece;
    }
    EXPECT_EQ(pieces.Value(), whole) << length;
    if (length == 0) continue;
    Bytes flipped = bytes;
    flipped[random() % length] ^= static_cast<BYTE>(1u << (random() % 8));
    EXPECT_NE(hashOf(flipped), whole) << length;
    if (length >= 16) {
      Bytes exchanged = bytes;
      const std::size_t word = random() % (length / 8 - 1) * 8;
      std::swap_ranges(exchanged.begin() + static_cast<std::ptrdiff_t>(word),
                       exchanged.begin() + static_cast<std::ptrdiff_t>(word + 8),
                       exchanged.begin() + static_cast<std::ptrdiff_t>(word + 8));
      if (exchanged != bytes) {
        EXPECT_NE(hashOf(exchanged), whole) << length << " words at " << word;
      }
    }
    EXPECT_NE(hashOf(Bytes(bytes.begin(), bytes.end() - 1)), whole) << length;
  }
}

}  // namespace
