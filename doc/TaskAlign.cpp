// Equal tasks get one number each, the common start and end are stripped, and the middle is aligned by
// Hunt-Szymanski or, when repeats abound, Myers' diff; left-over tasks then pair with nearby ones in order.
#include "doc/TaskAlign.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace {

using TaskList = std::vector<const TaskItem*>;

bool SameDue(const COleDateTime& a, const COleDateTime& b) {
  return a.GetStatus() == b.GetStatus() && DateBits(a.m_dt) == DateBits(b.m_dt);
}

std::uint64_t TaskHash(const TaskItem& task) {
  const std::hash<std::u16string_view> text;
  std::uint64_t hash = text(task.subject.view());
  hash = hash * 0x9E3779B97F4A7C15ull ^ text(task.priority.view());
  hash = hash * 0x9E3779B97F4A7C15ull ^ text(task.memo.view());
  hash = hash * 0x9E3779B97F4A7C15ull ^ DateBits(task.dueDate.m_dt);
  return hash * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint32_t>(task.dueDate.GetStatus());
}

// Numbers the tasks of both lists so that equal tasks, and only they, get the same number.
class TaskNumbers {
 public:
  std::vector<int> Number(const TaskList& tasks) {
    std::vector<int> ids;
    ids.reserve(tasks.size());
    for (const TaskItem* task : tasks) ids.push_back(IdOf(*task));
    return ids;
  }
  int Count() const { return static_cast<int>(m_representatives.size()); }

 private:
  int IdOf(const TaskItem& task) {
    std::vector<int>& candidates = m_byHash[TaskHash(task)];
    for (const int id : candidates) {
      if (TasksEqual(*m_representatives[static_cast<std::size_t>(id)], task)) return id;
    }
    candidates.push_back(Count());
    m_representatives.push_back(&task);
    return candidates.back();
  }
  std::unordered_map<std::uint64_t, std::vector<int>> m_byHash;
  std::vector<const TaskItem*> m_representatives;
};

using Pairs = std::vector<std::pair<int, int>>;  // (index in a, index in b), increasing on both sides

// Longest common subsequence as the longest increasing run of matches (Hunt and Szymanski): O((r + n) log n)
// for r matching pairs, the right choice while tasks rarely repeat.
Pairs IncreasingMatches(const std::vector<int>& a, const std::vector<int>& b, int idCount) {
  std::vector<std::vector<int>> positionsInB(static_cast<std::size_t>(idCount));
  for (int j = 0; j < static_cast<int>(b.size()); ++j) positionsInB[static_cast<std::size_t>(b[j])].push_back(j);
  struct Link {
    int i, j, previous;
  };
  std::vector<Link> links;
  std::vector<int> lastJ;    // lastJ[L]: the smallest j that ends a common subsequence of length L + 1
  std::vector<int> lastLink;  // its link
  for (int i = 0; i < static_cast<int>(a.size()); ++i) {
    const std::vector<int>& positions = positionsInB[static_cast<std::size_t>(a[i])];
    for (auto j = positions.rbegin(); j != positions.rend(); ++j) {  // descending: i is used once per run
      const auto at = std::lower_bound(lastJ.begin(), lastJ.end(), *j);
      const auto length = static_cast<std::size_t>(at - lastJ.begin());
      links.push_back({i, *j, length > 0 ? lastLink[length - 1] : -1});
      if (at == lastJ.end()) {
        lastJ.push_back(*j);
        lastLink.push_back(static_cast<int>(links.size()) - 1);
      } else {
        *at = *j;
        lastLink[length] = static_cast<int>(links.size()) - 1;
      }
    }
  }
  Pairs pairs;
  for (int link = lastLink.empty() ? -1 : lastLink.back(); link >= 0; link = links[static_cast<std::size_t>(link)].previous) {
    pairs.emplace_back(links[static_cast<std::size_t>(link)].i, links[static_cast<std::size_t>(link)].j);
  }
  std::reverse(pairs.begin(), pairs.end());
  return pairs;
}

// Myers' O((n + m) D) diff in linear space (the middle snake, divided and conquered): the right choice when
// tasks repeat so much that matching pairs abound.
class MyersDiff {
 public:
  MyersDiff(const std::vector<int>& a, const std::vector<int>& b)
      : m_a(a), m_b(b), m_forward(2 * (a.size() + b.size()) + 4), m_backward(m_forward.size()) {}

  Pairs Run() {
    Compare(0, static_cast<int>(m_a.size()), 0, static_cast<int>(m_b.size()));
    return std::move(m_pairs);
  }

 private:
  struct Snake {
    int x0, y0, x1, y1, d;
  };

  void Compare(int a0, int a1, int b0, int b1) {
    while (a0 < a1 && b0 < b1 && m_a[a0] == m_b[b0]) m_pairs.emplace_back(a0++, b0++);
    int suffix = 0;
    while (a0 < a1 - suffix && b0 < b1 - suffix && m_a[a1 - 1 - suffix] == m_b[b1 - 1 - suffix]) ++suffix;
    a1 -= suffix;
    b1 -= suffix;
    if (a0 < a1 && b0 < b1) {
      const Snake snake = MiddleSnake(a0, a1, b0, b1);
      if (snake.d > 1) {
        Compare(a0, a0 + snake.x0, b0, b0 + snake.y0);
        for (int x = snake.x0, y = snake.y0; x < snake.x1; ++x, ++y) m_pairs.emplace_back(a0 + x, b0 + y);
        Compare(a0 + snake.x1, a1, b0 + snake.y1, b1);
      } else {
        OneEditApart(a0, a1, b0, b1);
      }
    }
    for (int k = 0; k < suffix; ++k) m_pairs.emplace_back(a1 + k, b1 + k);
  }

  // D <= 1: the shorter side is all common.
  void OneEditApart(int a0, int a1, int b0, int b1) {
    while (a0 < a1 && b0 < b1) {
      if (m_a[a0] == m_b[b0]) {
        m_pairs.emplace_back(a0++, b0++);
      } else if (a1 - a0 > b1 - b0) {
        ++a0;
      } else {
        ++b0;
      }
    }
  }

  Snake MiddleSnake(int a0, int a1, int b0, int b1) {
    const int n = a1 - a0;
    const int m = b1 - b0;
    const int delta = n - m;
    const bool odd = (delta & 1) != 0;
    const int offset = n + m + 1;
    auto forward = [&](int k) -> int& { return m_forward[static_cast<std::size_t>(k + offset)]; };
    auto backward = [&](int k) -> int& { return m_backward[static_cast<std::size_t>(k + offset)]; };
    forward(1) = 0;
    backward(1) = 0;
    for (int d = 0; d <= (n + m + 1) / 2; ++d) {
      for (int k = -d; k <= d; k += 2) {
        int x = (k == -d || (k != d && forward(k - 1) < forward(k + 1))) ? forward(k + 1) : forward(k - 1) + 1;
        int y = x - k;
        const int x0 = x, y0 = y;
        while (x < n && y < m && m_a[a0 + x] == m_b[b0 + y]) ++x, ++y;
        forward(k) = x;
        if (odd && k >= delta - (d - 1) && k <= delta + (d - 1) && x + backward(delta - k) >= n) {
          return {x0, y0, x, y, 2 * d - 1};
        }
      }
      for (int k = -d; k <= d; k += 2) {
        int x = (k == -d || (k != d && backward(k - 1) < backward(k + 1))) ? backward(k + 1) : backward(k - 1) + 1;
        int y = x - k;
        const int x0 = x, y0 = y;
        while (x < n && y < m && m_a[a1 - 1 - x] == m_b[b1 - 1 - y]) ++x, ++y;
        backward(k) = x;
        if (!odd && delta - k >= -d && delta - k <= d && x + forward(delta - k) >= n) {
          return {n - x, m - y, n - x0, m - y0, 2 * d};
        }
      }
    }
    return {0, 0, 0, 0, 0};  // not reached: the paths always meet by then
  }

  const std::vector<int>& m_a;
  const std::vector<int>& m_b;
  std::vector<int> m_forward;
  std::vector<int> m_backward;
  Pairs m_pairs;
};

// The common subsequence of the parts that differ, as pairs of indices into the whole lists.
Pairs AlignMiddle(const std::vector<int>& idsA, const std::vector<int>& idsB, int from, int endA, int endB,
                  int idCount) {
  std::vector<long long> countA(static_cast<std::size_t>(idCount)), countB(static_cast<std::size_t>(idCount));
  for (int i = from; i < endA; ++i) ++countA[static_cast<std::size_t>(idsA[i])];
  for (int j = from; j < endB; ++j) ++countB[static_cast<std::size_t>(idsB[j])];
  // Tasks only one side has cannot be aligned: leave them out, keeping where the others were.
  std::vector<int> keptA, keptB, placeA, placeB;
  long long matches = 0;
  for (int i = from; i < endA; ++i) {
    const auto id = static_cast<std::size_t>(idsA[i]);
    if (countB[id] == 0) continue;
    keptA.push_back(idsA[i]);
    placeA.push_back(i);
    matches += countB[id];
  }
  for (int j = from; j < endB; ++j) {
    if (countA[static_cast<std::size_t>(idsB[j])] == 0) continue;
    keptB.push_back(idsB[j]);
    placeB.push_back(j);
  }
  const long long size = static_cast<long long>(keptA.size() + keptB.size());
  Pairs pairs = matches <= 8 * size + 64 ? IncreasingMatches(keptA, keptB, idCount) : MyersDiff(keptA, keptB).Run();
  for (auto& [i, j] : pairs) {
    i = placeA[static_cast<std::size_t>(i)];
    j = placeB[static_cast<std::size_t>(j)];
  }
  return pairs;
}

TaskAlignment Unpaired(std::size_t sizeA, std::size_t sizeB) {
  return {std::vector<int>(sizeA, -1), std::vector<int>(sizeB, -1)};
}

void Pair(TaskAlignment& alignment, int i, int j) {
  alignment.aToB[static_cast<std::size_t>(i)] = j;
  alignment.bToA[static_cast<std::size_t>(j)] = i;
}

// Candidates looked at for each left-over task: nearby ones only, so a long run of changes stays linear.
constexpr int kChangedLookAhead = 8;

// Pairs the left-over tasks a[a0..a1) and b[b0..b1) in order.
void PairChanged(const TaskList& a, const TaskList& b, int a0, int a1, int b0, int b1, TaskAlignment& alignment) {
  for (int i = a0; i < a1 && b0 < b1; ++i) {
    int best = -1;
    int bestShared = 1;
    for (int j = b0; j < b1 && j < b0 + kChangedLookAhead; ++j) {
      const int shared = SharedFieldCount(*a[static_cast<std::size_t>(i)], *b[static_cast<std::size_t>(j)]);
      if (shared > bestShared) {
        best = j;
        bestShared = shared;
      }
    }
    if (best < 0) continue;
    Pair(alignment, i, best);
    b0 = best + 1;
  }
}

}  // namespace

bool TasksEqual(const TaskItem& a, const TaskItem& b) { return SharedFieldCount(a, b) == 4; }

int SharedFieldCount(const TaskItem& a, const TaskItem& b) {
  return (a.subject.str() == b.subject.str() ? 1 : 0) + (SameDue(a.dueDate, b.dueDate) ? 1 : 0) +
         (a.priority.str() == b.priority.str() ? 1 : 0) + (a.memo.str() == b.memo.str() ? 1 : 0);
}

TaskAlignment AlignEqualTasks(const TaskList& a, const TaskList& b) {
  TaskAlignment alignment = Unpaired(a.size(), b.size());
  TaskNumbers numbers;
  const std::vector<int> idsA = numbers.Number(a);
  const std::vector<int> idsB = numbers.Number(b);
  const int sizeA = static_cast<int>(a.size());
  const int sizeB = static_cast<int>(b.size());
  int prefix = 0;
  while (prefix < sizeA && prefix < sizeB && idsA[prefix] == idsB[prefix]) ++prefix;
  int suffix = 0;
  while (suffix < sizeA - prefix && suffix < sizeB - prefix && idsA[sizeA - 1 - suffix] == idsB[sizeB - 1 - suffix]) {
    ++suffix;
  }
  for (int k = 0; k < prefix; ++k) Pair(alignment, k, k);
  for (int k = 1; k <= suffix; ++k) Pair(alignment, sizeA - k, sizeB - k);
  for (const auto& [i, j] : AlignMiddle(idsA, idsB, prefix, sizeA - suffix, sizeB - suffix, numbers.Count())) {
    Pair(alignment, i, j);
  }
  return alignment;
}

TaskAlignment AlignChangedTasks(const TaskList& a, const TaskList& b) {
  TaskAlignment alignment = AlignEqualTasks(a, b);
  int i = 0;
  int j = 0;
  const int sizeA = static_cast<int>(a.size());
  const int sizeB = static_cast<int>(b.size());
  while (i < sizeA || j < sizeB) {
    int nextA = i;
    while (nextA < sizeA && alignment.aToB[static_cast<std::size_t>(nextA)] < 0) ++nextA;
    const int nextB = nextA < sizeA ? alignment.aToB[static_cast<std::size_t>(nextA)] : sizeB;
    PairChanged(a, b, i, nextA, j, nextB, alignment);
    i = nextA + 1;
    j = nextB + 1;
  }
  return alignment;
}

std::vector<const TaskItem*> MergeTaskLists(const TaskList& a, const TaskList& b, const TaskAlignment& alignment) {
  std::vector<const TaskItem*> merged;
  merged.reserve(a.size() + b.size());
  const auto addOnlyInB = [&](std::size_t from) {
    for (std::size_t j = from; j < b.size() && alignment.bToA[j] < 0; ++j) merged.push_back(b[j]);
  };
  addOnlyInB(0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    merged.push_back(a[i]);
    const int partner = alignment.aToB[i];
    if (partner >= 0) addOnlyInB(static_cast<std::size_t>(partner) + 1);
  }
  return merged;
}

std::vector<const TaskItem*> MergeTaskLists(const TaskList& a, const TaskList& b) {
  return MergeTaskLists(a, b, AlignEqualTasks(a, b));
}
