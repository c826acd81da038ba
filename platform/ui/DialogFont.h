// Fonts and dialog units of templates. A template names its font; the handheld's 192-dpi screen gives a
// 9-point font 24 pixels. Base units follow GetDialogBaseUnits: the average width of A-Z a-z and the height.
#pragma once

#include <QFont>
#include <string>

#include "platform/ui/AfxWin.h"

// The template's face where installed, else the dialog font's face; pointSize at 192 dpi.
QFont AfxGetTemplateFont(const std::u16string& faceName, int pointSize);
DialogBaseUnits AfxGetFontBaseUnits(const QFont& font);

// number * numerator / denominator rounded half away from zero, as the platform's MulDiv; -1 on a zero
// denominator or an overflow.
int AfxMulDiv(int number, int numerator, int denominator);

inline constexpr int kHandheldDpi = 192;
