// libFuzzer target for what tvq sync reads from a server: any bytes as a multistatus answer, as an error body and
// as an item's iCalendar text. An item that yields a task must patch keeping its completion, and patching what
// was read back must change nothing.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/DavXml.h"
#include "cli/SyncItem.h"
#include "cli/SyncPlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const davxml::Multistatus multistatus = davxml::ParseMultistatus(text);
    for (const davxml::DavResponse& response : multistatus.responses) {
      if (response.href.empty()) std::abort();  // a response without an href is never reported
    }
  } catch (const davxml::DavXmlError&) {
  }
  (void)davxml::IsSyncTokenError(text);

  const std::optional<tvqcli::ItemTask> item = tvqcli::ReadItemTask(text);
  if (!item) return 0;
  const std::optional<std::string> patched = tvqcli::PatchItem(text, *item->task, 3, tvqcli::ItemCompletion::keep);
  if (!patched) std::abort();  // it has a VTODO: it was just read
  const std::optional<tvqcli::ItemTask> again = tvqcli::ReadItemTask(*patched);
  if (!again || again->completed != item->completed) std::abort();
  // What is not valid iCalendar (an offset beyond 24 hours, a bare CR, bytes that are not UTF-8) may come back
  // normalised once; exact round trips of valid items are the iCalendar fuzzer's to check. A second patch must
  // change nothing, so that two syncs never keep trading a task back and forth.
  const std::optional<std::string> twice = tvqcli::PatchItem(*patched, *again->task, 3, tvqcli::ItemCompletion::keep);
  const std::optional<tvqcli::ItemTask> third = twice ? tvqcli::ReadItemTask(*twice) : std::nullopt;
  if (!third || tvqcli::DifferentFields(*third->task, *again->task) != 0) std::abort();
  return 0;
}
