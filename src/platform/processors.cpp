#include "processors.h"

#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

namespace platform {

unsigned UsableProcessorCount() {
#ifdef _WIN32
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
    unsigned count = 0;
    for (; process; process &= process - 1) ++count;
    return count;
  }
#else
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return unsigned(CPU_COUNT(&set));
#endif
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware ? hardware : 1;
}

}  // namespace platform
