// The plain O(n·m) table of the longest common subsequence of equal tasks: the model the alignment of two task
// lists is checked against.
#pragma once

#include <algorithm>
#include <vector>

#include "doc/TaskAlign.h"

namespace tvqtest {

inline int TaskLcsLength(const std::vector<const TaskItem*>& a, const std::vector<const TaskItem*>& b) {
  std::vector<std::vector<int>> table(a.size() + 1, std::vector<int>(b.size() + 1));
  for (std::size_t i = a.size(); i-- > 0;) {
    for (std::size_t j = b.size(); j-- > 0;) {
      table[i][j] = TasksEqual(*a[i], *b[j]) ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
    }
  }
  return table[0][0];
}

}  // namespace tvqtest
