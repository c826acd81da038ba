// The dialog font and its base units.
#include "platform/ui/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

constexpr const char* kPreferredFace = "MS UI Gothic";
constexpr const char* kFallbackFace = "IPAPGothic";
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

DialogBaseUnits AfxGetDialogBaseUnits() {
  static const DialogBaseUnits units = AfxGetFontBaseUnits(AfxGetDialogFont());
  return units;
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
