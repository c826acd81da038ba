// The texts of the list's rows, kept together in large blocks instead of one allocation per text: a fill of
// 100,000 rows takes a few hundred blocks rather than 400,000 strings, and emptying the list gives back the
// blocks instead of freeing every text. A row's texts are one record: for each column its length (two units)
// followed by its units. A changed record is written anew at the end of the last block; the space it leaves is
// reclaimed (Compact) once it outweighs the texts still in use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace listview {

class TextStore {
 public:
  // A row's texts as the store hands them out: a plain value the row keeps, valid until the record is set,
  // dropped or compacted. An empty record holds no texts.
  struct Record {
    char16_t* units = nullptr;
    std::uint32_t size = 0;     // units of the record, lengths included
    std::uint32_t columns = 0;  // texts in it
  };

  // A new record holding these texts, column 0 first.
  Record Add(std::span<const std::u16string_view> texts);
  // The text of `column`; empty past the record's texts.
  static std::u16string_view Get(const Record& record, std::size_t column);
  // Sets the text of `column`, adding empty texts before it as needed. The record may move.
  void Set(Record& record, std::size_t column, std::u16string_view text);
  // An empty text at `column` when the record reaches that far: the texts from there on move one column right.
  void InsertEmpty(Record& record, std::size_t column);
  // The record's space is left behind; the record becomes empty.
  void Drop(Record& record);
  // Every record goes, and the blocks with them.
  void Clear();

  // Whether the space left behind outweighs the texts in use, so that Compact would pay for itself.
  bool Wasteful() const;
  // Copies every record that forEach(visit) hands to visit into one fresh block, in that order, and frees the
  // old blocks. Every record in use must be visited. Allocates before anything moves, so a failure changes
  // nothing.
  template <typename ForEach>
  void Compact(ForEach forEach) {
    TextStore fresh;
    fresh.Room(m_live);
    forEach([&fresh](Record& record) { record = fresh.CopyOf(record); });
    *this = std::move(fresh);
  }

  std::size_t LiveUnits() const { return m_live; }

 private:
  static constexpr std::size_t kBlockUnits = std::size_t{1} << 15;
  static constexpr std::size_t kLengthUnits = 2;

  // Makes sure `units` fit at the end of the last block (a new block when they do not).
  void Room(std::size_t units);
  // `units` from the end of the last block, counted as in use.
  char16_t* Take(std::size_t units);
  Record CopyOf(const Record& record);
  bool AtEnd(const Record& record) const { return record.units && record.units + record.size == m_tail; }
  static char16_t* PutText(char16_t* out, std::u16string_view text);
  // A record of `columns` texts; text(c) gives each.
  template <typename TextOf>
  Record Write(std::size_t columns, TextOf text);

  std::vector<std::unique_ptr<char16_t[]>> m_blocks;
  char16_t* m_tail = nullptr;  // the next free unit of the last block
  char16_t* m_end = nullptr;   // the end of the last block
  std::size_t m_held = 0;      // units of the records written since the last compaction
  std::size_t m_live = 0;      // units of the records in use
};

}  // namespace listview
