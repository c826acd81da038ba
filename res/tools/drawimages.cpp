// drawimages: draws the program's images with plain integer geometry in the platform's standard
// 16-colour palette and writes them as the files the resource script names:
//   toolbar.bmp            192 x 32, 4 bits per pixel: the six toolbar images in button order
//   tarvelquist.ico        32 x 32, 16 colours: the program's icon
//   tarvelquist_small.ico  32 x 32 and 16 x 16, 16 colours: the same motif
// Host tool: the standard library and the header-only resource writer. Usage: drawimages output-directory

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ResourceWriter.h"

namespace fs = std::filesystem;

namespace {

// The standard 16-colour palette, by index.
enum Colour : std::uint8_t {
  kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
  kGrey, kRed, kLime, kYellow, kBlue, kMagenta, kCyan, kWhite,
};
constexpr std::array<std::array<std::uint8_t, 3>, 16> kPalette{{
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

// A palette-indexed image, rows top to bottom; pixels outside are ignored so shapes may be clipped freely.
class Canvas {
 public:
  Canvas(int width, int height, std::uint8_t fill) : m_width(width), m_height(height), m_pixels(width * height, fill), m_opaque(width * height, true) {}

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  std::uint8_t At(int x, int y) const { return m_pixels[y * m_width + x]; }
  bool Opaque(int x, int y) const { return m_opaque[y * m_width + x]; }

  void Set(int x, int y, std::uint8_t colour) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_pixels[y * m_width + x] = colour;
    m_opaque[y * m_width + x] = true;
  }
  void MakeTransparent() { std::fill(m_opaque.begin(), m_opaque.end(), false); std::fill(m_pixels.begin(), m_pixels.end(), kBlack); }

  void FillRect(int left, int top, int right, int bottom, std::uint8_t colour) {  // inclusive corners
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) Set(x, y, colour);
  }
  void FrameRect(int left, int top, int right, int bottom, std::uint8_t colour) {
    for (int x = left; x <= right; ++x) {
      Set(x, top, colour);
      Set(x, bottom, colour);
    }
    for (int y = top; y <= bottom; ++y) {
      Set(left, y, colour);
      Set(right, y, colour);
    }
  }
  // Disc around the corner point (cx, cy) shared by four pixels, tested at pixel centres in half-pixel
  // units so the disc is symmetric.
  void FillDisc(int ox, int oy, int cx, int cy, int radius, std::uint8_t colour) {
    for (int y = oy; y < oy + 2 * cy; ++y)
      for (int x = ox; x < ox + 2 * cx; ++x) {
        const int dx = 2 * (x - ox) + 1 - 2 * cx;
        const int dy = 2 * (y - oy) + 1 - 2 * cy;
        if (dx * dx + dy * dy <= 4 * radius * radius) Set(x, y, colour);
      }
  }
  // A thick segment: pixels whose centre lies within `half` of the segment (squared distances in integers,
  // coordinates doubled so pixel centres are whole numbers).
  void ThickLine(int x0, int y0, int x1, int y1, int half, std::uint8_t colour) {
    const long long ax = 2LL * x0 + 1, ay = 2LL * y0 + 1, bx = 2LL * x1 + 1, by = 2LL * y1 + 1;
    const long long vx = bx - ax, vy = by - ay, length2 = vx * vx + vy * vy;
    for (int y = std::min(y0, y1) - half - 1; y <= std::max(y0, y1) + half + 1; ++y)
      for (int x = std::min(x0, x1) - half - 1; x <= std::max(x0, x1) + half + 1; ++x) {
        const long long px = 2LL * x + 1 - ax, py = 2LL * y + 1 - ay;
        const long long dot = px * vx + py * vy;
        long long distance2 = 0;
        if (dot <= 0 || length2 == 0) {
          distance2 = px * px + py * py;
        } else if (dot >= length2) {
          const long long qx = 2LL * x + 1 - bx, qy = 2LL * y + 1 - by;
          distance2 = qx * qx + qy * qy;
        } else {
          const long long cross = px * vy - py * vx;
          // distance^2 = cross^2 / length2, compared without division
          if (cross * cross <= 4LL * half * half * length2) Set(x, y, colour);
          continue;
        }
        if (distance2 <= 4LL * half * half) Set(x, y, colour);
      }
  }
  // A glyph from rows of '#' and '.', each cell drawn as one pixel.
  void Glyph(int left, int top, const std::vector<std::string_view>& rows, std::uint8_t colour) {
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
      for (int x = 0; x < static_cast<int>(rows[y].size()); ++x)
        if (rows[y][x] == '#') Set(left + x, top + y, colour);
  }

 private:
  int m_width;
  int m_height;
  std::vector<std::uint8_t> m_pixels;
  std::vector<bool> m_opaque;
};

// --- the toolbar images, each in its 32 x 32 cell at x offset ox

void DrawEdit(Canvas& c, int ox) {
  c.FillDisc(ox, 0, 16, 16, 12, kPurple);
  c.FillDisc(ox, 0, 16, 16, 11, kMagenta);
}

// An arrow pointing up, or down when mirrored: head rows 4 to 15, shaft rows 16 to 27.
void DrawArrow(Canvas& c, int ox, bool down, std::uint8_t colour) {
  auto row = [down](int y) { return down ? 31 - y : y; };
  for (int y = 4; y <= 15; ++y) {
    const int half = y - 3;
    for (int x = 16 - half; x <= 15 + half; ++x) c.Set(ox + x, row(y), colour);
  }
  for (int y = 16; y <= 27; ++y)
    for (int x = 12; x <= 19; ++x) c.Set(ox + x, row(y), colour);
}

void DrawInsert(Canvas& c, int ox) {
  for (int top : {7, 18}) {
    c.FillRect(ox + 4, top, ox + 27, top + 6, kBlack);
    c.FillRect(ox + 5, top + 1, ox + 26, top + 5, kYellow);
  }
}

void DrawDelete(Canvas& c, int ox) {
  c.ThickLine(ox + 6, 6, ox + 25, 25, 2, kRed);
  c.ThickLine(ox + 25, 6, ox + 6, 25, 2, kRed);
}

void DrawAbout(Canvas& c, int ox) {
  c.FillDisc(ox, 0, 16, 16, 14, kTeal);
  c.Glyph(ox + 11, 8,
          {
              "..######..",
              ".########.",
              "###....###",
              "###....###",
              ".......###",
              "......###.",
              ".....###..",
              "....###...",
              "....###...",
              "....###...",
              "..........",
              "....###...",
              "....###...",
              "....###...",
          },
          kWhite);
}

Canvas Toolbar() {
  Canvas c(192, 32, kSilver);
  DrawEdit(c, 0);
  DrawArrow(c, 32, false, kGreen);
  DrawArrow(c, 64, true, kBlue);
  DrawInsert(c, 96);
  DrawDelete(c, 128);
  DrawAbout(c, 160);
  return c;
}

// --- the icon: a sheet of paper with task lines and a green check mark, on a transparent background

Canvas Icon32() {
  Canvas c(32, 32, kBlack);
  c.MakeTransparent();
  c.FillRect(5, 2, 26, 29, kWhite);
  c.FrameRect(5, 2, 26, 29, kBlack);
  for (int y : {8, 15, 22}) c.FillRect(14, y, 23, y + 1, kNavy);
  c.ThickLine(3, 16, 9, 23, 2, kGreen);
  c.ThickLine(9, 23, 19, 8, 2, kGreen);
  return c;
}

Canvas Icon16() {
  Canvas c(16, 16, kBlack);
  c.MakeTransparent();
  c.FillRect(2, 1, 13, 14, kWhite);
  c.FrameRect(2, 1, 13, 14, kBlack);
  for (int y : {4, 7, 10}) c.FillRect(7, y, 11, y, kNavy);
  c.ThickLine(1, 8, 4, 11, 1, kGreen);
  c.ThickLine(4, 11, 9, 4, 1, kGreen);
  return c;
}

// --- files

using Bytes = platform::ResourceWriter;

int Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// BITMAPINFOHEADER, the 16-colour palette and the 4-bit rows bottom-up; for icons the height is doubled
// and the 1-bit AND mask (1 = transparent) follows.
void WriteDib(Bytes& out, const Canvas& c, bool icon) {
  const int xorStride = Stride(c.Width(), 4);
  const int andStride = Stride(c.Width(), 1);
  const int imageSize = xorStride * c.Height() + (icon ? andStride * c.Height() : 0);
  out.Dword(40);
  out.Dword(static_cast<std::uint32_t>(c.Width()));
  out.Dword(static_cast<std::uint32_t>(icon ? 2 * c.Height() : c.Height()));
  out.Word(1);
  out.Word(4);
  out.Dword(0);  // BI_RGB
  out.Dword(static_cast<std::uint32_t>(imageSize));
  out.Dword(icon ? 0 : 3780);  // 96 dpi
  out.Dword(icon ? 0 : 3780);
  out.Dword(icon ? 0 : 16);
  out.Dword(0);
  for (const auto& rgb : kPalette) {
    out.Byte(rgb[2]);
    out.Byte(rgb[1]);
    out.Byte(rgb[0]);
    out.Byte(0);
  }
  for (int y = c.Height() - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(xorStride, 0);
    for (int x = 0; x < c.Width(); ++x) row[x / 2] |= static_cast<std::uint8_t>(c.At(x, y) << (x % 2 ? 0 : 4));
    out.Append(row);
  }
  if (!icon) return;
  for (int y = c.Height() - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(andStride, 0);
    for (int x = 0; x < c.Width(); ++x)
      if (!c.Opaque(x, y)) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    out.Append(row);
  }
}

std::vector<std::uint8_t> BitmapFile(const Canvas& c) {
  Bytes dib;
  WriteDib(dib, c, false);
  Bytes out;
  out.Byte('B');
  out.Byte('M');
  out.Dword(static_cast<std::uint32_t>(14 + dib.Size()));
  out.Dword(0);
  out.Dword(14 + 40 + 16 * 4);
  out.Append(dib.Data());
  return out.Data();
}

std::vector<std::uint8_t> IconFile(const std::vector<Canvas>& images) {
  std::vector<Bytes> dibs(images.size());
  for (std::size_t k = 0; k < images.size(); ++k) WriteDib(dibs[k], images[k], true);
  Bytes out;
  out.Word(0);
  out.Word(1);
  out.Word(static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t k = 0; k < images.size(); ++k) {
    out.Byte(static_cast<std::uint8_t>(images[k].Width()));
    out.Byte(static_cast<std::uint8_t>(images[k].Height()));
    out.Byte(16);
    out.Byte(0);
    out.Word(1);
    out.Word(4);
    out.Dword(static_cast<std::uint32_t>(dibs[k].Size()));
    out.Dword(offset);
    offset += static_cast<std::uint32_t>(dibs[k].Size());
  }
  for (const Bytes& dib : dibs) out.Append(dib.Data());
  return out.Data();
}

bool Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: drawimages output-directory\n";
    return 2;
  }
  const fs::path dir = argv[1];
  std::error_code error;
  fs::create_directories(dir, error);
  const bool ok = Write(dir / "toolbar.bmp", BitmapFile(Toolbar())) &&
                  Write(dir / "tarvelquist.ico", IconFile({Icon32()})) &&
                  Write(dir / "tarvelquist_small.ico", IconFile({Icon32(), Icon16()}));
  if (!ok) {
    std::cerr << "drawimages: cannot write the images into " << dir.string() << "\n";
    return 1;
  }
  return 0;
}
