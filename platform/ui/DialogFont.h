// Fonts and dialog units of templates. A template names its font; the handheld's 192-dpi screen gives a
// 9-point font 24 pixels. Base units follow GetDialogBaseUnits: the average width of A-Z a-z and the height;
// for the handheld's face they are the handheld's own, whichever font stands in for it.
#pragma once

#include <QFont>
#include <string>

// The dialog font: "MS UI Gothic" 9 pt where installed, else VL Gothic, sized as on the handheld's 192-dpi
// screen (9 pt = 24 px).
QFont AfxGetDialogFont();

// Dialog base units: pixels per 4 horizontal and 8 vertical dialog units.
struct DialogBaseUnits {
  int cx;
  int cy;
};
// Of the dialog font as the handheld has them (12 x 24), whichever font substitutes.
DialogBaseUnits AfxGetDialogBaseUnits();

// The template's face where installed, else the dialog font's face; pointSize at 192 dpi.
QFont AfxGetTemplateFont(const std::u16string& faceName, int pointSize);
DialogBaseUnits AfxGetFontBaseUnits(const QFont& font);
// MS UI Gothic's base units at pointSize on the handheld's screen: 12 x 24 at 9 pt.
DialogBaseUnits AfxGetHandheldBaseUnits(int pointSize);
// The units MapDialogRect uses for a template's font: the handheld's for "MS UI Gothic" and for a face that is
// not installed, else measured from the installed face.
DialogBaseUnits AfxGetTemplateBaseUnits(const std::u16string& faceName, int pointSize);

// number * numerator / denominator rounded half away from zero, as the platform's MulDiv; -1 on a zero
// denominator or an overflow.
int AfxMulDiv(int number, int numerator, int denominator);

inline constexpr int kHandheldDpi = 192;
