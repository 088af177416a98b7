#include "platform/clock.h"

#include <locale.h>

namespace platform {

std::string FormatLocalTime(const char* format, std::time_t when) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  std::tm local{};
  if (!localtime_r(&when, &local)) return std::string();
  char buffer[256];
  const size_t length = strftime_l(buffer, sizeof buffer, format, &local, cLocale);
  return std::string(buffer, length);
}

std::string FormatLocalTimeNow(const char* format) { return FormatLocalTime(format, std::time(nullptr)); }

}  // namespace platform
