// The platform stays a platform: nothing under platform/ names the program (its name, its company, its files'
// extension, its Japanese texts, any text of its resources), it includes nothing of the program, its core
// nothing of its window layer, every source has its header, and its sources include (so call) each other in one
// direction only: no circle such as document -> application -> template -> document. A test hook lives in
// a "…TestHooks.h" header beside its unit, which only that unit's source and tests include.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/DialogTemplate.h"
#include "platform/core/MenuTemplate.h"
#include "platform/core/Resource.h"
#include "platform/core/Utf.h"
#include "res/ProgramResources.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = TVQ_SOURCE_DIR;

struct SourceFile {
  fs::path path;  // relative to the root
  std::string text;
};

bool IsSource(const fs::path& path) {
  const std::string name = path.filename().string();
  const std::string extension = path.extension().string();
  return extension == ".h" || extension == ".cpp" || extension == ".cmake" || name == "CMakeLists.txt";
}

std::vector<SourceFile> SourcesUnder(const fs::path& folder) {
  std::vector<SourceFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(kRoot / folder)) {
    if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files.push_back({fs::relative(entry.path(), kRoot), text.str()});
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  return files;
}

// The line of `text` at byte `offset`, for the failure message.
std::string LineAt(const std::string& text, std::size_t offset) {
  const std::size_t start = text.rfind('\n', offset);
  const std::size_t begin = start == std::string::npos ? 0 : start + 1;
  const std::size_t line = static_cast<std::size_t>(std::count(text.begin(), text.begin() + begin, '\n')) + 1;
  return std::to_string(line) + ": " + text.substr(begin, text.find('\n', offset) - begin);
}

// ---- the program's words -------------------------------------------------------------------------------

// A text of the program's resources as it may be written in a source: the parts between line breaks and tabs,
// without mnemonic ampersands.
void AddTextParts(const std::u16string& text, std::set<std::string>& words) {
  std::u16string part;
  auto flush = [&] {
    // Short parts ("OK", "P", a digit) say nothing of whose they are.
    const bool ascii = std::all_of(part.begin(), part.end(), [](char16_t c) { return c < 0x80; });
    if (part.size() >= (ascii ? 4U : 2U)) words.insert(CString(part).ToUtf8());
    part.clear();
  };
  for (const char16_t c : text) {
    if (c == u'\n' || c == u'\t') {
      flush();
    } else if (c != u'&') {
      part += c;
    }
  }
  flush();
}

void AddMenuTexts(const std::vector<platform::MenuItemTemplate>& items, std::set<std::string>& words) {
  for (const platform::MenuItemTemplate& item : items) {
    AddTextParts(item.text, words);
    AddMenuTexts(item.children, words);
  }
}

// Every text of the program's string table, dialogs and menus.
std::set<std::string> ProgramTexts() {
  std::set<std::string> words;
  const HINSTANCE module = TarvelquistResources();
  for (const CResourceModule::Entry& entry : module->Entries()) {
    if (entry.type == ResId(RT_STRING) && entry.name.IsOrdinal()) {
      const UINT first = (entry.name.Ordinal() - 1U) * 16U;
      for (UINT id = first; id < first + 16; ++id) {
        CString text;
        if (module->LoadString(id, text)) AddTextParts(text.str(), words);
      }
    } else if (entry.type == ResId(RT_DIALOG)) {
      const auto dialog = platform::ParseDialogTemplate(entry.data);
      if (!dialog) continue;
      AddTextParts(dialog->title, words);
      for (const platform::DialogItemTemplate& item : dialog->items) {
        if (!item.title.isOrdinal) AddTextParts(item.title.name, words);
      }
    } else if (entry.type == ResId(RT_MENU)) {
      if (const auto menu = platform::ParseMenuTemplate(entry.data)) AddMenuTexts(menu->items, words);
    }
  }
  return words;
}

// Japanese writing: CJK punctuation, kana, ideographs and full-width forms.
bool IsJapanese(char32_t c) {
  return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

// The byte offset of the first Japanese character of UTF-8 `text`, or npos.
std::size_t FindJapanese(const std::string& text) {
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    const std::size_t length = platform::DecodeUtf8(text, pos, c);
    if (length != 0 && IsJapanese(c)) return pos;
    pos += std::max<std::size_t>(length, 1);
  }
  return std::string::npos;
}

TEST(PlatformRulesTest, TheResourcesGiveTheProgramsTexts) {
  // The check below is only as good as what it looks for.
  const std::set<std::string> texts = ProgramTexts();
  for (const char* expected : {"Tarvelquist", ".tvq", "Tarvelquist Files (*.tvq)", "TarvelQuist.Document"}) {
    EXPECT_TRUE(texts.count(expected)) << expected;
  }
  for (const char* expected : {"件名：", "メニュー", "期限なし", "レディ"}) EXPECT_TRUE(texts.count(expected)) << expected;
}

TEST(PlatformRulesTest, ThePlatformNamesNoProgram) {
  const std::set<std::string> texts = ProgramTexts();
  // Its name and its company in any case, its files' extension and its tool as words of their own.
  const std::regex names(R"((tarvelquist|vornakel)|(^|[^A-Za-z0-9_])tvq([^A-Za-z0-9_]|$))", std::regex::icase);
  for (const SourceFile& file : SourcesUnder("platform")) {
    const std::string where = file.path.string() + ":";
    std::smatch match;
    if (std::regex_search(file.text, match, names)) {
      ADD_FAILURE() << where << LineAt(file.text, static_cast<std::size_t>(match.position(0)));
    }
    for (const std::string& text : texts) {
      const std::size_t found = file.text.find(text);
      if (found != std::string::npos) ADD_FAILURE() << where << LineAt(file.text, found) << "  (\"" << text << "\")";
    }
    if (const std::size_t japanese = FindJapanese(file.text); japanese != std::string::npos) {
      ADD_FAILURE() << where << LineAt(file.text, japanese) << "  (Japanese text)";
    }
  }
}

// ---- includes ------------------------------------------------------------------------------------------

// The quoted includes of a file: "platform/ui/CWnd.h", ...
std::vector<std::string> IncludesOf(const std::string& text) {
  static const std::regex include(R"re(^\s*#\s*include\s+"([^"]+)")re");
  std::vector<std::string> found;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, include)) found.push_back(match[1]);
  }
  return found;
}

TEST(PlatformRulesTest, ThePlatformIncludesNothingOfTheProgramAndItsCoreNothingOfItsWindows) {
  for (const SourceFile& file : SourcesUnder("platform")) {
    const bool core = file.path.begin()->string() == "platform" && (++file.path.begin())->string() == "core";
    for (const std::string& included : IncludesOf(file.text)) {
      EXPECT_EQ(included.rfind("platform/", 0), 0U) << file.path << " includes " << included;
      if (core) {
        EXPECT_NE(included.rfind("platform/ui/", 0), 0U) << file.path << " includes " << included;
      }
    }
  }
}

TEST(PlatformRulesTest, EverySourceOfThePlatformHasItsHeader) {
  for (const SourceFile& file : SourcesUnder("platform")) {
    if (file.path.extension() != ".cpp") continue;
    fs::path header = kRoot / file.path;
    header.replace_extension(".h");
    EXPECT_TRUE(fs::exists(header)) << file.path;
    EXPECT_EQ(IncludesOf(file.text).front(), fs::path(file.path).replace_extension(".h").string())
        << file.path << " includes another header first";
  }
}

// A source and its header are one unit; a unit depends on another when either of its files includes the other's
// header. A circle of units is what this forbids: a .cpp that includes a header whose unit includes its own, so
// that calls run round (the core's units are "platform/core/CDocument", the window layer's "platform/ui/CWnd").
using Graph = std::map<std::string, std::set<std::string>>;

constexpr std::string_view kTestHooks = "TestHooks";

// The unit of a file or an include: its path without the extension; a unit's test hooks belong to it.
std::string UnitOf(const fs::path& path) {
  std::string unit = fs::path(path).replace_extension().generic_string();
  if (unit.ends_with(kTestHooks)) unit.resize(unit.size() - kTestHooks.size());
  return unit;
}

Graph PlatformUnits() {
  Graph graph;
  for (const SourceFile& file : SourcesUnder("platform")) {
    if (file.path.extension() != ".h" && file.path.extension() != ".cpp") continue;
    const std::string unit = UnitOf(file.path);
    graph[unit];
    for (const std::string& included : IncludesOf(file.text)) {
      if (included.rfind("platform/", 0) != 0) continue;
      const std::string other = UnitOf(included);
      if (other != unit) graph[unit].insert(other);
    }
  }
  return graph;
}

// A circle of the graph as "A -> B -> A", or empty.
std::string FindCircle(const Graph& graph) {
  enum class Mark { none, open, done };
  std::map<std::string, Mark> marks;
  std::vector<std::string> path;
  std::string circle;
  std::function<bool(const std::string&)> visit = [&](const std::string& unit) {
    marks[unit] = Mark::open;
    path.push_back(unit);
    const auto edges = graph.find(unit);
    for (const std::string& next : edges == graph.end() ? std::set<std::string>{} : edges->second) {
      if (marks[next] == Mark::open) {
        for (auto it = std::find(path.begin(), path.end(), next); it != path.end(); ++it) circle += *it + " -> ";
        circle += next;
        return true;
      }
      if (marks[next] == Mark::none && visit(next)) return true;
    }
    path.pop_back();
    marks[unit] = Mark::done;
    return false;
  };
  for (const auto& [unit, edges] : graph) {
    if (marks[unit] == Mark::none && visit(unit)) return circle;
  }
  return {};
}

TEST(PlatformRulesTest, TheCircleFinderFindsACircle) {
  EXPECT_EQ(FindCircle({{"A", {"B"}}, {"B", {"C"}}, {"C", {}}}), "");
  EXPECT_EQ(FindCircle({{"A", {"B"}}, {"B", {"C"}}, {"C", {"B"}}}), "B -> C -> B");
}

TEST(PlatformRulesTest, ThePlatformIncludesInOneDirection) {
  const Graph graph = PlatformUnits();
  ASSERT_GT(graph.size(), 50U);
  ASSERT_TRUE(graph.count("platform/core/CDocument") && graph.count("platform/ui/CWnd"));
  // The circle this once had, as the finder would see it again.
  Graph withOldCircle = graph;
  withOldCircle["platform/core/CDocument"].insert("platform/core/CWinApp");
  EXPECT_NE(FindCircle(withOldCircle), "");
  EXPECT_EQ(FindCircle(graph), "");
}

// The program and its platform carry no test-only API: a hooks header is included by its own unit's source
// alone (which defines the hooks), and by tests.
TEST(PlatformRulesTest, OnlyTheirOwnUnitIncludesTestHooks) {
  std::size_t hooks = 0;
  for (const char* folder : {"app", "cli", "doc", "editor", "platform", "view"}) {
    for (const SourceFile& file : SourcesUnder(folder)) {
      if (file.path.stem().string().ends_with(kTestHooks)) ++hooks;
      for (const std::string& included : IncludesOf(file.text)) {
        if (!fs::path(included).stem().string().ends_with(kTestHooks)) continue;
        EXPECT_TRUE(file.path.extension() == ".cpp" && UnitOf(included) == UnitOf(file.path))
            << file.path << " includes " << included;
      }
    }
  }
  EXPECT_GT(hooks, 0U);  // what this looks for exists
}

}  // namespace
