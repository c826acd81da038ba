// A sequence with a movable hole: inserting or erasing at the hole is O(1), and moving the hole costs the
// distance it moves. The list control keeps its rows in one, because its callers rebuild a row by deleting it
// and inserting it again at the same index, walking the rows in order: every step then happens at the hole.
//
// Slots inside the gap hold moved-from or default values and are never read. No element is ever moved onto
// itself: with an empty gap there is nothing to move, the hole only changes place.
#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

namespace listview {

template <typename T>
class GapBuffer {
 public:
  std::size_t size() const { return m_items.size() - GapLength(); }
  bool empty() const { return size() == 0; }
  // Slots held, items and gap together.
  std::size_t capacity() const { return m_items.size(); }

  T& operator[](std::size_t index) { return m_items[Slot(index)]; }
  const T& operator[](std::size_t index) const { return m_items[Slot(index)]; }

  // index 0..size(). A throwing move or assignment of T leaves the items as they were.
  void insert(std::size_t index, T value) {
    assert(index <= size());
    if (GapLength() == 0) Grow();
    MoveGapTo(index);
    m_items[m_gapBegin] = std::move(value);
    ++m_gapBegin;  // only once the slot holds the item
  }

  // index 0..size()-1. The item's resources go at once: its slot is reset to an empty value.
  void erase(std::size_t index) {
    assert(index < size());
    MoveGapTo(index);
    m_items[m_gapEnd] = T();
    ++m_gapEnd;
  }

  // Room for `count` items in all, made at once: a fill of that many moves no item a second time. The gap
  // stays where it is.
  void reserve(std::size_t count) {
    if (count > capacity()) Grow(count - size());
  }

  // Empties the buffer and gives its memory back. The items go last first, so that the allocator's free lists
  // hold their memory in address order for what is made next (a refill of 100,000 rows).
  void clear() {
    while (!m_items.empty()) m_items.pop_back();
    std::vector<T>().swap(m_items);
    m_gapBegin = 0;
    m_gapEnd = 0;
  }

  // The index of the first item at `from` or after for which pred(item) holds, else size(). It walks the items
  // on each side of the gap as plain arrays, never through the index arithmetic of operator[].
  template <typename Pred>
  std::size_t find_if(std::size_t from, Pred pred) const {
    const auto first = m_items.begin();
    if (from < m_gapBegin) {
      const auto hit = std::find_if(first + static_cast<Diff>(from), first + static_cast<Diff>(m_gapBegin), pred);
      if (hit != first + static_cast<Diff>(m_gapBegin)) return static_cast<std::size_t>(hit - first);
      from = m_gapBegin;
    }
    const std::size_t start = std::min(Slot(from), m_items.size());
    const auto hit = std::find_if(first + static_cast<Diff>(start), m_items.end(), pred);
    return static_cast<std::size_t>(hit - first) - GapLength();
  }

  // find_if for the first item equal to `value`, for items of one byte (a row's flags): memchr on each side of
  // the gap, which looks at many items at once.
  std::size_t find(std::size_t from, const T& value) const
    requires(sizeof(T) == 1 && std::is_trivially_copyable_v<T>)
  {
    const auto byte = std::bit_cast<unsigned char>(value);
    const T* items = m_items.data();
    // The slot of the first `byte` in slots [begin, end), else end.
    const auto search = [items, byte](std::size_t begin, std::size_t end) {
      if (begin >= end) return end;
      const void* hit = std::memchr(items + begin, byte, end - begin);
      return hit ? static_cast<std::size_t>(static_cast<const T*>(hit) - items) : end;
    };
    if (from < m_gapBegin) {
      const std::size_t hit = search(from, m_gapBegin);
      if (hit != m_gapBegin) return hit;
      from = m_gapBegin;
    }
    const std::size_t start = std::min(Slot(from), m_items.size());
    return search(start, m_items.size()) - GapLength();
  }

  // Calls fn(item) for every item in order.
  template <typename Fn>
  void for_each(Fn fn) {
    for (std::size_t i = 0; i < m_gapBegin; ++i) fn(m_items[i]);
    for (std::size_t i = m_gapEnd; i < m_items.size(); ++i) fn(m_items[i]);
  }

 private:
  using Diff = std::ptrdiff_t;

  std::size_t GapLength() const { return m_gapEnd - m_gapBegin; }
  std::size_t Slot(std::size_t index) const { return index < m_gapBegin ? index : index + GapLength(); }
  auto At(std::size_t slot) { return m_items.begin() + static_cast<Diff>(slot); }

  void MoveGapTo(std::size_t index) {
    const std::size_t gap = GapLength();
    if (gap == 0) {
      // Nothing lies between the items: the hole is wherever it is asked to be.
      m_gapBegin = index;
      m_gapEnd = index;
      return;
    }
    if (index < m_gapBegin) {
      // Items [index, gapBegin) move to the end of the gap; source and target differ by the gap's length.
      std::move_backward(At(index), At(m_gapBegin), At(m_gapEnd));
      m_gapBegin = index;
      m_gapEnd = index + gap;
    } else if (index > m_gapBegin) {
      // The first index - gapBegin items after the gap move to its start.
      const std::size_t count = index - m_gapBegin;
      std::move(At(m_gapEnd), At(m_gapEnd + count), At(m_gapBegin));
      m_gapBegin = index;
      m_gapEnd = index + gap;
    }
  }

  // A new gap of half the items (at least 16) where the empty one was.
  void Grow() { Grow(std::max<std::size_t>(16, size() / 2)); }

  // A new gap of `gap` slots where the gap is now. The items are moved only when their move cannot throw, else
  // copied, so that a failure here leaves the buffer as it was.
  void Grow(std::size_t gap) {
    const std::size_t used = size();
    std::vector<T> grown;
    grown.reserve(used + gap);
    grown.insert(grown.end(), Source(m_items.begin()), Source(At(m_gapBegin)));
    grown.resize(m_gapBegin + gap);
    grown.insert(grown.end(), Source(At(m_gapEnd)), Source(m_items.end()));
    m_gapEnd = m_gapBegin + gap;
    m_items.swap(grown);
  }

  // The items' own slots as a source: moved from when that cannot throw (or they cannot be copied), else copied.
  template <typename It>
  static auto Source(It it) {
    if constexpr (std::is_nothrow_move_constructible_v<T> || !std::is_copy_constructible_v<T>) {
      return std::make_move_iterator(it);
    } else {
      return it;
    }
  }

  std::vector<T> m_items;  // items before the gap, the gap's slots, items after it
  std::size_t m_gapBegin = 0;
  std::size_t m_gapEnd = 0;
};

}  // namespace listview
