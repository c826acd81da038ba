// The dialog font and the mapping of dialog units to pixels.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>

#include "platform/ui/AfxWin.h"
#include "platform/ui/DialogFont.h"

namespace {

bool MsUiGothicInstalled() { return QFontDatabase::families().contains(QStringLiteral("MS UI Gothic")); }

TEST(DialogFont, IsTheHandheldsNinePointFontAt192Dpi) {
  const QFont font = AfxGetDialogFont();
  EXPECT_EQ(font.pixelSize(), 24);
  const QString expected = MsUiGothicInstalled() ? QStringLiteral("MS UI Gothic") : QStringLiteral("VL Gothic");
  EXPECT_EQ(QFontInfo(font).family(), expected);
  // A template naming a face that is not installed falls back to the same font.
  EXPECT_EQ(QFontInfo(AfxGetTemplateFont(u"No Such Face", 9)).family(), expected);
  EXPECT_EQ(AfxGetTemplateFont(u"MS UI Gothic", 12).pixelSize(), 32);
}

TEST(DialogFont, TheHandheldsBaseUnitsHoldWhicheverFontSubstitutes) {
  const DialogBaseUnits units = AfxGetDialogBaseUnits();
  EXPECT_EQ(units.cx, 12);
  EXPECT_EQ(units.cy, 24);
  for (const char16_t* face : {u"MS UI Gothic", u"No Such Face"}) {
    const DialogBaseUnits nine = AfxGetTemplateBaseUnits(face, 9);
    EXPECT_EQ(nine.cx, 12);
    EXPECT_EQ(nine.cy, 24);
    const DialogBaseUnits twelve = AfxGetTemplateBaseUnits(face, 12);  // a 32-pixel em
    EXPECT_EQ(twelve.cx, 16);
    EXPECT_EQ(twelve.cy, 32);
  }
  // The substitute measures as the handheld's font does: the units are its own as well, so texts take the
  // room the templates give them.
  if (!MsUiGothicInstalled()) {
    const DialogBaseUnits measured = AfxGetFontBaseUnits(AfxGetDialogFont());
    EXPECT_EQ(measured.cx, 12);
    EXPECT_EQ(measured.cy, 24);
  }
}

TEST(DialogFont, AnInstalledFaceOfItsOwnLaysOutByItsOwnMetrics) {
  if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) GTEST_SKIP() << "no DejaVu Sans";
  const DialogBaseUnits units = AfxGetTemplateBaseUnits(u"DejaVu Sans", 9);
  const DialogBaseUnits measured = AfxGetFontBaseUnits(AfxGetTemplateFont(u"DejaVu Sans", 9));
  EXPECT_EQ(units.cx, measured.cx);
  EXPECT_EQ(units.cy, measured.cy);
  EXPECT_NE(units.cy, 24);  // DejaVu's line is taller than its em
}

struct MulDivCase {
  int number, numerator, denominator, expected;
};

class MulDivTest : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, RoundsHalfAwayFromZero) {
  const MulDivCase& c = GetParam();
  EXPECT_EQ(AfxMulDiv(c.number, c.numerator, c.denominator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MulDivTest,
                         ::testing::Values(MulDivCase{7, 26, 8, 23},      // 22.75
                                           MulDivCase{5, 26, 8, 16},      // 16.25
                                           MulDivCase{5, 1, 2, 3},        // 2.5 up
                                           MulDivCase{-5, 1, 2, -3},      // -2.5 away from zero
                                           MulDivCase{5, -1, 2, -3},
                                           MulDivCase{-5, -1, -2, -3},
                                           MulDivCase{30, 14, 4, 105},
                                           MulDivCase{1, 1, 0, -1},       // zero denominator
                                           MulDivCase{1 << 30, 8, 1, -1}  // overflow
                                           ));

}  // namespace
