// The column sort's exchange sort, as written and fast.
//
// The exchange sort runs pass i = 0 .. n-2 and in it compares the element at i with every later one, exchanging
// when the one at i is greater. Within a pass the elements that move are the strict left-to-right minima of the
// suffix (the pass's chain): each passes its value to the next one, and the suffix minimum lands at i. The fast
// version never runs the passes; it rests on three facts about the suffix at the start of pass t.
//
// 1. Let Q(t) be the positions in [t, n) whose value is not above any value before them in the suffix (the weak
//    left-to-right minima). Elements outside Q(t) never move. A pass rotates the values held by Q(t) one step
//    along it and finalises position t, so Q(t) only loses position t; it never loses another member.
// 2. The positions in [t, n) that hold a value below w are exactly the original such positions minus the t
//    leftmost ones: every pass hands the first of them its finalised slot or its value on to another of them.
//    So the element first at position h enters Q at time J(h) = the number of smaller elements originally before
//    h, and keeps its value until then.
// 3. Q(t) holds the values of Q(t) in falling order: its k-th position holds the k-th largest value. Hence the
//    value at t is the largest value of Q(t), and the equal values of Q(t) sit in one block whose first element
//    is the one a pass moves on: a block rotates by one in every pass in which it is not the smallest, and its
//    elements leave from the front, in order, once it is.
//
// From these: position t took part in an exchange iff its value changed before pass t (the largest value of Q(t)
// differs from its original one) or pass t had two distinct values to work on; the last comparison exchanged iff
// Q(n-2) holds two distinct values; and the final order of the elements of one key is their queue after joining
// at times J and rotating once per pass until every smaller key is placed. Everything costs O(n log n).

#include "doc/TaskSort.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskText.h"

namespace {

using Index = std::size_t;

// Counts over 0..size-1 with prefix sums and the search for the k-th unit (all counts 0 or 1 there).
class Fenwick {
 public:
  explicit Fenwick(Index size) : m_tree(size + 1, 0) {}

  // Every slot holds 1.
  void FillOnes() {
    for (Index i = 1; i < m_tree.size(); ++i) m_tree[i] = static_cast<int>(i & (~i + 1));
  }
  void Add(Index slot, int delta) {
    for (Index i = slot + 1; i < m_tree.size(); i += i & (~i + 1)) m_tree[i] += delta;
  }
  // Sum of slots 0 .. end-1.
  int Prefix(Index end) const {
    int sum = 0;
    for (Index i = end; i > 0; i -= i & (~i + 1)) sum += m_tree[i];
    return sum;
  }
  // The slot holding the k-th unit (k from 1); the counts must be 0 or 1 and hold at least k units.
  Index FindKth(int k) const {
    Index pos = 0;
    Index step = 1;
    while (step * 2 < m_tree.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (pos + step < m_tree.size() && m_tree[pos + step] < k) {
        pos += step;
        k -= m_tree[pos];
      }
    }
    return pos;  // the last slot whose prefix is below k, so the 0-based slot of the k-th unit
  }

 private:
  std::vector<int> m_tree;
};

// Dense ranks in ordinal key order: equal keys share a rank. Returns the number of distinct keys.
int RankKeys(const std::vector<CString>& keys, std::vector<int>& rank) {
  const Index n = keys.size();
  std::vector<int> byKey(n);
  std::iota(byKey.begin(), byKey.end(), 0);
  const auto key = [&keys](int element) { return keys[static_cast<Index>(element)].view(); };
  std::sort(byKey.begin(), byKey.end(), [&key](int a, int b) { return key(a) < key(b); });
  rank.assign(n, 0);
  int distinct = 0;
  for (Index k = 0; k < n; ++k) {
    if (k > 0 && key(byKey[k - 1]) != key(byKey[k])) ++distinct;
    rank[static_cast<Index>(byKey[k])] = distinct;
  }
  return n == 0 ? 0 : distinct + 1;
}

// The final order of the elements of one key (`members`, in original position order) that join their block at
// the times `join` (non-decreasing along members) and rotate once per pass until every smaller key is placed,
// that is until time `first`, where their final positions begin. A queue with a cyclic start: joining inserts
// in front of the start (the queue's end), a pass moves the start on; the physical slots of the insertions are
// resolved afterwards, latest insertion first.
void PlaceKey(const std::vector<int>& members, const std::vector<int>& join, Index first, std::vector<int>& order,
              std::vector<Index>& slot, std::vector<int>& physical) {
  const Index count = members.size();
  if (count == 1) {
    order[first] = members[0];
    return;
  }
  slot.resize(count);
  Index start = 0;
  int previous = join[static_cast<Index>(members[0])];
  for (Index k = 0; k < count; ++k) {
    const int time = join[static_cast<Index>(members[k])];
    if (k > 0) start = (start + static_cast<Index>(time - previous)) % k;
    previous = time;
    slot[k] = start;  // inserted in front of the current start: the queue's end
    start = (start + 1) % (k + 1);
  }
  start = (start + (first - static_cast<Index>(previous))) % count;

  Fenwick free(count);
  free.FillOnes();
  physical.resize(count);
  for (Index k = count; k-- > 0;) {
    const Index at = free.FindKth(static_cast<int>(slot[k]) + 1);
    free.Add(at, -1);
    physical[at] = members[k];
  }
  for (Index k = 0; k < count; ++k) order[first + k] = physical[(start + k) % count];
}

ExchangeSortResult SortRanks(const std::vector<int>& rank, int distinct) {
  const Index n = rank.size();
  ExchangeSortResult result;
  result.order.resize(n);
  result.touched.assign(n, false);
  if (n == 0) return result;

  const Index values = static_cast<Index>(distinct);
  // J(h): smaller elements originally before h.
  std::vector<int> join(n);
  {
    Fenwick seen(values);
    for (Index h = 0; h < n; ++h) {
      join[h] = seen.Prefix(static_cast<Index>(rank[h]));
      seen.Add(static_cast<Index>(rank[h]), 1);
    }
  }
  // Elements per key in position order, and where each key's final block begins.
  std::vector<int> keyBegin(values + 1, 0);
  for (const int r : rank) ++keyBegin[static_cast<Index>(r) + 1];
  std::partial_sum(keyBegin.begin(), keyBegin.end(), keyBegin.begin());
  std::vector<int> byKey(n);
  {
    std::vector<int> fill(keyBegin.begin(), keyBegin.end() - 1);
    for (Index h = 0; h < n; ++h) byKey[static_cast<Index>(fill[static_cast<Index>(rank[h])]++)] = static_cast<int>(h);
  }
  // Elements by joining time.
  std::vector<int> joinBegin(n + 1, 0);
  for (const int time : join) ++joinBegin[static_cast<Index>(time) + 1];
  std::partial_sum(joinBegin.begin(), joinBegin.end(), joinBegin.begin());
  std::vector<int> byJoin(n);
  {
    std::vector<int> fill(joinBegin.begin(), joinBegin.end() - 1);
    for (Index h = 0; h < n; ++h) byJoin[static_cast<Index>(fill[static_cast<Index>(join[h])]++)] = static_cast<int>(h);
  }

  // The values of Q(t), as counts per key: before pass t the smallest (finalised at t-1) leaves and the
  // elements joining at t come in.
  std::vector<int> held(values, 0);
  int heldDistinct = 0;
  int largest = -1;
  Index smallestKey = 0;  // key of the value finalised at the current position
  for (Index t = 0; t < n; ++t) {
    if (t > 0) {
      while (static_cast<Index>(keyBegin[smallestKey + 1]) <= t - 1) ++smallestKey;
      if (--held[smallestKey] == 0) {
        --heldDistinct;
        if (static_cast<int>(smallestKey) == largest) largest = -1;
      }
    }
    for (int k = joinBegin[t]; k < joinBegin[t + 1]; ++k) {
      const int r = rank[static_cast<Index>(byJoin[static_cast<Index>(k)])];
      if (held[static_cast<Index>(r)]++ == 0) ++heldDistinct;
      largest = std::max(largest, r);
    }
    const bool passExchanges = t + 1 < n && heldDistinct >= 2;
    result.touched[t] = largest != rank[t] || passExchanges;
    if (result.touched[t]) result.anyExchange = true;
    if (t + 2 == n) result.lastComparisonExchanged = passExchanges;
  }

  std::vector<int> members;
  std::vector<Index> slot;
  std::vector<int> physical;
  for (Index v = 0; v < values; ++v) {
    const Index first = static_cast<Index>(keyBegin[v]);
    members.assign(byKey.begin() + keyBegin[v], byKey.begin() + keyBegin[v + 1]);
    PlaceKey(members, join, first, result.order, slot, physical);
  }
  return result;
}

}  // namespace

ExchangeSortResult ExchangeSortOracle(const std::vector<CString>& keys) {
  const Index n = keys.size();
  ExchangeSortResult result;
  result.order.resize(n);
  std::iota(result.order.begin(), result.order.end(), 0);
  result.touched.assign(n, false);
  for (Index i = 0; i + 1 < n; ++i) {
    for (Index j = i + 1; j < n; ++j) {
      const CString& first = keys[static_cast<Index>(result.order[i])];
      const CString& second = keys[static_cast<Index>(result.order[j])];
      const bool exchange = first.Compare(second) > 0;
      if (exchange) {
        std::swap(result.order[i], result.order[j]);
        result.touched[i] = true;
        result.touched[j] = true;
        result.anyExchange = true;
      }
      if (i + 2 == n && j + 1 == n) result.lastComparisonExchanged = exchange;
    }
  }
  return result;
}

ExchangeSortResult ExchangeSort(const std::vector<CString>& keys) {
  std::vector<int> rank;
  const int distinct = RankKeys(keys, rank);
  return SortRanks(rank, distinct);
}

ExchangeSortResult SortTasks(CTarvelquistDoc& document, int column) {
  const int count = document.GetTaskCount();
  std::vector<CString> keys;
  keys.reserve(static_cast<Index>(std::max(count, 0)));
  for (int index = 0; index < count; ++index) keys.push_back(tasktext::SortKey(document.TaskAt(index), column));

  ExchangeSortResult result = ExchangeSort(keys);
  if (result.anyExchange) {
    document.ReorderTasks(result.order);
    document.SetModifiedFlag(TRUE);
  }
  if (count >= 2) document.SelectTask(result.lastComparisonExchanged ? count - 2 : count - 1);
  return result;
}
