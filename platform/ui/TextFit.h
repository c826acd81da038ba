// One line of text in a box of fixed width, as a careful port keeps the handheld's texts whole: the text is
// drawn as it is when it fits, horizontally condensed when that makes it fit, and elided only when even the
// narrowest readable condensing is too wide. Dialog statics, buttons, check boxes, radio buttons and the list
// view's cells all fit their texts here.
#pragma once

#include <QFont>
#include <QString>

// The narrowest condensing, in percent of the font's width: the width of typographic condensed faces
// (QFont::Condensed). A full-width character of the 24-pixel dialog font keeps 18 pixels and a digit 9, so
// strokes and counters stay apart; three full-width characters of text (72 pixels) in a box of 18 dialog units
// (54 pixels) need exactly this much.
inline constexpr int kMinTextStretch = QFont::Condensed;

struct FittedText {
  QFont font;          // the font to draw with: the given one, with its stretch set when condensed
  QString text;        // what to draw: the whole text, or the elided one
  int stretch = 100;   // percent of the natural width
  bool elided = false; // the whole text did not fit even condensed to kMinTextStretch
};

// Fits `text` (one line) into `width` pixels with `font`.
FittedText AfxFitText(const QFont& font, const QString& text, int width);
