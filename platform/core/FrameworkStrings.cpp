// A fixed table of the few texts, looked up by id; an unknown id gives an empty string.
#include "platform/core/FrameworkStrings.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<UINT, const char16_t*>, 10> kStrings{{
    {AFX_IDP_FAILED_TO_OPEN_DOC, u"Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, u"Failed to save document."},
    {AFX_IDP_ASK_TO_SAVE, u"Save changes to %1?"},
    {AFX_IDP_FAILED_TO_CREATE_DOC, u"Failed to create empty document."},
    {AFX_IDP_FAILED_INVALID_FORMAT, u"Unexpected file format."},
    {AFX_IDP_FAILED_MEMORY_ALLOC, u"Out of memory."},
    {AFX_IDS_OPENFILE, u"Open"},
    {AFX_IDS_ALLFILTER, u"All Files (*.*)"},
    {AFX_IDS_UNTITLED_TEXT, u"Untitled"},
    {AFX_IDS_INVALID_DATETIME, u"Invalid DateTime"},
}};

}  // namespace

CString AfxFrameworkString(UINT id) {
  for (const auto& [stringId, text] : kStrings) {
    if (stringId == id) return CString(text);
  }
  return {};
}
