// The task file's bytes: stores and loads, the worked example, cut and odd files, and the last-file setting.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "platform/core/CWinApp.h"
#include "tests/doc/DocTestSupport.h"
#include "tests/support/TaskBuilder.h"

namespace {

using doctest::Bytes;
using doctest::FailingFactory;
using doctest::Hex;
using doctest::U;

constexpr char kWorkedExample[] =
    "01 00 00 00  FF FE FF 02  F6 4E 0D 54  00 00 00 00  00 00 00 00 50 53 E3 40"
    "  FF FE FF 02 41 00 31 00  FF FE FF 00";

const CString kSection(CTarvelquistDoc::kLastFileSection);
const CString kEntry(CTarvelquistDoc::kLastFileEntry);
const CString kSentinel(u"<not written>");

struct TaskSpec {
  std::u16string subject;
  double value;
  std::int32_t status;
  std::u16string priority;
  std::u16string memo;
};

class Serialize : public ::testing::Test {
 protected:
  Serialize() : app(u"Tarvelquist") {
    app.SetRegistryKey(U(u"VORNAKEL"));
    app.WriteProfileString(kSection, kEntry, kSentinel);
  }

  CString Setting() { return app.GetProfileString(kSection, kEntry); }

  static void Add(CTarvelquistDoc& doc, const TaskSpec& task) {
    tvqtest::AppendTask(doc, *tvqtest::MakeTask(U(task.subject), COleDateTime(task.value, task.status),
                                               U(task.priority), U(task.memo)));
  }

  // The bytes the document stores.
  Bytes Store(CTarvelquistDoc& doc) {
    const std::string path = dir.File("stored.tvq");
    EXPECT_TRUE(doc.OnSaveDocument(CString::FromUtf8(path)));
    return tvqtest::ReadFileBytes(path);
  }

  // Loads bytes into doc as the program's open does (the document then records what it read); returns the
  // result of OnOpenDocument.
  static BOOL Open(CTarvelquistDoc& doc, const CString& path) {
    const BOOL loaded = doc.OnOpenDocument(path);
    if (loaded) doc.RecordLastReadFile();
    return loaded;
  }
  BOOL Load(CTarvelquistDoc& doc, const Bytes& bytes, const std::string& name = "loaded.tvq") {
    const std::string path = dir.File(name);
    tvqtest::WriteFileBytes(path, bytes);
    return Open(doc, CString::FromUtf8(path));
  }

  // A document holding three tasks, to see that a load replaces them.
  static void FillThree(CTarvelquistDoc& doc) {
    for (int i = 0; i < 3; ++i) Add(doc, {u"held", 1.0, 0, u"A1", u""});
  }

  CWinApp app;
  tvqtest::TempDir dir;
  tvqtest::MessageRecorder messages;
};

TEST_F(Serialize, WorkedExampleIsStoredAsItsThirtySixBytes) {
  CTarvelquistDoc doc;
  Add(doc, {u"\u4EF6\u540D", 39578.5, 0, u"A1", u""});
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doctest::ToHex(Store(doc)), doctest::ToHex(Hex(kWorkedExample)));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(Setting(), kSentinel) << "a save never records the file";
}

TEST_F(Serialize, EmptyDocumentIsStoredAsAZeroCount) {
  CTarvelquistDoc doc;
  EXPECT_EQ(Store(doc), Hex("00 00 00 00"));
}

TEST_F(Serialize, StringLengthsAroundTheOneByteLimit) {
  CTarvelquistDoc doc;
  Add(doc, {std::u16string(254, u'x'), 0, 0, std::u16string(255, u'y'), u""});
  const Bytes bytes = Store(doc);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 8), Hex("FF FE FF FE"));
  const std::size_t priority = 4 + 4 + 254 * 2 + 12;
  EXPECT_EQ(Bytes(bytes.begin() + priority, bytes.begin() + priority + 6), Hex("FF FE FF FF FF 00"));
}

TEST_F(Serialize, WorkedExampleLoadsAndRecordsTheFile) {
  CTarvelquistDoc doc;
  FillThree(doc);
  Add(doc, {u"untouched", 1.0, 0, u"A1", u""});  // workTask holds the task last inserted
  ASSERT_TRUE(Load(doc, Hex(kWorkedExample)));
  ASSERT_EQ(doc.GetTaskCount(), 1);
  const TaskItem& task = doc.TaskAt(0);
  EXPECT_EQ(task.subject, U(u"\u4EF6\u540D"));
  EXPECT_EQ(task.dueDate, COleDateTime(39578.5, COleDateTime::valid));
  EXPECT_EQ(task.priority, U(u"A1"));
  EXPECT_TRUE(task.memo.IsEmpty());
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.GetWorkTask().subject, U(u"untouched"));
  EXPECT_EQ(Setting(), CString::FromUtf8(dir.File("loaded.tvq")));
  EXPECT_TRUE(messages.Texts().empty());
}

// Only the program's open flow records a file: a plain read (tvq's) and a reload of the changed file leave the
// setting as it was; the document still knows what it read, for the flow to record afterwards.
TEST_F(Serialize, ReadersAndReloadsRecordNothing) {
  const std::string path = dir.File("read.tvq");
  tvqtest::WriteFileBytes(path, Hex(kWorkedExample));
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(path)));
  EXPECT_EQ(Setting(), kSentinel);
  CTarvelquistDoc other;
  FillThree(other);
  ASSERT_TRUE(other.OnSaveDocument(CString::FromUtf8(path)));
  ASSERT_TRUE(doc.ReloadFromFile());
  EXPECT_EQ(doc.GetTaskCount(), 3);
  EXPECT_EQ(Setting(), kSentinel);
  doc.RecordLastReadFile();
  EXPECT_EQ(Setting(), CString::FromUtf8(path));
}

TEST_F(Serialize, ARelativePathIsRecordedInFull) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  tvqtest::WriteFileBytes(dir.File("relative.tvq"), Hex(kWorkedExample));
  CTarvelquistDoc doc;
  const BOOL loaded = Open(doc, U(u"./relative.tvq"));
  std::filesystem::current_path(previous);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Setting(), CString::FromUtf8(dir.File("relative.tvq")));
}

TEST_F(Serialize, SecondLoadLeavesOnlyTheFilesTasksInFileOrder) {
  CTarvelquistDoc source;
  Add(source, {u"first", 1.5, 0, u"B2", u"m1"});
  Add(source, {u"second", 2.5, 0, u"C3", u"m2"});
  const Bytes bytes = Store(source);
  CTarvelquistDoc doc;
  FillThree(doc);
  ASSERT_TRUE(Load(doc, bytes));
  ASSERT_EQ(doc.GetTaskCount(), 2);
  EXPECT_EQ(doc.TaskAt(0).subject, U(u"first"));
  EXPECT_EQ(doc.TaskAt(1).subject, U(u"second"));
  EXPECT_EQ(doc.TaskAt(1).memo, U(u"m2"));
}

TEST_F(Serialize, EightBitStringsReadThroughTheAnsiCodePage) {
  // Subject without the tag 02 41 42 ("AB"), priority in the tagged form, memo without the tag 82 A0 (あ).
  CTarvelquistDoc doc;
  ASSERT_TRUE(Load(doc, Hex("01 00 00 00  02 41 42  00 00 00 00  00 00 00 00 00 00 F0 3F"
                            "  FF FE FF 02 41 00 31 00  02 82 A0")));
  ASSERT_EQ(doc.GetTaskCount(), 1);
  EXPECT_EQ(doc.TaskAt(0).subject, U(u"AB"));
  EXPECT_EQ(doc.TaskAt(0).dueDate.m_dt, 1.0);
  EXPECT_EQ(doc.TaskAt(0).memo, U(u"\u3042"));
}

TEST_F(Serialize, EmptyFileLoadsNoTasksSilentlyAndRecordsNothing) {
  CTarvelquistDoc doc;
  FillThree(doc);
  ASSERT_TRUE(Load(doc, {}));
  EXPECT_EQ(doc.GetTaskCount(), 0);
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(Setting(), kSentinel);
}

class SerializeCount : public Serialize, public ::testing::WithParamInterface<const char*> {};

TEST_P(SerializeCount, ZeroOrNegativeCountLoadsNoTasksButRecordsTheFile) {
  CTarvelquistDoc doc;
  FillThree(doc);
  ASSERT_TRUE(Load(doc, Hex(GetParam())));
  EXPECT_EQ(doc.GetTaskCount(), 0);
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(Setting(), CString::FromUtf8(dir.File("loaded.tvq")));
}

INSTANTIATE_TEST_SUITE_P(Counts, SerializeCount,
                         ::testing::Values("00 00 00 00", "FF FF FF FF", "00 00 00 80", "FE FF FF FF 01 02 03"));

TEST_F(Serialize, BytesAfterTheLastTaskAreIgnored) {
  Bytes bytes = Hex(kWorkedExample);
  for (const auto byte : Hex("FF FE FF 05 DE AD BE EF")) bytes.push_back(byte);
  CTarvelquistDoc doc;
  ASSERT_TRUE(Load(doc, bytes));
  EXPECT_EQ(doc.GetTaskCount(), 1);
  EXPECT_TRUE(messages.Texts().empty());
}

// Every cut of a two-task file, from inside the count to inside the second memo, is a format error that
// leaves the document empty and the setting alone.
TEST_F(Serialize, EveryCutIsAnUnexpectedFormat) {
  CTarvelquistDoc source;
  Add(source, {u"one", 39578.5, 0, u"A1", u"memo"});
  Add(source, {u"two", 39579.25, 0, u"P0", u"second memo"});
  const Bytes full = Store(source);
  for (std::size_t length = 1; length < full.size(); ++length) {
    CTarvelquistDoc doc;
    FillThree(doc);
    tvqtest::MessageRecorder recorder;
    EXPECT_FALSE(Load(doc, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length))));
    ASSERT_EQ(recorder.Texts(), std::vector<std::string>{"Unexpected file format."}) << "cut at " << length;
    EXPECT_EQ(doc.GetTaskCount(), 0) << "cut at " << length;
    EXPECT_EQ(Setting(), kSentinel);
  }
}

TEST_F(Serialize, AHugeClaimedCountFailsOnTheFileItHas) {
  Bytes bytes = Hex(kWorkedExample);
  bytes[0] = 0xFF;
  bytes[1] = 0xFF;
  bytes[2] = 0xFF;
  bytes[3] = 0x7F;
  CTarvelquistDoc doc;
  EXPECT_FALSE(Load(doc, bytes));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Unexpected file format."});
  EXPECT_EQ(doc.GetTaskCount(), 0);
}

TEST_F(Serialize, StatusesAndNanPayloadsSurviveLoadAndStore) {
  const Bytes file = Hex(
      "03 00 00 00"
      "  FF FE FF 00  02 00 00 00  00 00 00 00 00 00 F0 3F  FF FE FF 00  FF FE FF 00"
      "  FF FE FF 00  07 00 00 00  00 00 00 00 B0 D5 F1 40  FF FE FF 00  FF FE FF 00"
      "  FF FE FF 00  01 00 00 00  01 23 45 67 89 AB F7 FF  FF FE FF 00  FF FE FF 00");
  CTarvelquistDoc doc;
  ASSERT_TRUE(Load(doc, file));
  ASSERT_EQ(doc.GetTaskCount(), 3);
  EXPECT_EQ(doc.TaskAt(0).dueDate.GetStatus(), 2);
  EXPECT_EQ(doc.TaskAt(1).dueDate.GetStatus(), 7);
  EXPECT_EQ(DateBits(doc.TaskAt(2).dueDate.m_dt), 0xFFF7AB8967452301ull);
  EXPECT_EQ(Store(doc), file);
}

TEST_F(Serialize, ASaveNeverRecordsTheFile) {
  CTarvelquistDoc doc;
  ASSERT_TRUE(Load(doc, Hex(kWorkedExample)));
  app.WriteProfileString(kSection, kEntry, kSentinel);
  EXPECT_TRUE(doc.OnSaveDocument(CString::FromUtf8(dir.File("saved.tvq"))));
  EXPECT_EQ(Setting(), kSentinel);
}

TEST_F(Serialize, NoMemoryForATaskFailsTheOpenWithNoHalfMadeTask) {
  CTarvelquistDoc source;
  Add(source, {u"one", 1, 0, u"A1", u""});
  Add(source, {u"two", 2, 0, u"A1", u""});
  const Bytes bytes = Store(source);
  CTarvelquistDoc doc;
  FillThree(doc);
  {
    FailingFactory failing(1);
    EXPECT_FALSE(Load(doc, bytes));
  }
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Failed to open document."});
  EXPECT_EQ(doc.GetTaskCount(), 0);
  EXPECT_EQ(Setting(), kSentinel);
}

// Random task lists, including NUL, unpaired surrogates, NaN patterns, odd statuses and a 100,000-unit
// string: stored, loaded and stored again, the bytes are identical and so is every field.
class RandomLists {
 public:
  explicit RandomLists(unsigned seed) : m_random(seed) {}

  std::u16string Text(bool allowHuge) {
    std::size_t length = Pick(0, 40);
    const unsigned shape = Pick(0, 20);
    if (shape == 0) length = Pick(250, 260);
    if (shape == 1) length = Pick(65530, 65540);
    if (shape == 2 && allowHuge) length = 100000;
    std::u16string text;
    text.reserve(length);
    for (std::size_t i = 0; i < length; ++i) text.push_back(Unit());
    return text;
  }

  double Value() {
    static constexpr std::uint64_t kPatterns[] = {0x7FF8000000000000ull, 0xFFF8000000000001ull,
                                                  0x7FF0000000000001ull, 0x7FF0000000000000ull,
                                                  0x8000000000000000ull, 0x0000000000000001ull};
    const unsigned shape = Pick(0, 9);
    if (shape < 3) return DateFromBits(kPatterns[Pick(0, 5)]);
    if (shape < 5) return DateFromBits((static_cast<std::uint64_t>(m_random()) << 32) | m_random());
    return static_cast<double>(Pick(0, 3000000)) / 32.0 - 20000.0;
  }

  std::int32_t Status() {
    static constexpr std::int32_t kStatuses[] = {0, 1, 2, 7, -1, 2147483647, -2147483647 - 1};
    return kStatuses[Pick(0, 6)];
  }

  unsigned Pick(unsigned low, unsigned high) { return std::uniform_int_distribution<unsigned>(low, high)(m_random); }

 private:
  char16_t Unit() {
    switch (Pick(0, 7)) {
      case 0:
        return u'\0';
      case 1:
        return static_cast<char16_t>(Pick(0xD800, 0xDFFF));  // a lone surrogate, usually
      case 2:
        return static_cast<char16_t>(Pick(0x4E00, 0x9FFF));
      case 3:
        return static_cast<char16_t>(Pick(0, 0xFFFF));
      default:
        return static_cast<char16_t>(Pick(0x20, 0x7E));
    }
  }

  std::mt19937 m_random;
};

TEST_F(Serialize, RandomListsStoreLoadStoreToTheSameBytes) {
  RandomLists random(20080510);
  CTarvelquistDoc loaded;  // each load goes over the last round's list, whose tasks it takes over
  for (int round = 0; round < 40; ++round) {
    CTarvelquistDoc doc;
    const unsigned count = random.Pick(0, round % 10 == 0 ? 200 : 8);
    for (unsigned i = 0; i < count; ++i) {
      Add(doc, {random.Text(round == 7), random.Value(), random.Status(), random.Text(false), random.Text(false)});
    }
    const Bytes first = Store(doc);
    ASSERT_TRUE(Load(loaded, first));
    ASSERT_EQ(loaded.GetTaskCount(), doc.GetTaskCount());
    for (int i = 0; i < doc.GetTaskCount(); ++i) {
      const TaskItem& a = doc.TaskAt(i);
      const TaskItem& b = loaded.TaskAt(i);
      ASSERT_EQ(a.subject, b.subject);
      ASSERT_EQ(a.priority, b.priority);
      ASSERT_EQ(a.memo, b.memo);
      ASSERT_EQ(a.dueDate.GetStatus(), b.dueDate.GetStatus());
      ASSERT_EQ(DateBits(a.dueDate.m_dt), DateBits(b.dueDate.m_dt));
    }
    ASSERT_EQ(Store(loaded), first) << "round " << round;
  }
}

}  // namespace
