// The system clipboard as the program uses it: one content put there in several forms at once (one per MIME
// type, so that other programs take the form they understand), and one form read back by its type.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ClipboardForm {
  std::string mimeType;
  std::string bytes;
};

// Replaces the clipboard's content by these forms.
void SetClipboardForms(const std::vector<ClipboardForm>& forms);
// The bytes of one form, when the clipboard offers it. "text/plain" is any plain text the clipboard holds,
// whatever its character set, as UTF-8.
std::optional<std::string> ReadClipboardForm(std::string_view mimeType);

}  // namespace platform
