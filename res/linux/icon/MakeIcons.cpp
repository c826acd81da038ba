// Draws the program's icon: a blue tile holding a white sheet with three check boxes, two of them ticked.
// One description of the shapes gives both the scalable SVG and the PNG sizes of the hicolor theme.
// Usage: tvq_make_icons OUTPUT_DIR   (writes tarvelquist.svg and tarvelquist-<size>.png)
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// All coordinates are on a 256 x 256 canvas.
struct RoundRect {
  double x, y, w, h, r;
  const char* fill;
  const char* stroke;  // null: no outline
  double strokeWidth;
};

struct Polyline {
  std::vector<QPointF> points;
  const char* stroke;
  double width;
};

constexpr const char* kBlue = "#2e6db4";
constexpr const char* kLine = "#9db7d5";
constexpr const char* kTick = "#e8542f";

std::vector<RoundRect> Rects() {
  std::vector<RoundRect> rects = {
      {16, 16, 224, 224, 40, kBlue, nullptr, 0},
      {52, 36, 152, 184, 14, "#ffffff", nullptr, 0},
  };
  for (int row = 0; row < 3; ++row) {
    const double y = 64 + row * 46;
    rects.push_back({70, y, 30, 30, 6, "#ffffff", kBlue, 7});
    rects.push_back({114, y + 10, 72, 11, 5.5, kLine, nullptr, 0});
  }
  return rects;
}

std::vector<Polyline> Ticks() {
  std::vector<Polyline> ticks;
  for (int row = 0; row < 2; ++row) {
    const double y = 64 + row * 46;
    ticks.push_back({{QPointF(74, y + 14), QPointF(85, y + 26), QPointF(108, y - 4)}, kTick, 9});
  }
  return ticks;
}

QString Svg() {
  QString svg = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n");
  for (const RoundRect& r : Rects()) {
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"")
               .arg(r.x).arg(r.y).arg(r.w).arg(r.h).arg(r.r).arg(QString::fromLatin1(r.fill));
    if (r.stroke) {
      svg += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"").arg(QString::fromLatin1(r.stroke)).arg(r.strokeWidth);
    }
    svg += QStringLiteral("/>\n");
  }
  for (const Polyline& line : Ticks()) {
    QString points;
    for (const QPointF& p : line.points) points += QStringLiteral("%1,%2 ").arg(p.x()).arg(p.y());
    svg += QStringLiteral(
               "  <polyline points=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"%3\" stroke-linecap=\"round\" "
               "stroke-linejoin=\"round\"/>\n")
               .arg(points.trimmed()).arg(QString::fromLatin1(line.stroke)).arg(line.width);
  }
  svg += QStringLiteral("</svg>\n");
  return svg;
}

QImage Png(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 256.0, size / 256.0);
  for (const RoundRect& r : Rects()) {
    painter.setBrush(QColor(QString::fromLatin1(r.fill)));
    if (r.stroke) {
      painter.setPen(QPen(QColor(QString::fromLatin1(r.stroke)), r.strokeWidth));
    } else {
      painter.setPen(Qt::NoPen);
    }
    painter.drawRoundedRect(QRectF(r.x, r.y, r.w, r.h), r.r, r.r);
  }
  for (const Polyline& line : Ticks()) {
    QPen pen(QColor(QString::fromLatin1(line.stroke)), line.width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line.points.data(), static_cast<int>(line.points.size()));
  }
  painter.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tvq_make_icons OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QFile svg(dir + QStringLiteral("/tarvelquist.svg"));
  if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(Svg().toUtf8()) < 0) return 1;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    if (!Png(size).save(dir + QStringLiteral("/tarvelquist-%1.png").arg(size), "PNG")) return 1;
  }
  return 0;
}
