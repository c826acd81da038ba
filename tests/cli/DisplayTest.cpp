#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "cli/Display.h"
#include "cli/Ics.h"
#include "cli/Json.h"
#include "platform/core/Utf.h"
#include "tests/cli/Hostile.h"

namespace {

using tvqcli::CodePointWidth;
using tvqcli::CutToWidth;
using tvqcli::Table;

TEST(Display, WidthsFollowEastAsianWidth) {
  EXPECT_EQ(CodePointWidth(U'a'), 1);
  EXPECT_EQ(CodePointWidth(U'\u4EF6'), 2);    // kanji
  EXPECT_EQ(CodePointWidth(U'\u30E1'), 2);    // katakana
  EXPECT_EQ(CodePointWidth(U'\uFF71'), 1);    // halfwidth katakana
  EXPECT_EQ(CodePointWidth(U'\uFF21'), 2);    // fullwidth A
  EXPECT_EQ(CodePointWidth(U'\u0301'), 0);    // combining accent
  EXPECT_EQ(CodePointWidth(U'\u3099'), 0);    // combining voiced mark
  EXPECT_EQ(CodePointWidth(U'\U0001F600'), 2);
  EXPECT_EQ(CodePointWidth(U'\u21B5'), 1);
}

TEST(Display, ShownTextMarksBreaksAndControls) {
  EXPECT_EQ(tvqcli::ShownText(u"a\r\nb\nc\rd"), U"a\u21B5b\u21B5c\u21B5d");
  EXPECT_EQ(tvqcli::ShownText(std::u16string(u"\t") + u'\0' + u"\x7F\x1B[2J"), U"\u2409\u2400\u2421\u241B[2J");
  // The controls a terminal acts on without showing them, and text that is not valid, as escapes.
  EXPECT_EQ(tvqcli::ShownText(u"\x9B" u"31m\u202Eabc\u2066\u200F\u061C\u2028"),
            U"\\u009B31m\\u202Eabc\\u2066\\u200F\\u061C\\u2028");
  EXPECT_EQ(tvqcli::ShownText(u"\xD800x\U0001F600\xDFFF"), U"\\uD800x\U0001F600\\uDFFF");
  // Ordinary text beside them stays as it is.
  EXPECT_EQ(tvqcli::ShownText(u"\u4EF6\u00A0\u061B\u2030\u2065 ='\"\\"), U"\u4EF6\u00A0\u061B\u2030\u2065 ='\"\\");
}

TEST(Display, MessagesAndFileNamesShowTheSameWayAndBadBytesAsEscapes) {
  EXPECT_EQ(tvqcli::TerminalText(std::string_view("a\x1B[31m\xC2\x9B\xE2\x80\xAE\r\n")),
            "a\xE2\x90\x9B[31m\\u009B\\u202E\xE2\x86\xB5");
  EXPECT_EQ(tvqcli::TerminalText(std::string_view("\xFF\xC3(\xED\xA0\x80\xE4\xBB")), "\\xFF\\xC3(\\xED\\xA0\\x80\\xE4\\xBB");
  EXPECT_EQ(tvqcli::TerminalText(u"\x1B\xD800"), "\xE2\x90\x9B\\uD800");
  // A file's own line ends stay on a terminal; a lone CR or LF inside it does not.
  EXPECT_EQ(tvqcli::TerminalLines("a\r\nb\rc\nd\x1B\r\n"), "a\r\nb\xE2\x86\xB5" "c\xE2\x86\xB5" "d\xE2\x90\x9B\r\n");
}

TEST(Display, NoControlEverReachesTheTerminal) {
  std::mt19937 random(20240510);
  for (int round = 0; round < 3000; ++round) {
    const std::u16string text = clitest::HostileText(random, 40);
    std::string utf8;
    for (const char16_t unit : text) utf8.push_back(static_cast<char>(unit));  // bytes of every kind
    std::string cells;
    platform::AppendUtf8(cells, tvqcli::ShownText(text));
    EXPECT_EQ(clitest::TerminalHazard(cells), "");
    EXPECT_EQ(clitest::TerminalHazard(tvqcli::TerminalText(text)), "");
    EXPECT_EQ(clitest::TerminalHazard(tvqcli::TerminalText(utf8)), "");
    EXPECT_EQ(clitest::TerminalHazard(tvqcli::TerminalLines(utf8), true), "");
    // Cut to any width, a cell keeps none either.
    Table table(2);
    table.Add(text, 7);
    table.Add(text);
    EXPECT_EQ(clitest::TerminalHazard(table.Format({false, false}, {true, true}, 5 + round % 20)), "");
    if (HasFailure()) break;
  }
}

TEST(Display, CuttingNeverSplitsAWideCharacterAndEndsInAnEllipsis) {
  EXPECT_EQ(CutToWidth(U"abc", 3), U"abc");
  EXPECT_EQ(CutToWidth(U"abcd", 3), U"ab\u2026");
  EXPECT_EQ(CutToWidth(U"\u4EF6\u540D\u4EF6", 4), U"\u4EF6\u2026");  // 3 columns: the second kanji does not fit
  EXPECT_EQ(CutToWidth(U"\u4EF6\u540D\u4EF6", 5), U"\u4EF6\u540D\u2026");
}

TEST(Display, TablePadsByWidthAndSharesTheRoom) {
  Table table(3);
  for (const char16_t* text : {u"#", u"\u4EF6\u540D", u"m", u"10", u"ab", u"0123456789abcdef"}) table.Add(text);
  EXPECT_EQ(table.Format({true, false, false}, {false, true, true}, 0),
            " #  \xE4\xBB\xB6\xE5\x90\x8D  m\n10  ab    0123456789abcdef\n");
  EXPECT_EQ(table.Format({true, false, false}, {false, true, true}, 16),
            " #  \xE4\xBB\xB6\xE5\x90\x8D  m\n10  ab    01234\xE2\x80\xA6\n");
}

// The table as plainly as it can be laid out: each cell shown whole up to its limit, the widths, the shares of
// the room, then each cell cut with CutToWidth and padded.
struct ModelCell {
  std::u16string text;
  int limit;
  bool lasting;
};
std::string ModelTable(const std::vector<ModelCell>& cells, std::size_t columns, const std::vector<bool>& right,
                       const std::vector<bool>& shrinkable, int maxWidth) {
  std::vector<std::u32string> shown;
  std::vector<int> width(columns, 0);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    std::u32string kept;
    int used = 0;
    for (const char32_t codePoint : tvqcli::ShownText(cells[i].text)) {
      if (cells[i].limit > 0 && used > cells[i].limit) break;
      kept.push_back(codePoint);
      used += CodePointWidth(codePoint);
    }
    width[i % columns] = std::max(width[i % columns], used);
    shown.push_back(kept);
  }
  int total = 2 * static_cast<int>(columns - 1);
  for (const int w : width) total += w;
  if (maxWidth > 0 && total > maxWidth) {
    int room = maxWidth - 2 * static_cast<int>(columns - 1);
    std::vector<std::size_t> sharing;
    for (std::size_t c = 0; c < columns; ++c) {
      if (shrinkable[c]) sharing.push_back(c); else room -= width[c];
    }
    std::stable_sort(sharing.begin(), sharing.end(), [&](std::size_t a, std::size_t b) { return width[a] < width[b]; });
    for (std::size_t k = 0; k < sharing.size(); ++k) {
      width[sharing[k]] = std::min(width[sharing[k]], std::max(room / static_cast<int>(sharing.size() - k), 4));
      room -= width[sharing[k]];
    }
  }
  std::string out;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const std::size_t c = i % columns;
    const std::u32string cell = tvqcli::TextWidth(shown[i]) > width[c] ? CutToWidth(shown[i], width[c]) : shown[i];
    const std::string pad(static_cast<std::size_t>(std::max(width[c] - tvqcli::TextWidth(cell), 0)), ' ');
    if (right[c]) out += pad;
    platform::AppendUtf8(out, cell);
    if (c + 1 < columns) {
      out += (right[c] ? "" : pad) + "  ";
      continue;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
  }
  return out;
}

TEST(Display, TableLaysOutAsThePlainModel) {
  std::mt19937 random(20261209);
  const std::u16string extras[] = {u"\u0301", u"\u30E1\u30E2", u"\uFF71", u"\uFE0F", u"\U0001F9D0", u"abcdefgh"};
  for (int round = 0; round < 1500 && !HasFailure(); ++round) {
    const std::size_t columns = 1 + random() % 5;
    std::vector<bool> right, shrinkable;
    for (std::size_t c = 0; c < columns; ++c) {
      right.push_back(random() % 3 == 0);
      shrinkable.push_back(random() % 2 == 0);
    }
    const int maxWidth = static_cast<int>(random() % 4 == 0 ? 0 : random() % 90);
    std::vector<ModelCell> cells;
    Table table(columns);
    if (random() % 2 == 0) table.Reserve(random() % 8, random() % 64);  // copies outgrow it: more blocks
    for (std::size_t i = 0, count = columns * (random() % 6); i < count; ++i) {
      std::u16string text = clitest::HostileText(random, 1 + random() % 80);
      for (int k = static_cast<int>(random() % 4); k > 0; --k) text.insert(random() % (text.size() + 1), extras[random() % 6]);
      cells.push_back({text, static_cast<int>(random() % 3 == 0 ? 0 : 1 + random() % 40), random() % 2 == 0});
    }
    for (const ModelCell& cell : cells) {
      if (cell.lasting) table.AddLasting(cell.text, cell.limit); else table.Add(cell.text, cell.limit);
    }
    EXPECT_EQ(table.Format(right, shrinkable, maxWidth), ModelTable(cells, columns, right, shrinkable, maxWidth))
        << "round " << round;
  }
}

// The lines of a calendar as written (each ends in CRLF) and unfolded.
std::vector<std::string> UnfoldedIcsLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string physical = text.substr(start, end - start);
    EXPECT_LE(physical.size(), 75u);
    std::u16string decoded;
    EXPECT_TRUE(tvqjson::Utf8ToUtf16(physical.substr(physical[0] == ' ' ? 1 : 0), decoded)) << "split inside a character";
    if (physical[0] == ' ' && !lines.empty()) {
      lines.back() += physical.substr(1);
    } else {
      lines.push_back(physical);
    }
  }
  EXPECT_EQ(start, text.size()) << "every line ends in CRLF";
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Ics, FoldsAt75OctetsWithoutSplittingACharacter) {
  TaskItem task;
  std::u16string subject;
  for (int i = 0; i < 60; ++i) subject += u'\u4EF6';  // three octets each in UTF-8
  task.subject = CString(subject);
  std::string expected = "SUMMARY:";
  for (int i = 0; i < 60; ++i) expected += "\xE4\xBB\xB6";
  EXPECT_TRUE(HasLine(UnfoldedIcsLines(tvqcli::TasksToIcs({&task})), expected));
}

TEST(Ics, TextValuesAreEscaped) {
  TaskItem task;
  task.subject = CString(u"a,b;c\\d\r\ne\nf\x01g\tH");
  const auto lines = UnfoldedIcsLines(tvqcli::TasksToIcs({&task}));
  EXPECT_TRUE(HasLine(lines, "SUMMARY:a\\,b\\;c\\\\d\\ne\\nfg\tH"));
}

}  // namespace
