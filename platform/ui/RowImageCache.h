// The list's rows as they were last drawn, so that repainting a row that has not changed copies its pixels
// instead of fitting and drawing the text of every cell again. The list repaints all the rows in sight for
// any change (the window losing or taking the activation, a row changing out of sight, the focus moving), and
// drawing text is nearly all of a repaint's cost.
//
// A picture depends on the row's texts and the colours it is drawn in (its own entry key), and on what every row
// shares: the width, the row height, the columns' places, the grid, the font, the pixel format and the device
// pixel ratio (the frame; another frame empties the cache). Only the last few rows used are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QFont>
#include <QImage>
#include <QRgb>

namespace listview {

class RowImageCache {
 public:
  // What all rows' pictures share.
  struct Frame {
    int width = 0;   // the viewport's
    int height = 0;  // a row's
    qreal devicePixelRatio = 1;
    QImage::Format format = QImage::Format_Invalid;
    QFont font;
    bool fullRowSelect = false;
    bool gridLines = false;
    QRgb gridColor = 0;
    int columnsLength = 0;                     // the header's, where the grid's row lines end
    std::vector<std::pair<int, int>> columns;  // each column's viewport position and width

    bool operator==(const Frame&) const = default;
  };

  // The colours a row is drawn in; a row that does not show as selected leaves the highlight ones 0, so that
  // it keeps its picture when only they change (the window's activation).
  struct Colors {
    bool selected = false;
    QRgb base = 0;
    QRgb text = 0;
    QRgb highlight = 0;
    QRgb highlightedText = 0;

    bool operator==(const Colors&) const = default;
  };

  // Empties the cache when `frame` differs from the one the pictures were drawn for.
  void SetFrame(const Frame& frame);
  const Frame& CurrentFrame() const { return m_frame; }
  // Keeps at most `rows` pictures, the most recently used.
  void SetCapacity(std::size_t rows);

  // The picture of a row with these texts and colours, or null.
  const QImage* Find(std::span<const std::u16string_view> texts, const Colors& colors);
  // Keeps `image` as that row's picture, in place of the least recently used one when the cache is full.
  const QImage& Store(std::span<const std::u16string_view> texts, const Colors& colors, QImage image);

  void Clear() { m_entries.clear(); }
  std::size_t Size() const { return m_entries.size(); }

 private:
  struct Entry {
    std::size_t hash = 0;
    Colors colors;
    std::vector<std::u16string> texts;
    QImage image;
    std::uint64_t lastUse = 0;
  };

  static std::size_t HashOf(std::span<const std::u16string_view> texts, const Colors& colors);
  void Trim();

  Frame m_frame;
  std::size_t m_capacity = 32;
  std::vector<Entry> m_entries;
  std::uint64_t m_clock = 0;
};

}  // namespace listview
