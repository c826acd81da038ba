// libFuzzer target for what tvq sync reads from a server: any bytes as a multistatus answer, as an error body and
// as an item's iCalendar text. An item that yields a task must patch and read back to the same task.
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
  const std::optional<std::string> patched =
      tvqcli::PatchItem(text, *item->task, 3, tvqcli::ItemCompletion::keep);
  if (!patched) std::abort();  // it has a VTODO: it was just read
  const std::optional<tvqcli::ItemTask> again = tvqcli::ReadItemTask(*patched);
  if (!again || tvqcli::DifferentFields(*again->task, *item->task) != 0 || again->completed != item->completed) {
    std::abort();
  }
  return 0;
}
