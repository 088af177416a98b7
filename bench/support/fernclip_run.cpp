#include "support/fernclip_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace bench {

std::string Quote(const std::string& text) { return "'" + text + "'"; }

size_t Argument(int argc, char** argv, int index, size_t fallback) {
  return argc > index ? static_cast<size_t>(std::strtoull(argv[index], nullptr, 10)) : fallback;
}

double TimeFernclip(const std::string& workFolder, const std::string& script, const std::string& arguments,
                    const std::string& environment) {
  const std::string output = workFolder + "/output.txt";
  const std::string command = environment + "FERNCLIP_REGISTRY=" + Quote(workFolder + "/registry.reg") + " " +
                              Quote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip") + " " + Quote(script) +
                              arguments + " > " + Quote(output) + " 2>&1";
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status != 0) {
    std::fprintf(stderr, "fernclip failed (status %d); see %s\n", status, output.c_str());
    std::exit(1);
  }
  return seconds;
}

}  // namespace bench
