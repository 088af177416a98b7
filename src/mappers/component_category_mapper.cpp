#include "mappers/component_category_mapper.h"

#include "capture/formatted_text.h"
#include "core/cancellation.h"
#include "core/messages.h"

namespace mappers {

KeyPosition ComponentCategoryMapper::MapRegistry(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\Component Categories\\\\");
  pattern.ForEach(Keys(), start, [&](capture::RegKey&, const Captures& captures) {
    core::TestCancel();
    // Category ids are written with or without braces.
    const std::string& id = captures[0];
    const std::string braced = !id.empty() && id.front() == '{' ? id : "{" + id + "}";
    if (!capture::IsBracedGuid(braced))
      core::LogTrace(core::kTraceGeneral, "Component category '%s' is not a GUID", id.c_str());
  });
  return start;
}

}  // namespace mappers
