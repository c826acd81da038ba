// Parsers of accelerator tables, toolbar resources and version blocks.
#include "platform/core/ResourceFormats.h"

#include <algorithm>

#include "platform/core/ResourceBytes.h"

namespace platform {

namespace {

template <typename T>
std::optional<T> Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return std::nullopt;
}

// One node of a version block: length, value length, type (0 binary, 1 text), key, padding, value,
// padding, children; all nodes start on a DWORD boundary.
struct VersionNode {
  std::u16string key;
  WORD type = 0;
  std::span<const BYTE> value;
  std::vector<VersionNode> children;
};

constexpr int kMaxVersionDepth = 4;  // root, StringFileInfo, table, string

bool ReadVersionNode(std::span<const BYTE> data, std::size_t start, std::size_t limit, int depth, VersionNode& node,
                     std::size_t& end, std::string& problem) {
  const std::string at = " at byte " + std::to_string(start);
  if (depth > kMaxVersionDepth) {
    problem = "version blocks nested too deeply" + at;
    return false;
  }
  ResourceReader reader(data.first(limit), start);
  const auto length = reader.Word();
  const auto valueLength = reader.Word();
  const auto type = reader.Word();
  if (!type || *length < 6 || *length > limit - start) {
    problem = "bad block length" + at;
    return false;
  }
  end = start + *length;
  ResourceReader block(data.first(end), reader.Position());
  const auto key = block.String();
  if (!key) {
    problem = "block key runs past the block" + at;
    return false;
  }
  node.key = *key;
  node.type = *type;
  if (block.Position() == end) return true;  // a block that ends right after its key
  if (!block.AlignDword()) {
    problem = "padding after the key runs past the block" + at;
    return false;
  }
  // Text values count UTF-16 units, binary ones bytes; a text value never runs past its block.
  const std::size_t valueBytes =
      *type == 1 ? std::min<std::size_t>(std::size_t{*valueLength} * 2, block.Remaining()) : *valueLength;
  const auto value = block.Bytes(valueBytes);
  if (!value) {
    problem = "value runs past the block" + at;
    return false;
  }
  node.value = *value;
  std::size_t position = block.Position();
  position += (4 - position % 4) % 4;
  while (position < end) {
    std::size_t childEnd = 0;
    if (!ReadVersionNode(data, position, end, depth + 1, node.children.emplace_back(), childEnd, problem)) {
      return false;
    }
    position = childEnd + (4 - childEnd % 4) % 4;
  }
  return true;
}

std::u16string TextValue(std::span<const BYTE> value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
    const auto unit = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

bool ReadFixedInfo(std::span<const BYTE> value, VersionInfo& info) {
  ResourceReader reader(value);
  const auto signature = reader.Dword();
  reader.Dword();  // structure version
  const auto fileMS = reader.Dword();
  const auto fileLS = reader.Dword();
  const auto productMS = reader.Dword();
  const auto productLS = reader.Dword();
  const auto flagsMask = reader.Dword();
  const auto flags = reader.Dword();
  const auto os = reader.Dword();
  const auto fileType = reader.Dword();
  const auto subtype = reader.Dword();
  if (!reader.Skip(8) || *signature != VersionInfo::kSignature) return false;
  info.fileVersion = {static_cast<WORD>(*fileMS >> 16), static_cast<WORD>(*fileMS), static_cast<WORD>(*fileLS >> 16),
                      static_cast<WORD>(*fileLS)};
  info.productVersion = {static_cast<WORD>(*productMS >> 16), static_cast<WORD>(*productMS),
                         static_cast<WORD>(*productLS >> 16), static_cast<WORD>(*productLS)};
  info.fileFlagsMask = *flagsMask;
  info.fileFlags = *flags;
  info.fileOS = *os;
  info.fileType = *fileType;
  info.fileSubtype = *subtype;
  return true;
}

void ReadStringFileInfo(const VersionNode& node, VersionInfo& info) {
  for (const VersionNode& table : node.children) {
    VersionInfo::StringTable& strings = info.stringTables.emplace_back();
    strings.key = table.key;
    for (const VersionNode& value : table.children) strings.values.emplace_back(value.key, TextValue(value.value));
  }
}

void ReadVarFileInfo(const VersionNode& node, VersionInfo& info) {
  for (const VersionNode& var : node.children) {
    if (var.key != u"Translation") continue;
    ResourceReader reader(var.value);
    while (reader.Remaining() >= 4) {
      const WORD language = *reader.Word();
      const WORD codePage = *reader.Word();
      info.translations.emplace_back(language, codePage);
    }
  }
}

}  // namespace

std::optional<std::vector<Accelerator>> ParseAcceleratorTable(std::span<const BYTE> data, std::string* error) {
  ResourceReader reader(data);
  std::vector<Accelerator> table;
  for (;;) {
    const auto flags = reader.Word();
    const auto key = reader.Word();
    const auto cmd = reader.Word();
    const auto padding = reader.Word();
    if (!padding) {
      return Fail<std::vector<Accelerator>>(error, "accelerator table: entry " + std::to_string(table.size()) +
                                                       " truncated (no entry marked as the last?)");
    }
    table.push_back(Accelerator{static_cast<BYTE>(*flags & 0x7F), *key, *cmd});
    if (*flags & kAccelLastEntry) return table;
  }
}

std::optional<ToolBarResource> ParseToolBarResource(std::span<const BYTE> data, std::string* error) {
  ResourceReader reader(data);
  ToolBarResource toolbar;
  const auto version = reader.Word();
  const auto width = reader.Word();
  const auto height = reader.Word();
  const auto count = reader.Word();
  if (!count) return Fail<ToolBarResource>(error, "toolbar resource: header truncated");
  if (*version != 1) return Fail<ToolBarResource>(error, "toolbar resource: unsupported version " + std::to_string(*version));
  toolbar.version = *version;
  toolbar.width = *width;
  toolbar.height = *height;
  if (reader.Remaining() / 2 < *count) {
    return Fail<ToolBarResource>(error, "toolbar resource: " + std::to_string(*count) + " ids announced, " +
                                            std::to_string(reader.Remaining() / 2) + " present");
  }
  for (WORD index = 0; index < *count; ++index) toolbar.ids.push_back(*reader.Word());
  return toolbar;
}

std::optional<VersionInfo> ParseVersionInfo(std::span<const BYTE> data, std::string* error) {
  VersionNode root;
  std::size_t end = 0;
  std::string problem;
  if (!ReadVersionNode(data, 0, data.size(), 0, root, end, problem)) {
    return Fail<VersionInfo>(error, "version block: " + problem);
  }
  if (root.key != u"VS_VERSION_INFO") return Fail<VersionInfo>(error, "version block: root key is not VS_VERSION_INFO");
  VersionInfo info;
  if (!ReadFixedInfo(root.value, info)) return Fail<VersionInfo>(error, "version block: no valid fixed file info");
  for (const VersionNode& child : root.children) {
    if (child.key == u"StringFileInfo") ReadStringFileInfo(child, info);
    if (child.key == u"VarFileInfo") ReadVarFileInfo(child, info);
  }
  return info;
}

std::optional<std::u16string> VersionInfo::String(std::u16string_view name, std::u16string_view table) const {
  for (const StringTable& strings : stringTables) {
    if (!table.empty() && strings.key != table) continue;
    for (const auto& [key, value] : strings.values) {
      if (key == name) return value;
    }
    if (table.empty()) break;
  }
  return std::nullopt;
}

std::string VersionText(const std::array<WORD, 4>& parts) {
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

}  // namespace platform
