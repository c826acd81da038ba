// Qt images from the program's bitmap and icons, and from crafted DIBs.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <map>

#include "platform/ui/DibImage.h"
#include "res/ProgramResources.h"
#include "res/resource.h"

namespace {

const QRgb kGrey = qRgb(192, 192, 192);

// Pixel counts by colour in one 32 x 32 cell of the toolbar strip.
std::map<QRgb, int> Histogram(const QImage& image) {
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) | 0xFF000000u];
  return counts;
}

TEST(ProgramImages, ToolbarBitmapHasSixRecognisableImagesOnGrey) {
  const QImage strip = AfxLoadBitmapImage(TarvelquistResources(), IDR_MAINFRAME);
  ASSERT_EQ(strip.size(), QSize(192, 32));
  const std::vector<QImage> images = AfxLoadToolbarImages(TarvelquistResources(), IDR_MAINFRAME);
  ASSERT_EQ(images.size(), 6u);
  // The colour that makes each image, in button order: edit, up, down, insert, delete, About.
  const QRgb colours[6] = {qRgb(255, 0, 255), qRgb(0, 128, 0), qRgb(0, 0, 255),
                           qRgb(255, 255, 0), qRgb(255, 0, 0), qRgb(0, 128, 128)};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE("image " + std::to_string(i + 1));
    const QImage& image = images[i];
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(image.pixel(0, 0), kGrey);
    EXPECT_EQ(image.pixel(31, 31), kGrey);
    auto counts = Histogram(image);
    EXPECT_GE(counts[colours[i]], 100);
    for (int other = 0; other < 6; ++other) {
      if (other != i) {
        EXPECT_EQ(counts[colours[other]], 0);
      }
    }
    EXPECT_GE(counts[kGrey], 300);  // the background shows around the image
  }
  // Shapes: a disc and a cross are filled at the centre, the arrows point the right way, the bars leave a
  // gap between them, the question mark is white on teal.
  EXPECT_EQ(images[0].pixel(16, 16), colours[0]);
  EXPECT_EQ(images[1].pixel(16, 6), colours[1]);  // narrow at the top, wide below, then the shaft
  EXPECT_EQ(images[1].pixel(10, 5), kGrey);
  EXPECT_EQ(images[1].pixel(6, 14), colours[1]);
  EXPECT_EQ(images[1].pixel(6, 22), kGrey);
  EXPECT_EQ(images[2].pixel(16, 25), colours[2]);  // the same upside down
  EXPECT_EQ(images[2].pixel(10, 26), kGrey);
  EXPECT_EQ(images[2].pixel(6, 17), colours[2]);
  EXPECT_EQ(images[2].pixel(6, 9), kGrey);
  EXPECT_EQ(images[3].pixel(16, 10), colours[3]);
  EXPECT_EQ(images[3].pixel(16, 16), kGrey);
  EXPECT_EQ(images[3].pixel(16, 21), colours[3]);
  EXPECT_EQ(images[4].pixel(16, 16), colours[4]);
  EXPECT_EQ(images[4].pixel(16, 5), kGrey);
  EXPECT_GE(Histogram(images[5])[qRgb(255, 255, 255)], 30);
  EXPECT_EQ(images[5].pixel(5, 16), colours[5]);
}

TEST(ProgramImages, IconsAtTheirSizesWithTransparentCorners) {
  const QImage large = AfxLoadIconImage(TarvelquistResources(), IDR_MAINFRAME, 32);
  ASSERT_EQ(large.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(large.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(large.pixel(16, 16)), 255);
  // Icon 128 has only its 32 x 32 image; icon 129 picks the closest of its two.
  EXPECT_EQ(AfxLoadIconImage(TarvelquistResources(), IDR_MAINFRAME, 16).size(), QSize(32, 32));
  EXPECT_EQ(AfxLoadIconImage(TarvelquistResources(), IDI_TARVELQUIST_SMALL, 16).size(), QSize(16, 16));
  EXPECT_EQ(AfxLoadIconImage(TarvelquistResources(), IDI_TARVELQUIST_SMALL, 20).size(), QSize(32, 32));
  EXPECT_EQ(AfxLoadIconImage(TarvelquistResources(), IDI_TARVELQUIST_SMALL, 64).size(), QSize(32, 32));
  EXPECT_EQ(AfxLoadIconImage(TarvelquistResources(), IDI_TARVELQUIST_SMALL, 8).size(), QSize(16, 16));
  const QImage small = AfxLoadIconImage(TarvelquistResources(), IDI_TARVELQUIST_SMALL, 16);
  EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0);
  EXPECT_GT(Histogram(small)[qRgb(0, 128, 0)], 0);  // the check mark
  EXPECT_TRUE(AfxLoadIconImage(TarvelquistResources(), 999, 32).isNull());
  EXPECT_EQ(AfxLoadIcon(TarvelquistResources(), IDI_TARVELQUIST_SMALL).availableSizes().size(), 2);
}

// A DIB with the given header values and rows as stored.
std::vector<BYTE> Dib(int width, int height, int bits, std::vector<QRgb> palette, std::vector<BYTE> pixels,
                      DWORD colorsUsed = 0) {
  std::vector<BYTE> out;
  auto w32 = [&](DWORD v) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<BYTE>(v >> (8 * k)));
  };
  w32(40);
  w32(static_cast<DWORD>(width));
  w32(static_cast<DWORD>(height));
  out.push_back(1);
  out.push_back(0);
  out.push_back(static_cast<BYTE>(bits));
  out.push_back(0);
  for (int k = 0; k < 4; ++k) w32(0);
  w32(colorsUsed);
  w32(0);
  for (QRgb c : palette) {
    out.push_back(static_cast<BYTE>(qBlue(c)));
    out.push_back(static_cast<BYTE>(qGreen(c)));
    out.push_back(static_cast<BYTE>(qRed(c)));
    out.push_back(0);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

const QRgb kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255);

TEST(DibDecoding, RowOrderFollowsTheSignOfTheHeight) {
  // 1 bit per pixel, 2 x 2, rows padded to 4 bytes: stored row 0 is "10", row 1 is "01".
  const std::vector<BYTE> rows{0x80, 0, 0, 0, 0x40, 0, 0, 0};
  const QImage bottomUp = DibToImage(Dib(2, 2, 1, {kRed, kBlue}, rows));
  ASSERT_EQ(bottomUp.size(), QSize(2, 2));
  EXPECT_EQ(bottomUp.pixel(0, 1), kBlue);  // first stored row is the bottom one
  EXPECT_EQ(bottomUp.pixel(1, 1), kRed);
  EXPECT_EQ(bottomUp.pixel(1, 0), kBlue);
  const QImage topDown = DibToImage(Dib(2, -2, 1, {kRed, kBlue}, rows));
  EXPECT_EQ(topDown.pixel(0, 0), kBlue);
  EXPECT_EQ(topDown.pixel(1, 1), kBlue);
  EXPECT_EQ(topDown.pixel(0, 1), kRed);
}

TEST(DibDecoding, EightAndTwentyFourBitPixels) {
  // 8 bits with a 2-colour palette (colorsUsed 2); index 7 is outside it and shows black.
  const QImage indexed = DibToImage(Dib(3, 1, 8, {kRed, kBlue}, {1, 0, 7, 0}, 2));
  ASSERT_EQ(indexed.size(), QSize(3, 1));
  EXPECT_EQ(indexed.pixel(0, 0), kBlue);
  EXPECT_EQ(indexed.pixel(1, 0), kRed);
  EXPECT_EQ(indexed.pixel(2, 0), qRgb(0, 0, 0));
  const QImage rgb = DibToImage(Dib(1, 1, 24, {}, {0x10, 0x20, 0x30, 0}));
  EXPECT_EQ(rgb.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
}

TEST(DibDecoding, MalformedDibsGiveNullImages) {
  const std::vector<BYTE> pixels(64, 0);
  const std::vector<std::pair<const char*, std::vector<BYTE>>> cases{
      {"pixels cut", Dib(16, 4, 4, std::vector<QRgb>(16, kRed), std::vector<BYTE>(31, 0))},
      {"palette cut", Dib(2, 2, 8, {}, {})},
      {"palette larger than the bit depth", Dib(2, 1, 1, {kRed, kBlue, kRed}, {0, 0, 0, 0}, 3)},
      {"unsupported depth", Dib(2, 2, 16, {}, pixels)},
      {"zero width", Dib(0, 2, 24, {}, pixels)},
      {"huge height", Dib(1, 1 << 30, 24, {}, pixels)},
      {"header cut", std::vector<BYTE>(20, 0)},
  };
  for (const auto& [what, dib] : cases) {
    const auto copy = std::make_unique<BYTE[]>(dib.size());
    std::copy(dib.begin(), dib.end(), copy.get());
    EXPECT_TRUE(DibToImage(std::span<const BYTE>(copy.get(), dib.size())).isNull()) << what;
  }
}

TEST(DibDecoding, IconMaskMakesPixelsTransparent) {
  // 1 x 2 icon (stored height 4): colour rows then mask rows, bottom-up; the bottom pixel is masked.
  const std::vector<BYTE> rows{0x00, 0, 0, 0, 0x80, 0, 0, 0, /* mask */ 0x80, 0, 0, 0, 0x00, 0, 0, 0};
  const QImage icon = IconDibToImage(Dib(1, 4, 1, {kRed, kBlue}, rows));
  ASSERT_EQ(icon.size(), QSize(1, 2));
  EXPECT_EQ(icon.pixel(0, 0), qRgba(0, 0, 255, 255));
  EXPECT_EQ(qAlpha(icon.pixel(0, 1)), 0);
  // Without its mask rows a palette icon is incomplete.
  EXPECT_TRUE(IconDibToImage(Dib(1, 4, 1, {kRed, kBlue}, {0, 0, 0, 0, 0x80, 0, 0, 0})).isNull());
  EXPECT_TRUE(IconDibToImage(Dib(1, 3, 1, {kRed, kBlue}, rows)).isNull());  // odd stored height
}

TEST(DibDecoding, SplitKeepsWholeImagesOnly) {
  QImage strip(70, 10, QImage::Format_RGB32);
  strip.fill(kRed);
  strip.setPixel(32, 0, kBlue);
  const auto images = SplitToolbarBitmap(strip, 32, 10);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[1].pixel(0, 0), kBlue);
  EXPECT_TRUE(SplitToolbarBitmap(strip, 32, 11).empty());
  EXPECT_TRUE(SplitToolbarBitmap(strip, 0, 10).empty());
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
