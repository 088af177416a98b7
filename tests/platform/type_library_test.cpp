// The type library reader on real libraries: a standalone library that Wine's IDL compiler
// wrote, and the TYPELIB resources of Wine's builtin DLLs (one library, and several by number);
// truncated and damaged libraries are not loadable.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/type_library.h"

namespace {

const std::string kSample = std::string(FERNCLIP_TEST_DATA_DIR) + "/typelib/sample.tlb";
const std::string kWineLibraries = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string Describe(const platform::TypeLibraryAttributes& library) {
  return library.guid + " " + std::to_string(library.majorVersion) + "." + std::to_string(library.minorVersion) +
         " " + std::to_string(library.locale);
}

TEST(TypeLibrary, AStandaloneLibraryGivesItsIdentityAndHasNoNumberedResources) {
  const std::string bytes = ReadBytes(kSample);
  ASSERT_FALSE(bytes.empty());
  const auto library = platform::ReadTypeLibrary(bytes, 0);
  ASSERT_TRUE(library);
  EXPECT_EQ(Describe(*library), "{6C3F0A52-1D2B-4E7A-9B11-3F5E2C8D4A10} 2.1 1033");
  EXPECT_FALSE(platform::ReadTypeLibrary(bytes, 1));
  ASSERT_EQ(platform::LoadTypeLibraries(kSample).size(), 1u);

  // Cut short anywhere before the end of its GUID, or with the GUID's position out of its
  // segment, the library does not load.
  for (size_t length = 0; length < 0x294 + 16; ++length)
    EXPECT_FALSE(platform::ReadTypeLibrary(bytes.substr(0, length), 0)) << length;
  std::string damaged = bytes;
  damaged[0x08] = '\xC0';  // GUID position 0xC0: past the 0xC0 bytes of the GUID segment
  EXPECT_FALSE(platform::ReadTypeLibrary(damaged, 0));
  damaged = bytes;
  damaged[0x23] = '\x7F';  // a type info count larger than the file
  EXPECT_FALSE(platform::ReadTypeLibrary(damaged, 0));
}

TEST(TypeLibrary, LibrariesInResourcesOfPeFilesAreFoundByNumber) {
  const auto scripting = platform::LoadTypeLibraries(kWineLibraries + "scrrun.dll");
  ASSERT_EQ(scripting.size(), 2u);  // the file itself (its library 1), then library 1
  EXPECT_EQ(Describe(scripting[0]), "{420B2830-E718-11CF-893D-00A0C9054228} 1.0 0");

  // vbscript.dll holds three: its own and the regular expression library in two versions.
  const auto vbscript = platform::LoadTypeLibraries(kWineLibraries + "vbscript.dll");
  ASSERT_EQ(vbscript.size(), 4u);
  EXPECT_EQ(Describe(vbscript[2]), "{3F4DACA7-160D-11D2-A8E9-00104B365C9F} 1.0 0");
  EXPECT_EQ(Describe(vbscript[3]), "{3F4DACA7-160D-11D2-A8E9-00104B365C9F} 5.5 0");

  EXPECT_TRUE(platform::LoadTypeLibraries(kWineLibraries + "notepad.exe").empty());
  EXPECT_TRUE(platform::LoadTypeLibraries(kWineLibraries + "no-such-file.dll").empty());
}

}  // namespace
