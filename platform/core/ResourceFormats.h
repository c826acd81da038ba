// The small standard resource formats: accelerator tables, the framework's toolbar resource and the
// version block. Each parser checks its data and gives nothing (with the reason in *error) for data that
// is truncated or inconsistent.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/WinTypes.h"

namespace platform {

// Accelerator flags (the fVirt byte of an entry).
inline constexpr BYTE FVIRTKEY = 0x01;
inline constexpr BYTE FNOINVERT = 0x02;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;
inline constexpr WORD kAccelLastEntry = 0x0080;

struct Accelerator {
  BYTE fVirt = 0;  // FVIRTKEY | FCONTROL ... without the last-entry mark
  WORD key = 0;    // a virtual key with FVIRTKEY, else a character
  WORD cmd = 0;
  friend bool operator==(const Accelerator&, const Accelerator&) = default;
};

// Entries of 8 bytes (flags, key, command, padding) up to the one marked as the last.
std::optional<std::vector<Accelerator>> ParseAcceleratorTable(std::span<const BYTE> data,
                                                              std::string* error = nullptr);

// The framework's toolbar resource: version 1, image width and height, button count, then the ids in
// button order (0 marks a separator).
struct ToolBarResource {
  WORD version = 0;
  WORD width = 0;
  WORD height = 0;
  std::vector<WORD> ids;
};
std::optional<ToolBarResource> ParseToolBarResource(std::span<const BYTE> data, std::string* error = nullptr);

// VS_VERSIONINFO: the fixed part and the string and translation values.
struct VersionInfo {
  static constexpr DWORD kSignature = 0xFEEF04BD;
  std::array<WORD, 4> fileVersion{};     // 1.2.0.1 -> {1, 2, 0, 1}
  std::array<WORD, 4> productVersion{};
  DWORD fileFlagsMask = 0;
  DWORD fileFlags = 0;
  DWORD fileOS = 0;
  DWORD fileType = 0;
  DWORD fileSubtype = 0;

  struct StringTable {
    std::u16string key;  // language and code page in hex, "041103a4"
    std::vector<std::pair<std::u16string, std::u16string>> values;
  };
  std::vector<StringTable> stringTables;
  std::vector<std::pair<WORD, WORD>> translations;  // (language, code page)

  // The value of a string in the first string table, or of the table with that key.
  std::optional<std::u16string> String(std::u16string_view name, std::u16string_view table = {}) const;
};
std::optional<VersionInfo> ParseVersionInfo(std::span<const BYTE> data, std::string* error = nullptr);

// "1.2.0.1" from the four parts.
std::string VersionText(const std::array<WORD, 4>& parts);

}  // namespace platform
