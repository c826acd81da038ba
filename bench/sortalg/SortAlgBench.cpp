// The column sort's algorithm at scale: the fast exchange sort on key lists of five orders, the reference for
// comparison where it finishes, and the whole document sort (keys, order, reorder) on the subject column.
//
//   BM_ExchangeSort/ORDER/N         the fast result from a key vector (ranking the keys included)
//   BM_ExchangeSortOracle/ORDER/N   the exchange sort as written (N = 1000, 10000)
//   BM_SortTasks/ORDER/N            SortTasks on a document of N tasks, column 0
//
// ORDER: random (subjects of 10 to 40 random characters), sorted and reversed (the same subjects in key order and
// against it), few (3 distinct subjects), equal (one subject for all).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "doc/TaskSort.h"

namespace {

enum class Order { random, sorted, reversed, few, equal };

struct OrderName {
  Order order;
  const char* name;
};

constexpr OrderName kOrders[] = {{Order::random, "random"},
                                 {Order::sorted, "sorted"},
                                 {Order::reversed, "reversed"},
                                 {Order::few, "few"},
                                 {Order::equal, "equal"}};

// Subject characters: ASCII letters and digits, a space, hiragana and a few kanji, as a Japanese list has them.
CString RandomSubject(std::mt19937& random) {
  static const std::u16string kAlphabet =
      u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 あいうえおかきくけこさしすせそ件名会議資料買物連絡";
  const int length = std::uniform_int_distribution<int>(10, 40)(random);
  std::u16string text;
  for (int k = 0; k < length; ++k) text += kAlphabet[random() % kAlphabet.size()];
  return CString(std::move(text));
}

std::vector<CString> MakeKeys(Order order, int count) {
  std::mt19937 random(12345);
  std::vector<CString> keys;
  keys.reserve(static_cast<std::size_t>(count));
  static const CString kFew[] = {CString(u"会議の資料"), CString(u"Shopping"), CString(u"連絡")};
  for (int index = 0; index < count; ++index) {
    switch (order) {
      case Order::few: keys.push_back(kFew[random() % 3]); break;
      case Order::equal: keys.emplace_back(u"件名"); break;
      default: keys.push_back(RandomSubject(random)); break;
    }
  }
  if (order == Order::sorted) std::sort(keys.begin(), keys.end());
  if (order == Order::reversed) std::sort(keys.rbegin(), keys.rend());
  return keys;
}

void BM_ExchangeSort(benchmark::State& state, Order order) {
  const std::vector<CString> keys = MakeKeys(order, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ExchangeSort(keys));
}

void BM_ExchangeSortOracle(benchmark::State& state, Order order) {
  const std::vector<CString> keys = MakeKeys(order, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ExchangeSortOracle(keys));
}

void BM_SortTasks(benchmark::State& state, Order order) {
  const std::vector<CString> keys = MakeKeys(order, static_cast<int>(state.range(0)));
  CTarvelquistDoc document;
  TaskCommands commands(document);
  TaskItem task;
  for (const CString& key : keys) {
    task.subject = key;
    commands.Insert(document.GetTaskCount(), task);
  }
  for (auto _ : state) {
    const ExchangeSortResult result = SortTasks(document, 0);
    state.PauseTiming();  // put the tasks back in their first order for the next round
    std::vector<int> back(result.order.size());
    for (std::size_t k = 0; k < back.size(); ++k) back[static_cast<std::size_t>(result.order[k])] = static_cast<int>(k);
    document.ReorderTasks(back);
    document.SetModifiedFlag(FALSE);
    state.ResumeTiming();
  }
}

void Register() {
  for (const OrderName& entry : kOrders) {
    const std::string suffix = std::string("/") + entry.name;
    const Order order = entry.order;
    benchmark::RegisterBenchmark(("BM_ExchangeSort" + suffix).c_str(), BM_ExchangeSort, order)
        ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_ExchangeSortOracle" + suffix).c_str(), BM_ExchangeSortOracle, order)
        ->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_SortTasks" + suffix).c_str(), BM_SortTasks, order)
        ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
