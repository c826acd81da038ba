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
  // Glyph advances are rounded per glyph, so the proportional guess can be a little wide: step down from it.
  const int proportional = static_cast<int>((100LL * std::max(width, 0) + natural - 1) / natural);
  const int guess = std::clamp(proportional, kMinTextStretch, 99);
  for (int stretch = guess; stretch >= kMinTextStretch; --stretch) {
    fit.font.setStretch(stretch);
    if (WidthOf(fit.font, text) <= width) {
      fit.stretch = stretch;
      return fit;
    }
  }
  fit.font.setStretch(kMinTextStretch);
  fit.stretch = kMinTextStretch;
  fit.text = QFontMetrics(fit.font).elidedText(text, Qt::ElideRight, std::max(width, 0));
  fit.elided = true;
  return fit;
}
