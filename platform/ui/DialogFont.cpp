// The dialog font and its base units.
#include "platform/ui/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

constexpr const char* kPreferredFace = "MS UI Gothic";
// The substitute, chosen for its metrics: at the handheld's 24 pixels it is 24 pixels high, as MS UI Gothic
// is, and its letters average the same 12 pixels (half-width Latin at half an em), so texts take the room the
// templates give them. Debian's fonts-vlgothic.
constexpr const char* kFallbackFace = "VL Gothic";
constexpr int kDialogPointSize = 9;
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

bool IsInstalled(const QString& family) {
  return !family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

QFont MakeFont(const QString& family, int pointSize) {
  QFont font(family);
  font.setPixelSize(AfxMulDiv(pointSize, kHandheldDpi, 72));
  font.setStyleStrategy(QFont::PreferDefault);
  return font;
}

QString DialogFace() {
  static const QString face = IsInstalled(QString::fromLatin1(kPreferredFace)) ? QString::fromLatin1(kPreferredFace)
                                                                                : QString::fromLatin1(kFallbackFace);
  return face;
}

}  // namespace

int AfxMulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const std::int64_t magnitude = std::llabs(product);
  const std::int64_t divisor = std::llabs(static_cast<std::int64_t>(denominator));
  std::int64_t result = (magnitude + divisor / 2) / divisor;
  if (negative) result = -result;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

QFont AfxGetDialogFont() {
  static const QFont font = MakeFont(DialogFace(), kDialogPointSize);
  return font;
}

DialogBaseUnits AfxGetDialogBaseUnits() { return AfxGetHandheldBaseUnits(kDialogPointSize); }

DialogBaseUnits AfxGetHandheldBaseUnits(int pointSize) {
  if (pointSize <= 0) pointSize = kDialogPointSize;
  // MS UI Gothic's line is one em high (ascent and descent add up to its em) and its letters A-Z a-z
  // average half an em: 9 pt at 192 dpi is a 24-pixel em, so 12 x 24 (6 x 12 at 96 dpi).
  const int em = AfxMulDiv(pointSize, kHandheldDpi, 72);
  return DialogBaseUnits{(em + 1) / 2, em};
}

DialogBaseUnits AfxGetTemplateBaseUnits(const std::u16string& faceName, int pointSize) {
  const QString requested = QString::fromStdU16String(faceName);
  // A face of its own that is installed lays the dialog out by its own metrics; the handheld's face and every
  // face that is substituted keep the handheld's units, so positions and sizes stay the template's.
  if (IsInstalled(requested) && requested.compare(QString::fromLatin1(kPreferredFace), Qt::CaseInsensitive) != 0) {
    return AfxGetFontBaseUnits(AfxGetTemplateFont(faceName, pointSize));
  }
  return AfxGetHandheldBaseUnits(pointSize);
}

QFont AfxGetTemplateFont(const std::u16string& faceName, int pointSize) {
  const QString requested = QString::fromStdU16String(faceName);
  const QString face = IsInstalled(requested) ? requested : DialogFace();
  if (pointSize <= 0) pointSize = kDialogPointSize;
  if (face.compare(DialogFace(), Qt::CaseInsensitive) == 0 && pointSize == kDialogPointSize) return AfxGetDialogFont();
  return MakeFont(face, pointSize);
}

DialogBaseUnits AfxGetFontBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
  return DialogBaseUnits{(width + 26) / 52, metrics.height()};
}
