// Whether the build holds what a test needs: the engine libraries beside the program, and the
// program itself. Until they are built, the tests that need them are skipped with the reason.
#pragma once

#include <filesystem>
#include <string>

namespace test_support {

inline bool EngineIsBuilt() {
  return std::filesystem::exists(std::string(FERNCLIP_BUILD_DIR) + "/QvEntity.DLL");
}
inline bool ProgramIsBuilt() {
  return std::filesystem::exists(std::string(FERNCLIP_BUILD_DIR) + "/fernclip");
}

}  // namespace test_support

#define SKIP_UNLESS_ENGINE_IS_BUILT() \
  if (!::test_support::EngineIsBuilt()) GTEST_SKIP() << "the project engine is not built yet"
#define SKIP_UNLESS_PROGRAM_IS_BUILT()                                                  \
  if (!::test_support::EngineIsBuilt() || !::test_support::ProgramIsBuilt()) \
  GTEST_SKIP() << "fernclip and the project engine are not built yet"
