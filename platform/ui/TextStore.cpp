// Records are carved from the end of the last block; a changed record is rewritten there unless it is the
// newest and can grow in place, and the store says when its dead space is worth reclaiming.
#include "platform/ui/TextStore.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace listview {
namespace {

constexpr std::size_t kMaxRecordUnits = std::numeric_limits<std::uint32_t>::max();

std::size_t LengthAt(const char16_t* at) { return std::size_t{at[0]} | (std::size_t{at[1]} << 16); }

}  // namespace

char16_t* TextStore::PutText(char16_t* out, std::u16string_view text) {
  out[0] = static_cast<char16_t>(text.size() & 0xFFFF);
  out[1] = static_cast<char16_t>(text.size() >> 16);
  if (!text.empty()) std::memcpy(out + kLengthUnits, text.data(), text.size() * sizeof(char16_t));
  return out + kLengthUnits + text.size();
}

void TextStore::Room(std::size_t units) {
  if (static_cast<std::size_t>(m_end - m_tail) >= units) return;
  const std::size_t size = std::max(kBlockUnits, units);
  auto block = std::make_unique_for_overwrite<char16_t[]>(size);
  char16_t* const start = block.get();
  m_blocks.push_back(std::move(block));
  m_tail = start;
  m_end = start + size;
}

char16_t* TextStore::Take(std::size_t units) {
  Room(units);
  char16_t* const taken = m_tail;
  m_tail += units;
  m_held += units;
  m_live += units;
  return taken;
}

template <typename TextOf>
TextStore::Record TextStore::Write(std::size_t columns, TextOf text) {
  std::size_t size = 0;
  for (std::size_t c = 0; c < columns; ++c) size += kLengthUnits + text(c).size();
  if (size > kMaxRecordUnits) throw std::length_error("list row texts too long");
  char16_t* out = Take(size);
  const Record record{out, static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(columns)};
  for (std::size_t c = 0; c < columns; ++c) out = PutText(out, text(c));
  return record;
}

TextStore::Record TextStore::Add(std::span<const std::u16string_view> texts) {
  return Write(texts.size(), [texts](std::size_t c) { return texts[c]; });
}

TextStore::Record TextStore::CopyOf(const Record& record) {
  if (!record.units) return {};
  char16_t* const out = Take(record.size);
  std::memcpy(out, record.units, record.size * sizeof(char16_t));
  return {out, record.size, record.columns};
}

std::u16string_view TextStore::Get(const Record& record, std::size_t column) {
  if (column >= record.columns) return {};
  const char16_t* at = record.units;
  for (std::size_t c = 0; c < column; ++c) at += kLengthUnits + LengthAt(at);
  return {at + kLengthUnits, LengthAt(at)};
}

void TextStore::Set(Record& record, std::size_t column, std::u16string_view text) {
  // A fill sets the columns of the newest row in order: its record grows where it lies.
  if (column >= record.columns && AtEnd(record)) {
    const std::size_t added = (column - record.columns + 1) * kLengthUnits + text.size();
    if (static_cast<std::size_t>(m_end - m_tail) >= added && record.size + added <= kMaxRecordUnits) {
      char16_t* out = m_tail;
      for (std::size_t c = record.columns; c < column; ++c) out = PutText(out, {});
      m_tail = PutText(out, text);
      record.size += static_cast<std::uint32_t>(added);
      record.columns = static_cast<std::uint32_t>(column + 1);
      m_held += added;
      m_live += added;
      return;
    }
  }
  Record old = record;
  record = Write(std::max<std::size_t>(old.columns, column + 1),
                 [&](std::size_t c) { return c == column ? text : Get(old, c); });
  Drop(old);
}

void TextStore::InsertEmpty(Record& record, std::size_t column) {
  if (column >= record.columns) return;
  Record old = record;
  record = Write(old.columns + std::size_t{1}, [&](std::size_t c) {
    if (c == column) return std::u16string_view();
    return Get(old, c < column ? c : c - 1);
  });
  Drop(old);
}

void TextStore::Drop(Record& record) {
  m_live -= record.size;
  record = {};
}

void TextStore::Clear() {
  m_blocks.clear();
  m_tail = nullptr;
  m_end = nullptr;
  m_held = 0;
  m_live = 0;
}

bool TextStore::Wasteful() const {
  const std::size_t left = m_held - m_live;
  return left > m_live && left >= 8 * kBlockUnits;
}

}  // namespace listview
