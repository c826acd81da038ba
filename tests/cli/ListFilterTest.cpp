// tvq list's filters and order, run as a process on files written by the document: random lists and random
// filters against a simple model with a fixed today, and named cases for the date words at the edges of days,
// months and years.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "cli/TaskFilter.h"
#include "doc/TaskItem.h"
#include "doc/TaskText.h"
#include "tests/cli/TaskFiles.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

namespace {

using clitest::RunTvq;
using clitest::TaskFields;
using std::chrono::days;
using tvqcli::Day;
using tvqcli::IsoDate;

// Pieces of text whose forms fold alike (case, width, katakana and hiragana); each piece folds to a character
// no other piece folds to, so "contains" in folded text is "contains" in pieces.
const std::vector<std::vector<std::u16string>> kPieces = {
    {u"a", u"A", u"\uFF41", u"\uFF21"},       // a A ａ Ａ
    {u"e", u"E", u"\uFF45", u"\uFF25"},       // e E ｅ Ｅ
    {u"1", u"\uFF11"},                        // 1 １
    {u"7", u"\uFF17"},                        // 7 ７
    {u"\u304B", u"\u30AB", u"\uFF76"},        // か カ ｶ
    {u"\u304C", u"\u30AC", u"\uFF76\uFF9E"},  // が ガ ｶﾞ
    {u"\u3093", u"\u30F3", u"\uFF9D"},        // ん ン ﾝ
    {u"\u30FC", u"\uFF70"},                   // ー ｰ
    {u" ", u"\u3000"},                        // space, ideographic space
    {u"\u6B6F"},                              // 歯
    {u"\u533B"},                              // 医
};

std::string Utf8(const std::u16string& text) { return CString(text).ToUtf8(); }

COleDateTime At(Day day, int hour, int minute, int second) {
  const std::chrono::year_month_day date(day);
  return COleDateTime(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                      static_cast<int>(static_cast<unsigned>(date.day())), hour, minute, second);
}

// What the model knows of a task: its pieces, its day (none for a task shown without one or with a date the
// list cannot show), and whether the list shows "期限なし".
struct ModelTask {
  std::vector<int> subject;
  std::vector<int> memo;
  std::optional<Day> day;
  bool noDueDate = false;
  std::u16string priority;
};

struct ModelFilter {
  std::vector<std::string> args;
  bool withoutDate = false;
  std::optional<Day> first;
  std::optional<Day> last;
  bool anyDate = false;  // a --due filter other than none was given
  std::optional<std::pair<std::u16string, std::u16string>> priority;
  std::optional<std::vector<int>> text;
  int orderColumn = -1;
};

bool ContainsRun(const std::vector<int>& pieces, const std::vector<int>& run) {
  return run.empty() || std::search(pieces.begin(), pieces.end(), run.begin(), run.end()) != pieces.end();
}

// The sort's priority key between low and high: not below low, and its first |high| units not above high.
bool PriorityBetween(const std::u16string& priority, const std::u16string& low, const std::u16string& high) {
  const std::u16string key = priority.empty() ? std::u16string(tasktext::EmptyValueMark().view()) : priority;
  return key >= low && key.substr(0, high.size()) <= high;
}

bool ModelMatches(const ModelTask& task, const ModelFilter& filter) {
  if (filter.withoutDate && !task.noDueDate) return false;
  if (filter.anyDate &&
      (!task.day || (filter.first && *task.day < *filter.first) || (filter.last && *task.day > *filter.last))) {
    return false;
  }
  if (filter.priority && !PriorityBetween(task.priority, filter.priority->first, filter.priority->second)) {
    return false;
  }
  if (filter.text && !ContainsRun(task.subject, *filter.text) && !ContainsRun(task.memo, *filter.text)) return false;
  return true;
}

class Randomizer {
 public:
  explicit Randomizer(unsigned seed) : m_random(seed) {}
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
  bool OneIn(int n) { return Below(n) == 0; }

  std::vector<int> Pieces(int most) {
    std::vector<int> pieces(static_cast<std::size_t>(Below(most + 1)));
    for (int& piece : pieces) piece = Below(static_cast<int>(kPieces.size()));
    return pieces;
  }
  std::u16string Written(const std::vector<int>& pieces) {
    std::u16string text;
    for (const int piece : pieces) {
      const auto& forms = kPieces[static_cast<std::size_t>(piece)];
      text += forms[static_cast<std::size_t>(Below(static_cast<int>(forms.size())))];
    }
    return text;
  }
  std::u16string PriorityItem() {
    std::u16string item(1, u"ABCP"[Below(4)]);
    if (OneIn(2)) item += static_cast<char16_t>(u'0' + Below(10));
    return item;
  }

 private:
  std::mt19937 m_random;
};

// A task due `offset` days from today at one of the day's edges, or without a date, or with one not shown.
TaskFields RandomTask(Randomizer& random, Day today, ModelTask& model) {
  static const std::vector<std::u16string> kPriorities = {u"",   u"A",  u"A1", u"A0", u"B2", u"B9",
                                                          u"C5", u"P0", u"P",  u"b3", u"Z1", u"A12"};
  TaskFields fields;
  model.subject = random.Pieces(6);
  model.memo = random.Pieces(6);
  fields.subject = random.Written(model.subject);
  fields.memo = random.Written(model.memo);
  model.priority = kPriorities[static_cast<std::size_t>(random.Below(static_cast<int>(kPriorities.size())))];
  fields.priority = model.priority;
  switch (random.Below(8)) {
    case 0:
      fields.due = random.OneIn(2) ? NoDueDateValue() : COleDateTime(2100, 7, 15, 9, 30, 0);
      model.noDueDate = true;
      return fields;
    case 1:
      fields.due = COleDateTime(40000.5, random.OneIn(2) ? COleDateTime::invalid : COleDateTime::null);
      return fields;
    default:
      break;
  }
  static const int kEdges[][3] = {{0, 0, 0}, {23, 59, 59}, {12, 0, 0}, {6, 30, 1}};
  const auto& edge = kEdges[random.Below(4)];
  model.day = today + days(random.Below(19) - 9);
  fields.due = At(*model.day, edge[0], edge[1], edge[2]);
  return fields;
}

void RandomDue(Randomizer& random, Day today, ModelFilter& filter) {
  const Day near = today + days(random.Below(21) - 10);
  const Day later = near + days(random.Below(8));
  const std::optional<Day> open;
  const std::tuple<std::string, std::optional<Day>, std::optional<Day>> choices[] = {
      {"overdue", open, today - days(1)},
      {"today", today, today},
      {"tomorrow", today + days(1), today + days(1)},
      {"week", today, today + days(6)},
      {IsoDate(near), near, near},
      {IsoDate(near) + "..", near, open},
      {".." + IsoDate(near), open, near},
      {IsoDate(near) + ".." + IsoDate(later), near, later}};
  const int pick = random.Below(9);
  filter.withoutDate = pick == 8;
  filter.anyDate = !filter.withoutDate;
  if (filter.anyDate) std::tie(std::ignore, filter.first, filter.last) = choices[pick];
  filter.args = {"--due", filter.withoutDate ? "none" : std::get<0>(choices[pick])};
}

ModelFilter RandomFilter(Randomizer& random, Day today, const std::vector<ModelTask>& tasks) {
  ModelFilter filter;
  if (random.OneIn(2)) RandomDue(random, today, filter);
  if (random.OneIn(2)) {
    std::u16string low = random.PriorityItem();
    std::u16string high = random.OneIn(2) ? low : random.PriorityItem();
    if (high < low) std::swap(low, high);
    filter.priority = {low, high};
    filter.args.push_back("--priority");
    filter.args.push_back(Utf8(low == high ? low : low + u"-" + high));
  }
  if (random.OneIn(2)) {
    // Mostly a run of pieces taken from a task, written in other forms.
    std::vector<int> run = random.Pieces(3);
    if (!tasks.empty() && !random.OneIn(4)) {
      const ModelTask& task = tasks[static_cast<std::size_t>(random.Below(static_cast<int>(tasks.size())))];
      const std::vector<int>& from = random.OneIn(2) ? task.subject : task.memo;
      const int begin = random.Below(static_cast<int>(from.size()) + 1);
      const int length = random.Below(static_cast<int>(from.size()) - begin + 1);
      run.assign(from.begin() + begin, from.begin() + begin + length);
    }
    filter.text = run;
    filter.args.push_back("--match");
    filter.args.push_back(Utf8(random.Written(run)));
  }
  if (random.OneIn(3)) {
    static const char* const kColumns[] = {"subject", "due", "priority", "memo"};
    filter.orderColumn = random.Below(4);
    filter.args.push_back("--by");
    filter.args.push_back(kColumns[filter.orderColumn]);
  }
  return filter;
}

CString SortKeyOf(const TaskFields& fields, int column) {
  TaskItem task;
  task.subject = CString(fields.subject);
  task.dueDate = fields.due;
  task.priority = CString(fields.priority);
  task.memo = CString(fields.memo);
  return tasktext::SortKey(task, column);
}

// The numbers tvq printed: the first cell of each row under the header, or each "number" of the JSON.
std::vector<int> PrintedNumbers(const std::string& out, bool json) {
  std::vector<int> numbers;
  if (json) {
    for (std::size_t at = 0; (at = out.find("\"number\":", at)) != std::string::npos; ++at) {
      numbers.push_back(std::atoi(out.c_str() + at + 9));
    }
    return numbers;
  }
  for (std::size_t line = out.find('\n'); line != std::string::npos && line + 1 < out.size();
       line = out.find('\n', line + 1)) {
    numbers.push_back(std::atoi(out.c_str() + line + 1));
  }
  return numbers;
}

TEST(ListFilters, RandomListsAndFiltersShowWhatTheModelExpects) {
  unsigned seed = 20260509;
  if (const char* given = std::getenv("TVQ_LIST_FILTER_SEED")) seed = static_cast<unsigned>(std::atol(given));
  Randomizer random(seed);
  const tvqtest::ScopedLocale locale("ja_JP");  // as tvq runs in these tests: dates as 2008/05/10
  tvqtest::TempDir dir;
  const std::string file = dir.File("tasks.tvq");
  for (int list = 0; list < 24; ++list) {
    const Day today = Day(std::chrono::year(2000 + random.Below(90)) / 1 / 1) + days(random.Below(366));
    const int size = list == 0 ? 0 : random.Below(list < 4 ? 4 : 60);
    std::vector<ModelTask> model(static_cast<std::size_t>(size));
    std::vector<TaskFields> tasks;
    for (ModelTask& task : model) tasks.push_back(RandomTask(random, today, task));
    clitest::MakeFile(file, tasks);
    for (int step = 0; step < 6; ++step) {
      const ModelFilter filter = RandomFilter(random, today, model);
      const bool json = random.OneIn(2);
      std::vector<std::string> args = {"list", file, json ? "--json" : "--wide"};
      args.insert(args.end(), filter.args.begin(), filter.args.end());
      std::string call;
      for (const std::string& arg : args) call += " " + arg;
      SCOPED_TRACE("seed " + std::to_string(seed) + ", list " + std::to_string(list) + ", today " + IsoDate(today) +
                   ":" + call);

      std::vector<int> expected;
      for (int i = 0; i < size; ++i) {
        if (ModelMatches(model[static_cast<std::size_t>(i)], filter)) expected.push_back(i);
      }
      if (filter.orderColumn >= 0) {
        std::vector<CString> keys;  // the column sort's own keys, which --by reuses
        for (const TaskFields& fields : tasks) keys.push_back(SortKeyOf(fields, filter.orderColumn));
        std::stable_sort(expected.begin(), expected.end(), [&keys](int a, int b) {
          return keys[static_cast<std::size_t>(a)].view() < keys[static_cast<std::size_t>(b)].view();
        });
      }
      for (int& index : expected) ++index;

      const auto result = RunTvq(args, {}, {{"TVQ_TODAY", IsoDate(today)}});
      ASSERT_EQ(result.exitCode, 0) << result.err;
      EXPECT_EQ(PrintedNumbers(result.out, json), expected);
      if (!expected.empty()) continue;
      if (json) {
        EXPECT_EQ(result.out, "{\"tasks\":[]}\n");
      } else {
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << "the header alone";
      }
    }
  }
}

// Runs tvq list FILE with the arguments on the day given and returns the numbers it shows.
std::vector<int> Listed(const std::string& file, std::vector<std::string> args,
                        const std::map<std::string, std::string>& environment) {
  args.insert(args.begin(), {"list", file, "--json"});
  const auto result = RunTvq(args, {}, environment);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return PrintedNumbers(result.out, true);
}

TEST(ListFilters, DateWordsCountWholeLocalDaysAcrossMonthAndYearEnds) {
  tvqtest::TempDir dir;
  const std::string file = dir.File("days.tvq");
  for (const char* todayText : {"2024-12-31", "2025-01-01", "2024-02-28", "2024-02-29", "2023-02-28", "2024-04-30"}) {
    SCOPED_TRACE(todayText);
    const int year = std::atoi(todayText);
    const Day today = Day(std::chrono::year(year) / std::atoi(todayText + 5) / std::atoi(todayText + 8));
    // The last instant and the first of each day around today, numbered from 1 in this order.
    const int offsets[] = {-1, 0, 1, 6, 7};
    std::vector<TaskFields> tasks;
    for (const int offset : offsets) {
      tasks.push_back({u"first", At(today + days(offset), 0, 0, 0), u"A1", u""});
      tasks.push_back({u"last", At(today + days(offset), 23, 59, 59), u"A1", u""});
    }
    // 0.6 s before midnight: the list rounds it to today's date, and so does the filter.
    COleDateTime rounded = At(today - days(1), 23, 59, 59);
    rounded.m_dt += 0.6 / 86400;
    tasks.push_back({u"rounded", rounded, u"A1", u""});
    clitest::MakeFile(file, tasks);
    const std::map<std::string, std::string> environment = {{"TVQ_TODAY", todayText}};
    EXPECT_EQ(Listed(file, {"--due", "overdue"}, environment), (std::vector<int>{1, 2}));
    EXPECT_EQ(Listed(file, {"--due", "today"}, environment), (std::vector<int>{3, 4, 11}));
    EXPECT_EQ(Listed(file, {"--due", "tomorrow"}, environment), (std::vector<int>{5, 6}));
    EXPECT_EQ(Listed(file, {"--due", "week"}, environment), (std::vector<int>{3, 4, 5, 6, 7, 8, 11}));
    EXPECT_EQ(Listed(file, {"--due", IsoDate(today + days(7))}, environment), (std::vector<int>{9, 10}));
    EXPECT_EQ(Listed(file, {"--due", ".." + IsoDate(today - days(1))}, environment),
              Listed(file, {"--due", "overdue"}, environment));
  }
}

TEST(ListFilters, TodayIsTheLocalDateOfTheTimeZone) {
  tvqtest::TempDir dir;
  const std::string file = dir.File("zones.tvq");
  // Fourteen hours east and twelve west of UTC: the two local dates always differ.
  for (const auto& [zone, hours] : {std::pair{"XXX-14", 14}, std::pair{"YYY+12", -12}}) {
    SCOPED_TRACE(zone);
    for (int attempt = 0; attempt < 2; ++attempt) {  // once more when midnight passed in between
      const auto local = [hours] {
        return std::chrono::floor<days>(std::chrono::system_clock::now() + std::chrono::hours(hours));
      };
      const Day today = local();
      clitest::MakeFile(file, {{u"yesterday", At(today - days(1), 12, 0, 0), u"A1", u""},
                               {u"today", At(today, 12, 0, 0), u"A1", u""},
                               {u"tomorrow", At(today + days(1), 12, 0, 0), u"A1", u""}});
      const std::vector<int> listed = Listed(file, {"--due", "today"}, {{"TZ", zone}, {"TVQ_TODAY", ""}});
      if (local() != today) continue;
      EXPECT_EQ(listed, std::vector<int>{2});
      break;
    }
  }
}

TEST(ListFilters, ABadValueIsAUsageErrorSayingWhatIsExpected) {
  tvqtest::TempDir dir;
  const std::string file = dir.File("tasks.tvq");
  clitest::MakeFile(file, {{u"a", COleDateTime(2024, 5, 10, 0, 0, 0), u"A1", u""}});
  const std::vector<std::pair<std::vector<std::string>, std::string>> calls = {
      {{"--due", "yesterday"}, "overdue, today, tomorrow, week, none, a date YYYY-MM-DD or a range"},
      {{"--due", "2024-02-30"}, "a date YYYY-MM-DD"},
      {{"--due", "2024-05-10..2024-05-01"}, "first date comes after its last"},
      {{"--due", "..."}, "a range YYYY-MM-DD..YYYY-MM-DD"},
      {{"--priority", "a1"}, "a letter (A), a letter and a digit (B2) or a range"},
      {{"--priority", "D"}, "the letters A, B, C, P"},
      {{"--priority", "A1-"}, "a range (A-B, A1-B5)"},
      {{"--priority", "P-A"}, "first priority comes after its last"},
      {{"--by", "colour"}, "--by takes subject, due, priority or memo"},
      {{"--match", "\xFF"}, "--match is not valid UTF-8"}};
  for (const auto& [args, expected] : calls) {
    std::vector<std::string> call = {"list", file};
    call.insert(call.end(), args.begin(), args.end());
    const auto result = RunTvq(call);
    EXPECT_EQ(result.exitCode, 2) << args[1];
    EXPECT_NE(result.err.find(expected), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
  }
  const auto badToday = RunTvq({"list", file, "--due", "today"}, {}, {{"TVQ_TODAY", "tomorrow"}});
  EXPECT_EQ(badToday.exitCode, 2);
  EXPECT_NE(badToday.err.find("TVQ_TODAY must be a date YYYY-MM-DD"), std::string::npos) << badToday.err;
}

}  // namespace
