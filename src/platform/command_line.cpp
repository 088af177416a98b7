#include "platform/command_line.h"

namespace platform {

bool IsSwitchArgument(const std::string& argument) {
  if (argument.empty()) return false;
  if (argument[0] == '-') return true;
  return argument[0] == '/' && argument.find('/', 1) == std::string::npos;
}

}  // namespace platform
