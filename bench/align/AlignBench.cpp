// The alignment of two task lists (tvq merge, tvq sync) at scale.
//
//   BM_AlignEqual/CASE/N   AlignEqualTasks of a list of N tasks with a second list made from it
//   BM_Merge/CASE/N        MergeTaskLists of the same (alignment and merged order)
//
// CASE: edited (1% of the tasks removed, 1% new ones inserted, all distinct), reversed (every task moved: the
// longest common subsequence of two permutations), repeats (tasks drawn from 3 distinct ones, 1% edited) and
// unrelated (two lists of distinct tasks with nothing in common).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "doc/TaskAlign.h"

namespace {

enum class Case { edited, reversed, repeats, unrelated };

struct Lists {
  std::vector<std::unique_ptr<TaskItem>> owned;
  std::vector<const TaskItem*> a, b;

  const TaskItem* Make(int serial, int distinct) {
    owned.push_back(std::make_unique<TaskItem>());
    const int value = distinct > 0 ? serial % distinct : serial;
    const std::string number = std::to_string(value);
    owned.back()->subject = CString(u"\u4EF6\u540D " + std::u16string(number.begin(), number.end()));
    owned.back()->dueDate = COleDateTime(45000.0 + value % 365, COleDateTime::valid);
    return owned.back().get();
  }
};

std::unique_ptr<Lists> MakeLists(Case kind, int count) {
  auto lists = std::make_unique<Lists>();
  std::mt19937 random(42);
  const int distinct = kind == Case::repeats ? 3 : 0;
  for (int i = 0; i < count; ++i) lists->a.push_back(lists->Make(distinct > 0 ? static_cast<int>(random()) : i, distinct));
  switch (kind) {
    case Case::reversed:
      lists->b.assign(lists->a.rbegin(), lists->a.rend());
      break;
    case Case::unrelated:
      for (int i = 0; i < count; ++i) lists->b.push_back(lists->Make(count + i, 0));
      break;
    default:
      lists->b = lists->a;
      for (int e = 0; e < count / 100; ++e) {
        lists->b.erase(lists->b.begin() + static_cast<std::ptrdiff_t>(random() % lists->b.size()));
        lists->b.insert(lists->b.begin() + static_cast<std::ptrdiff_t>(random() % (lists->b.size() + 1)),
                        lists->Make(2 * count + e, distinct));
      }
  }
  return lists;
}

void BM_AlignEqual(benchmark::State& state, Case kind) {
  const auto lists = MakeLists(kind, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(AlignEqualTasks(lists->a, lists->b));
}

void BM_Merge(benchmark::State& state, Case kind) {
  const auto lists = MakeLists(kind, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(MergeTaskLists(lists->a, lists->b));
}

BENCHMARK_CAPTURE(BM_AlignEqual, edited, Case::edited)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AlignEqual, reversed, Case::reversed)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AlignEqual, repeats, Case::repeats)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AlignEqual, unrelated, Case::unrelated)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Merge, edited, Case::edited)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
