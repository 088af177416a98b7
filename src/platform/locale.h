// Locale information.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The English name of the language of a Windows language identifier (1033 gives "English",
// 1031 "German"); empty when the identifier is unknown.
std::string LanguageName(uint16_t languageId);

}  // namespace platform
