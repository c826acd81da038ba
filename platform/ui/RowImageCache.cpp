// Images found by a hash of the row's texts and colours and then compared whole; when full the least recently
// used goes, and a new frame (the sizes, the font, the grid) empties the cache.
#include "platform/ui/RowImageCache.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace listview {

namespace {

void Mix(std::size_t& hash, std::size_t value) { hash ^= value + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2); }

}  // namespace

std::size_t RowImageCache::HashOf(std::span<const std::u16string_view> texts, const Colors& colors) {
  std::size_t hash = texts.size();
  for (const std::u16string_view text : texts) Mix(hash, std::hash<std::u16string_view>{}(text));
  Mix(hash, colors.selected ? 1 : 0);
  for (const QRgb rgb : {colors.base, colors.text, colors.highlight, colors.highlightedText}) Mix(hash, rgb);
  return hash;
}

void RowImageCache::SetFrame(const Frame& frame) {
  if (frame == m_frame) return;
  m_frame = frame;
  m_entries.clear();
}

void RowImageCache::SetCapacity(std::size_t rows) {
  m_capacity = std::max<std::size_t>(rows, 1);
  Trim();
}

const QImage* RowImageCache::Find(std::span<const std::u16string_view> texts, const Colors& colors) {
  const std::size_t hash = HashOf(texts, colors);
  for (Entry& entry : m_entries) {
    if (entry.hash != hash || !(entry.colors == colors) || !std::ranges::equal(entry.texts, texts)) continue;
    entry.lastUse = ++m_clock;
    return &entry.image;
  }
  return nullptr;
}

const QImage& RowImageCache::Store(std::span<const std::u16string_view> texts, const Colors& colors,
                                   QImage image) {
  Entry entry{HashOf(texts, colors), colors, std::vector<std::u16string>(texts.begin(), texts.end()),
              std::move(image), ++m_clock};
  if (m_entries.size() < m_capacity) return m_entries.emplace_back(std::move(entry)).image;
  auto oldest = std::ranges::min_element(m_entries, {}, &Entry::lastUse);
  *oldest = std::move(entry);
  return oldest->image;
}

void RowImageCache::Trim() {
  if (m_entries.size() <= m_capacity) return;
  std::ranges::sort(m_entries, std::ranges::greater{}, &Entry::lastUse);
  m_entries.resize(m_capacity);
}

}  // namespace listview
