// The exchange sort's result: worked examples for both the reference and the fast version, and the fast version
// against the reference on thousands of lists full of equal keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "doc/TaskSort.h"

namespace {

std::vector<CString> Keys(std::initializer_list<const char16_t*> texts) {
  std::vector<CString> keys;
  for (const char16_t* text : texts) keys.emplace_back(text);
  return keys;
}

std::string Describe(const std::vector<CString>& keys) {
  std::ostringstream out;
  for (const CString& key : keys) out << '[' << key.ToUtf8() << ']';
  return out.str();
}

void ExpectSameResult(const ExchangeSortResult& expected, const ExchangeSortResult& actual,
                      const std::vector<CString>& keys) {
  EXPECT_EQ(expected.order, actual.order) << Describe(keys);
  EXPECT_EQ(expected.touched, actual.touched) << Describe(keys);
  EXPECT_EQ(expected.anyExchange, actual.anyExchange) << Describe(keys);
  EXPECT_EQ(expected.lastComparisonExchanged, actual.lastComparisonExchanged) << Describe(keys);
}

struct Example {
  const char* name;
  std::vector<CString> keys;
  std::vector<int> order;
  std::vector<bool> touched;
  bool lastComparisonExchanged;
};

class ExchangeSortExample : public ::testing::TestWithParam<Example> {};

TEST_P(ExchangeSortExample, ReferenceAndFastGiveTheWorkedResult) {
  const Example& example = GetParam();
  ExchangeSortResult expected;
  expected.order = example.order;
  expected.touched = example.touched;
  expected.anyExchange = std::find(example.touched.begin(), example.touched.end(), true) != example.touched.end();
  expected.lastComparisonExchanged = example.lastComparisonExchanged;
  ExpectSameResult(expected, ExchangeSortOracle(example.keys), example.keys);
  ExpectSameResult(expected, ExchangeSort(example.keys), example.keys);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ExchangeSortExample,
    ::testing::Values(
        Example{"empty", {}, {}, {}, false},
        Example{"single", Keys({u"x"}), {0}, {false}, false},
        // (0, 2) exchanges and carries X past Y, which compares equal: not stable.
        Example{"unstable", Keys({u"B", u"B", u"A"}), {2, 1, 0}, {true, false, true}, false},
        Example{"lastPairExchanges", Keys({u"A", u"C", u"B"}), {0, 2, 1}, {false, true, true}, true},
        Example{"sorted", Keys({u"A", u"B", u"B", u"C"}), {0, 1, 2, 3}, {false, false, false, false}, false},
        Example{"allEqual", Keys({u"x", u"x", u"x"}), {0, 1, 2}, {false, false, false}, false},
        // A prefix is smaller, the empty key smallest.
        Example{"prefixes", Keys({u"ab", u"a", u""}), {2, 1, 0}, {true, true, true}, true},
        // Code units, not code points: the surrogate pair of U+1F600 (D83D DE00) sorts before U+E000 and the
        // empty-value mark U+FF9F; ASCII upper case before lower case before kanji.
        Example{"codeUnits", Keys({u"\uFF9F", u"\uE000", u"\U0001F600", u"件名", u"z", u"Z"}),
                {5, 4, 3, 2, 1, 0}, {true, true, true, true, true, true}, true},
        // The first B is carried past the second B, which never moves.
        Example{"duplicatesInside", Keys({u"B", u"A", u"B", u"A"}), {1, 3, 2, 0},
                {true, true, false, true}, false}),
    [](const ::testing::TestParamInfo<Example>& info) { return std::string(info.param.name); });

// Key lists that make the fast version's bookkeeping work: few distinct keys (many equal ones), prefixes, high
// code units, and the orders that make long exchange chains.
class ListMaker {
 public:
  explicit ListMaker(std::uint32_t seed) : m_random(seed) {}

  std::vector<CString> Next(int n) {
    const int alphabet = Uniform(1, Uniform(0, 3) == 0 ? 60 : 6);
    std::vector<int> values(static_cast<std::size_t>(n));
    const int shape = Uniform(0, 8);
    for (int i = 0; i < n; ++i) {
      int value = 0;
      switch (shape) {
        case 0: value = 0; break;                                            // all equal
        case 1: value = i * alphabet / std::max(n, 1); break;                // sorted
        case 2: value = (n - 1 - i) * alphabet / std::max(n, 1); break;      // reversed
        case 3: value = std::min(i, n - 1 - i) % alphabet; break;            // organ pipe
        case 4: value = i % alphabet; break;                                 // sawtooth
        case 5: value = (n - i) % alphabet; break;                           // falling sawtooth
        case 6: value = Uniform(0, 4) == 0 ? Uniform(0, alphabet - 1) : (n - i) / 2 % alphabet; break;
        default: value = Uniform(0, alphabet - 1); break;                    // random
      }
      values[static_cast<std::size_t>(i)] = value;
    }
    std::vector<CString> keys;
    keys.reserve(values.size());
    for (const int value : values) keys.push_back(KeyOf(value));
    return keys;
  }

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

 private:
  // Distinct values map to distinct keys whose ordinal order differs from the value order.
  static CString KeyOf(int value) {
    static const char16_t* const kPool[] = {u"", u"a", u"ab", u"b", u"B", u"\uFF9F", u"\U0001F600", u"件名"};
    constexpr int kPoolSize = static_cast<int>(sizeof kPool / sizeof kPool[0]);
    CString key(kPool[value % kPoolSize]);
    for (int rest = value / kPoolSize; rest > 0; rest /= 3) key += static_cast<char16_t>(u'0' + rest % 3);
    return key;
  }

  std::mt19937 m_random;
};

TEST(ExchangeSortDifferential, FastEqualsReferenceOnSmallLists) {
  ListMaker maker(20240611);
  for (int round = 0; round < 4000; ++round) {
    const int n = round < 400 ? round % 8 : maker.Uniform(0, 200);
    const std::vector<CString> keys = maker.Next(n);
    ExpectSameResult(ExchangeSortOracle(keys), ExchangeSort(keys), keys);
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(ExchangeSortDifferential, FastEqualsReferenceOnLongChains) {
  // Reversed pairs and falling sawtooths: every pass exchanges along a chain of hundreds of tasks.
  ListMaker maker(7);
  for (int round = 0; round < 12; ++round) {
    const std::vector<CString> keys = maker.Next(1500);
    ExpectSameResult(ExchangeSortOracle(keys), ExchangeSort(keys), keys);
  }
}

}  // namespace
