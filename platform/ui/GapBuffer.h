// A sequence with a movable hole: inserting or erasing at the hole is O(1), and moving the hole costs the
// distance it moves. The list control keeps its rows in one, because its callers rebuild a row by deleting it
// and inserting it again at the same index, walking the rows in order: every step then happens at the hole.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace listview {

template <typename T>
class GapBuffer {
 public:
  std::size_t size() const { return m_items.size() - GapLength(); }
  bool empty() const { return size() == 0; }

  T& operator[](std::size_t index) { return m_items[Slot(index)]; }
  const T& operator[](std::size_t index) const { return m_items[Slot(index)]; }

  void insert(std::size_t index, T value) {
    if (GapLength() == 0) Grow();
    MoveGapTo(index);
    m_items[m_gapBegin++] = std::move(value);
  }

  void erase(std::size_t index) {
    MoveGapTo(index);
    m_items[m_gapEnd++] = T();  // gap slots hold empty values
  }

  // Empties the buffer and gives its memory back.
  void clear() {
    std::vector<T>().swap(m_items);
    m_gapBegin = 0;
    m_gapEnd = 0;
  }

  // Calls fn(item) for every item in order.
  template <typename Fn>
  void for_each(Fn fn) {
    for (std::size_t i = 0; i < m_gapBegin; ++i) fn(m_items[i]);
    for (std::size_t i = m_gapEnd; i < m_items.size(); ++i) fn(m_items[i]);
  }

 private:
  std::size_t GapLength() const { return m_gapEnd - m_gapBegin; }
  std::size_t Slot(std::size_t index) const { return index < m_gapBegin ? index : index + GapLength(); }

  void MoveGapTo(std::size_t index) {
    if (index < m_gapBegin) {
      // Items [index, gapBegin) move to the end of the gap.
      const std::size_t count = m_gapBegin - index;
      std::move_backward(m_items.begin() + static_cast<std::ptrdiff_t>(index),
                         m_items.begin() + static_cast<std::ptrdiff_t>(m_gapBegin),
                         m_items.begin() + static_cast<std::ptrdiff_t>(m_gapEnd));
      m_gapBegin -= count;
      m_gapEnd -= count;
    } else if (index > m_gapBegin) {
      // Items after the gap move to its start.
      const std::size_t count = index - m_gapBegin;
      std::move(m_items.begin() + static_cast<std::ptrdiff_t>(m_gapEnd),
                m_items.begin() + static_cast<std::ptrdiff_t>(m_gapEnd + count),
                m_items.begin() + static_cast<std::ptrdiff_t>(m_gapBegin));
      m_gapBegin += count;
      m_gapEnd += count;
    }
  }

  void Grow() {
    const std::size_t used = size();
    const std::size_t gap = std::max<std::size_t>(16, used / 2);
    std::vector<T> grown(used + gap);
    std::move(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(m_gapBegin), grown.begin());
    std::move(m_items.begin() + static_cast<std::ptrdiff_t>(m_gapEnd), m_items.end(),
              grown.begin() + static_cast<std::ptrdiff_t>(m_gapBegin + gap));
    m_gapEnd = m_gapBegin + gap;
    m_items.swap(grown);
  }

  std::vector<T> m_items;  // items before the gap, the gap's empty slots, items after it
  std::size_t m_gapBegin = 0;
  std::size_t m_gapEnd = 0;
};

}  // namespace listview
