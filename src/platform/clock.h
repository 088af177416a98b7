// Local time as text, with the C locale's weekday and month names whatever the user's locale.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// strftime-style formatting of a moment in local time.
std::string FormatLocalTime(const char* format, std::time_t when);
// The same for the current moment.
std::string FormatLocalTimeNow(const char* format);

}  // namespace platform
