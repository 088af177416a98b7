#include "platform/version.h"

namespace platform {

std::string ProgramVersion() { return FERNCLIP_VERSION; }

}  // namespace platform
