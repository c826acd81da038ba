// How the template buttons look: a checked push-like button stands out from its row, and the box of a check
// box or radio button grows with its text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/core/WinStyles.h"
#include "platform/ui/ControlFactory.h"

namespace {

QAbstractButton* MakeButton(QWidget& host, DWORD type, const std::u16string& title, const QRect& geometry) {
  ControlCreateInfo info;
  info.style = WS_CHILD | WS_VISIBLE | type;
  info.id = 1005;
  info.title = title;
  QWidget* widget = AfxFindControlClass(u"Button")(info, &host, nullptr);
  widget->setGeometry(geometry);
  return qobject_cast<QAbstractButton*>(widget);
}

int Luminance(QRgb pixel) { return (qRed(pixel) * 299 + qGreen(pixel) * 587 + qBlue(pixel) * 114) / 1000; }

// The luminances of the pixels inside `area`.
std::vector<int> Luminances(const QImage& image, const QRect& area) {
  std::vector<int> values;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) values.push_back(Luminance(image.pixel(x, y)));
  }
  std::sort(values.begin(), values.end());
  return values;
}

QImage Grab(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

struct Face {
  int median;  // the face colour
  int text;    // the text, as far from the face as it gets
};

Face FaceOf(QAbstractButton* button) {
  const QImage image = Grab(button);
  const std::vector<int> values = Luminances(image, image.rect().adjusted(4, 4, -4, -4));
  const int median = values[values.size() / 2];
  const int darkest = values.front();
  const int brightest = values.back();
  return Face{median, std::abs(brightest - median) > std::abs(darkest - median) ? brightest : darkest};
}

class PushLike : public ::testing::TestWithParam<bool> {};

// Enabled or not, the checked button of a row is told from the others at a glance, and its text stays
// readable on its face.
TEST_P(PushLike, CheckedFaceStandsOutAndKeepsItsTextReadable) {
  QWidget host;
  host.resize(200, 60);
  host.setEnabled(GetParam());
  QAbstractButton* raised = MakeButton(host, BS_AUTORADIOBUTTON | BS_PUSHLIKE, u"Ａ", QRect(10, 10, 40, 30));
  QAbstractButton* checked = MakeButton(host, BS_AUTORADIOBUTTON | BS_PUSHLIKE, u"Ｂ", QRect(60, 10, 40, 30));
  checked->setChecked(true);
  const Face up = FaceOf(raised);
  const Face down = FaceOf(checked);
  EXPECT_GE(up.median - down.median, 60) << up.median << " " << down.median;
  if (GetParam()) {
    EXPECT_GE(std::abs(down.text - down.median), 90) << down.text << " on " << down.median;
  } else {
    // Disabled text is dim on every face; on the checked one no dimmer than on the others.
    EXPECT_GE(std::abs(down.text - down.median), std::abs(up.text - up.median)) << down.text << " on " << down.median;
  }
  // Cleared again, it looks like the others.
  checked->setChecked(false);
  EXPECT_LE(std::abs(FaceOf(checked).median - up.median), 5);
}

INSTANTIATE_TEST_SUITE_P(States, PushLike, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Enabled" : "Disabled";
                         });

// The bounding box of the pixels of `image` that differ from `against` in the columns left of `limit`.
QRect Differences(const QImage& image, const QImage& against, int limit) {
  QRect box;
  for (int x = 0; x < std::min(limit, image.width()); ++x) {
    for (int y = 0; y < image.height(); ++y) {
      if (image.pixel(x, y) != against.pixel(x, y)) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

class IndicatorBox : public ::testing::TestWithParam<DWORD> {};

// With a large text the box is two thirds of a line tall, and the tick or dot fills it in proportion.
TEST_P(IndicatorBox, GrowsWithTheText) {
  QWidget host;
  host.resize(300, 60);
  QFont font = host.font();
  font.setPixelSize(28);
  host.setFont(font);
  QAbstractButton* button = MakeButton(host, GetParam(), u"期限なし", QRect(0, 0, 200, 48));
  const int expected = QFontMetrics(font).height() * 2 / 3;

  // The text begins a label spacing after the box, so the columns up to the box's size and a little more
  // hold the box only.
  const int limit = expected + 3;
  QImage blank(button->size(), QImage::Format_RGB32);
  blank.fill(button->palette().color(QPalette::Window));
  const QImage clear = Grab(button);
  const QRect box = Differences(clear, blank, limit);
  ASSERT_FALSE(box.isEmpty());
  EXPECT_LE(box.left(), 2);
  EXPECT_GE(box.height(), expected - 2);
  EXPECT_LE(box.height(), expected + 2);
  EXPECT_NEAR(box.center().y(), button->height() / 2.0, 2.0);

  button->setChecked(true);
  const QRect tick = Differences(Grab(button), clear, limit);
  ASSERT_FALSE(tick.isEmpty());
  EXPECT_TRUE(box.contains(tick));
  EXPECT_GE(tick.height(), expected / 3);
  EXPECT_GE(tick.width(), expected / 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, IndicatorBox, ::testing::Values(BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON),
                         [](const ::testing::TestParamInfo<DWORD>& info) {
                           return info.param == BS_AUTOCHECKBOX ? "CheckBox" : "RadioButton";
                         });

}  // namespace
