// Fitting one line of text: whole, condensed, or condensed to the limit and elided.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include <algorithm>
#include <random>

#include "platform/ui/DialogFont.h"
#include "platform/ui/TextFit.h"

namespace {

int Width(const FittedText& fit) { return QFontMetrics(fit.font).horizontalAdvance(fit.text); }

TEST(TextFit, KeepsATextThatFitsAsItIs) {
  const QFont font = AfxGetDialogFont();
  const QString text = QStringLiteral("2008/05/10");
  const int natural = QFontMetrics(font).horizontalAdvance(text);
  for (const int width : {natural, natural + 40}) {
    const FittedText fit = AfxFitText(font, text, width);
    EXPECT_EQ(fit.text, text);
    EXPECT_EQ(fit.stretch, 100);
    EXPECT_FALSE(fit.elided);
    EXPECT_EQ(fit.font, font);
  }
  EXPECT_FALSE(AfxFitText(font, QString(), 0).elided);
}

TEST(TextFit, CondensesJustEnoughDownToTheLimit) {
  const QFont font = AfxGetDialogFont();
  const QString text = QStringLiteral("件名：期限なし 2008/05/10");
  const int natural = QFontMetrics(font).horizontalAdvance(text);
  for (const int percent : {99, 90, 80, 76}) {
    const int width = natural * percent / 100;
    const FittedText fit = AfxFitText(font, text, width);
    EXPECT_FALSE(fit.elided) << percent;
    EXPECT_EQ(fit.text, text);
    EXPECT_LE(Width(fit), width) << percent;
    EXPECT_LT(fit.stretch, 100);
    EXPECT_GE(fit.stretch, kMinTextStretch);
    EXPECT_EQ(fit.font.stretch(), fit.stretch);
    // No narrower than needed: one step wider no longer fits.
    QFont wider = fit.font;
    wider.setStretch(fit.stretch + 1);
    EXPECT_GT(QFontMetrics(wider).horizontalAdvance(text), width) << percent;
  }
}

TEST(TextFit, ElidesOnlyWhatTheNarrowestCondensingCannotHold) {
  const QFont font = AfxGetDialogFont();
  const QString text = QStringLiteral("Copyright (C) 2008 VORNAKEL, a text for a box far too narrow");
  const int width = QFontMetrics(font).horizontalAdvance(text) / 2;
  const FittedText fit = AfxFitText(font, text, width);
  EXPECT_TRUE(fit.elided);
  EXPECT_EQ(fit.stretch, kMinTextStretch);
  EXPECT_LE(Width(fit), width);
  EXPECT_TRUE(fit.text.endsWith(QChar(0x2026)));
  EXPECT_TRUE(text.startsWith(fit.text.chopped(1)));
  // More than the plain font would show: the condensed glyphs hold more of the text.
  EXPECT_GT(fit.text.size(), QFontMetrics(font).elidedText(text, Qt::ElideRight, width).size());

  for (const int none : {0, -5}) {
    const FittedText nothing = AfxFitText(font, text, none);
    EXPECT_TRUE(nothing.elided);
    EXPECT_LE(Width(nothing), 0);
  }
}

// The fit checked against the plain search it shortens: from the proportional guess down to the limit in turn,
// the first stretch whose width fits wins, elided when none does. Random texts of both scripts, random widths.
TEST(TextFit, AgreesWithTryingEveryStretch) {
  const QFont font = AfxGetDialogFont();
  const QString pool = QStringLiteral("件名期限なしメモ報告書を送る abcdefghijklmnopqrstuvwxyz 0123456789/.,");
  std::mt19937 random(20081203);
  for (int round = 0; round < 300; ++round) {
    QString text;
    const int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) text += pool[static_cast<qsizetype>(random() % pool.size())];
    const int natural = QFontMetrics(font).horizontalAdvance(text);
    const int width = static_cast<int>(random() % static_cast<unsigned>(natural + 20)) - 5;
    const FittedText fit = AfxFitText(font, text, width);
    int expected = natural <= width ? 100 : 0;
    const int guess = natural == 0 ? 99 : static_cast<int>((100LL * std::max(width, 0) + natural - 1) / natural);
    for (int stretch = std::clamp(guess, kMinTextStretch, 99); expected == 0 && stretch >= kMinTextStretch; --stretch) {
      QFont condensed = font;
      condensed.setStretch(stretch);
      if (QFontMetrics(condensed).horizontalAdvance(text) <= width) expected = stretch;
    }
    SCOPED_TRACE(text.toStdString() + " in " + std::to_string(width));
    EXPECT_EQ(fit.elided, expected == 0);
    EXPECT_EQ(fit.stretch, expected == 0 ? kMinTextStretch : expected);
    if (!fit.elided) {
      EXPECT_EQ(fit.text, text);
      EXPECT_LE(Width(fit), width);
    }
  }
}

}  // namespace
