// Measured once as it is, once at the narrowest stretch (too wide there: elided at once), then condensed down
// from the proportional guess until it fits.
#include "platform/ui/TextFit.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

int WidthOf(const QFont& font, const QString& text) { return QFontMetrics(font).horizontalAdvance(text); }

}  // namespace

FittedText AfxFitText(const QFont& font, const QString& text, int width) {
  FittedText fit{font, text};
  const int natural = WidthOf(font, text);
  if (natural <= width) return fit;
  // The width grows with the stretch (each glyph's rounded advance does), so a text too wide at the narrowest
  // condensing is elided at once, without measuring every stretch above it (a long memo in a list cell).
  fit.font.setStretch(kMinTextStretch);
  fit.stretch = kMinTextStretch;
  if (WidthOf(fit.font, text) > width) {
    fit.text = QFontMetrics(fit.font).elidedText(text, Qt::ElideRight, std::max(width, 0));
    fit.elided = true;
    return fit;
  }
  // Glyph advances are rounded per glyph, so the proportional guess can be a little wide: step down from it.
  const int proportional = static_cast<int>((100LL * std::max(width, 0) + natural - 1) / natural);
  const int guess = std::clamp(proportional, kMinTextStretch, 99);
  QFont condensed = font;
  for (int stretch = guess; stretch > kMinTextStretch; --stretch) {
    condensed.setStretch(stretch);
    if (WidthOf(condensed, text) <= width) {
      fit.font = condensed;
      fit.stretch = stretch;
      return fit;
    }
  }
  return fit;  // fits only at the narrowest
}
