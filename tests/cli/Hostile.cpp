#include "tests/cli/Hostile.h"

#include <array>
#include <cstdio>

namespace clitest {
namespace {

// Pieces a hostile text is made of: each is a run of UTF-16 units.
// clang-format off
const std::array<std::u16string_view, 24> kPieces = {
    u"\x1B[31m", u"\x9B" u"2J", u"\u202E", u"\u2066", u"\u2069", u"\u200E", u"\u200F", u"\u061C",
    u"\u2028",   u"\u202A",     u"\r\n",   u"\r",     u"\n",     u"\t",     u"\x7F",   u"\x85",
    u"=",        u"+",          u"-",       u"@",      u"'",      u",\"",    u"\u4EF6", u"\U0001F600",
};
// clang-format on

// Code points a file name gets in UTF-8: C1 controls and direction controls.
constexpr std::array<char32_t, 6> kNameControls = {0x9B, 0x202E, 0x2067, 0x200F, 0x061C, 0x85};

int Below(std::mt19937& random, int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(random); }

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

bool Hazardous(char32_t codePoint) {
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F) || (codePoint >= 0x202A && codePoint <= 0x202E) ||
         (codePoint >= 0x2066 && codePoint <= 0x2069) || codePoint == 0x200E || codePoint == 0x200F ||
         codePoint == 0x061C || codePoint == 0x2028 || codePoint == 0x2029;
}

std::string Where(std::string_view output, std::size_t pos, const char* what) {
  char text[96];
  std::snprintf(text, sizeof text, "%s at byte %zu of %zu: ", what, pos, output.size());
  return text + std::string(output.substr(pos > 20 ? pos - 20 : 0, 40));
}

}  // namespace

std::u16string HostileText(std::mt19937& random, std::size_t maxUnits, bool loneSurrogates) {
  std::u16string text;
  const std::size_t target = static_cast<std::size_t>(Below(random, static_cast<int>(maxUnits) + 1));
  while (text.size() < target) {
    switch (Below(random, 6)) {
      case 0:
        text += kPieces[static_cast<std::size_t>(Below(random, kPieces.size()))];
        break;
      case 1:
        text.push_back(static_cast<char16_t>(Below(random, 0x20)));  // any C0 control, NUL included
        break;
      case 2:
        text.push_back(static_cast<char16_t>(0x80 + Below(random, 0x20)));  // any C1 control
        break;
      case 3:
        if (loneSurrogates) {
          text.push_back(static_cast<char16_t>(0xD800 + Below(random, 0x800)));
          break;
        }
        [[fallthrough]];
      default:
        text.push_back(static_cast<char16_t>(0x20 + Below(random, 0x5F)));  // printable ASCII
        break;
    }
  }
  return text;
}

std::string HostileFileName(std::mt19937& random) {
  std::string name;
  const int pieces = 1 + Below(random, 6);
  for (int i = 0; i < pieces; ++i) {
    switch (Below(random, 5)) {
      case 0:
        name += "\x1B[1;31m";
        break;
      case 1:
        name.push_back(static_cast<char>(1 + Below(random, 0x1F)));  // C0 without NUL
        break;
      case 2:
        AppendUtf8(name, kNameControls[static_cast<std::size_t>(Below(random, kNameControls.size()))]);
        break;
      case 3:
        name.push_back(static_cast<char>(0x80 + Below(random, 0x80)));  // a byte that cannot stand alone in UTF-8
        break;
      default:
        name += "tasks";
        break;
    }
  }
  return name + ".tvq";
}

std::string TerminalHazard(std::string_view output, bool crLf) {
  for (std::size_t pos = 0; pos < output.size();) {
    const auto lead = static_cast<unsigned char>(output[pos]);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || pos + length > output.size()) return Where(output, pos, "not UTF-8");
    char32_t codePoint = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(output[pos + k]);
      if ((next & 0xC0) != 0x80) return Where(output, pos, "not UTF-8");
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool lineEnd =
        codePoint == U'\n' || (crLf && codePoint == U'\r' && pos + 1 < output.size() && output[pos + 1] == '\n');
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || (!lineEnd && Hazardous(codePoint))) {
      return Where(output, pos, "a control");
    }
    pos += length;
  }
  return {};
}

}  // namespace clitest
