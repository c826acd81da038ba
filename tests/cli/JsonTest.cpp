#include <gtest/gtest.h>

#include <string>

#include "cli/Json.h"

namespace {

using tvqjson::JsonError;
using tvqjson::JsonReader;
using tvqjson::JsonType;

std::string Quoted(std::u16string_view text) {
  std::string out;
  tvqjson::AppendString(out, text);
  return out;
}

TEST(Json, WriterEscapesControlsAndKeepsLoneSurrogates) {
  EXPECT_EQ(Quoted(u"a\"b\\c\n\t\x01\x7F"), "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f\"");
  // What a terminal would act on is escaped too (C1 controls, direction controls, line separators); the
  // characters beside them stay UTF-8.
  EXPECT_EQ(Quoted(u"\x9B\u202E\u2066\u200F\u061C\u2028\u00A0\u2030\u061B"),
            "\"\\u009b\\u202e\\u2066\\u200f\\u061c\\u2028\xC2\xA0\xE2\x80\xB0\xD8\x9B\"");
  EXPECT_EQ(Quoted(std::u16string(1, u'\0')), "\"\\u0000\"");
  EXPECT_EQ(Quoted(u"\u4EF6\u540D"), "\"\xE4\xBB\xB6\xE5\x90\x8D\"");
  EXPECT_EQ(Quoted(u"\U0001F600"), "\"\xF0\x9F\x98\x80\"");
  EXPECT_EQ(Quoted(u"\xD800x\xDC00"), "\"\\ud800x\\udc00\"");
  EXPECT_EQ(Quoted(u"\xDC00\xD800"), "\"\\udc00\\ud800\"");
}

TEST(Json, ReaderReadsBackWhatTheWriterWrites) {
  const std::u16string samples[] = {u"", u"plain", u"\u4EF6\u540D\n\r\t\"\\/", u"\xD800", u"a\xDFFFz",
                                    std::u16string(3, u'\0'), u"\U0001F600\uFFFF", u"\x7F\x85\x9B\u202E\u2069\u200E"};
  for (const auto& sample : samples) {
    const std::string json = Quoted(sample);
    JsonReader reader(json);
    EXPECT_EQ(reader.ReadString(), sample) << json;
    reader.End();
  }
}

TEST(Json, NumbersAreShortestAndRoundTrip) {
  auto number = [](double value) {
    std::string out;
    tvqjson::AppendNumber(out, value);
    return out;
  };
  EXPECT_EQ(number(39578.5), "39578.5");
  EXPECT_EQ(number(73051.0), "73051");
  EXPECT_EQ(number(0.1), "0.1");
  EXPECT_EQ(number(-1.25), "-1.25");
  EXPECT_EQ(number(1.0 / 0.0), "null");
}

TEST(Json, ReaderWalksObjectsAndArrays) {
  JsonReader reader(" {\"a\": [1, -2.5e3, true, null, {\"x\": []}], \"b\": \"s\"} ");
  reader.BeginObject();
  std::u16string key;
  ASSERT_TRUE(reader.NextKey(key));
  EXPECT_EQ(key, u"a");
  reader.BeginArray();
  ASSERT_TRUE(reader.NextElement());
  EXPECT_EQ(reader.ReadNumberText(), "1");
  ASSERT_TRUE(reader.NextElement());
  EXPECT_EQ(reader.ReadNumberText(), "-2.5e3");
  ASSERT_TRUE(reader.NextElement());
  EXPECT_TRUE(reader.ReadBool());
  ASSERT_TRUE(reader.NextElement());
  reader.ReadNull();
  ASSERT_TRUE(reader.NextElement());
  EXPECT_EQ(reader.Peek(), JsonType::object);
  reader.SkipValue();
  EXPECT_FALSE(reader.NextElement());
  ASSERT_TRUE(reader.NextKey(key));
  EXPECT_EQ(key, u"b");
  EXPECT_EQ(reader.ReadString(), u"s");
  EXPECT_FALSE(reader.NextKey(key));
  reader.End();
}

struct BadCase {
  std::string text;
  int line;
  int column;
};

class JsonBad : public ::testing::TestWithParam<BadCase> {};

// Each bad text, skipped as one value and then ended, fails at the stated place.
TEST_P(JsonBad, FailsWithLineAndColumn) {
  JsonReader reader(GetParam().text);
  try {
    reader.SkipValue();
    reader.End();
    FAIL() << "accepted: " << GetParam().text;
  } catch (const JsonError& error) {
    EXPECT_EQ(error.Line(), GetParam().line) << error.what();
    EXPECT_EQ(error.Column(), GetParam().column) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Strict, JsonBad,
    ::testing::Values(BadCase{"[1,]", 1, 4}, BadCase{"{\"a\":1,}", 1, 8}, BadCase{"[01]", 1, 3},
                      BadCase{"{'a':1}", 1, 2}, BadCase{"[1 2]", 1, 4}, BadCase{"[\n  tru]", 2, 3},
                      BadCase{"\"a\tb\"", 1, 3}, BadCase{"\"\\x\"", 1, 3}, BadCase{"[\"\\u12\"]", 1, 7},
                      BadCase{"[1] x", 1, 5}, BadCase{"", 1, 1}, BadCase{"[\"\xC3\x28\"]", 1, 3},
                      BadCase{"[\"\xED\xA0\x80\"]", 1, 3}, BadCase{"[1.]", 1, 4}, BadCase{"[-]", 1, 3},
                      BadCase{"[NaN]", 1, 2}, BadCase{"{\"\u4EF6\": x}", 1, 7}, BadCase{"{\"a\" 1}", 1, 6},
                      BadCase{"[[[", 1, 4}));

TEST(Json, DeepNestingIsRefusedWithoutRecursion) {
  const std::string deep(1000000, '[');
  JsonReader reader(deep);
  try {
    reader.SkipValue();
    FAIL() << "accepted";
  } catch (const JsonError& error) {
    EXPECT_EQ(error.Column(), JsonReader::kMaxDepth + 1);
  }
  std::string fine(JsonReader::kMaxDepth, '[');
  fine += std::string(JsonReader::kMaxDepth, ']');
  JsonReader ok(fine);
  ok.SkipValue();
  ok.End();
}

TEST(Json, StrictUtf8Conversion) {
  std::u16string out;
  EXPECT_TRUE(tvqjson::Utf8ToUtf16("a\xE4\xBB\xB6\xF0\x9F\x98\x80", out));
  EXPECT_EQ(out, u"a\u4EF6\U0001F600");
  EXPECT_FALSE(tvqjson::Utf8ToUtf16("\xC0\xAF", out));        // overlong
  EXPECT_FALSE(tvqjson::Utf8ToUtf16("\xED\xA0\x80", out));     // a surrogate
  EXPECT_FALSE(tvqjson::Utf8ToUtf16("\xF4\x90\x80\x80", out)); // above U+10FFFF
  EXPECT_FALSE(tvqjson::Utf8ToUtf16("\xE4\xBB", out));         // cut
}

}  // namespace
