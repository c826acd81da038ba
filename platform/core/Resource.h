// Resources found by type and id in a resource module: the program's compiled resource file (the standard
// 32-bit .res layout) embedded in the executable.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// A resource type or name: an ordinal or a string ("CEUX", "HI_RES_AWARE").
class ResId {
 public:
  constexpr ResId(WORD ordinal) : m_ordinal(ordinal) {}  // NOLINT: ids are written as numbers
  constexpr ResId(int ordinal) : m_ordinal(static_cast<WORD>(ordinal)) {}  // NOLINT
  ResId(const char16_t* name) : m_ordinal(0), m_name(name) {}  // NOLINT
  bool IsOrdinal() const { return m_name.empty(); }
  WORD Ordinal() const { return m_ordinal; }
  const std::u16string& Name() const { return m_name; }
  bool operator==(const ResId& other) const;  // names compare case-insensitively (ASCII), as the platform does

 private:
  WORD m_ordinal;
  std::u16string m_name;
};

inline constexpr WORD RT_CURSOR = 1;
inline constexpr WORD RT_BITMAP = 2;
inline constexpr WORD RT_ICON = 3;
inline constexpr WORD RT_MENU = 4;
inline constexpr WORD RT_DIALOG = 5;
inline constexpr WORD RT_STRING = 6;
inline constexpr WORD RT_ACCELERATOR = 9;
inline constexpr WORD RT_RCDATA = 10;
inline constexpr WORD RT_GROUP_ICON = 14;
inline constexpr WORD RT_VERSION = 16;
inline constexpr WORD RT_TOOLBAR = 241;

class CResourceModule {
 public:
  // Parses a .res image; the bytes must outlive the module. Throws std::runtime_error on a malformed image.
  explicit CResourceModule(std::span<const BYTE> resImage);

  // The data of the resource, or nothing. The first language found wins.
  std::optional<std::span<const BYTE>> Find(const ResId& type, const ResId& name) const;
  // A string of the string table (blocks of 16); FALSE when absent or empty.
  BOOL LoadString(UINT id, CString& text) const;

  struct Entry {
    ResId type;
    ResId name;
    WORD language;
    std::span<const BYTE> data;
  };
  const std::vector<Entry>& Entries() const { return m_entries; }

 private:
  std::vector<Entry> m_entries;
};

using HINSTANCE = const CResourceModule*;

// The module through which the framework loads templates, menus, strings and images. Set once at start-up
// by the program (the resource library registers its embedded image).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

// Shorthands on AfxGetResourceHandle(); an absent module finds nothing.
std::optional<std::span<const BYTE>> AfxFindResource(const ResId& type, const ResId& name);
CString AfxLoadString(UINT id);  // empty when absent
