// Folders of an uncompressed source image from the Directory table.
#include <gtest/gtest.h>

#include "source_image.h"

namespace {

TEST(SourceImage, FollowsTheDirectoryTreeWithLongOrShortSourceNames) {
  const std::vector<builder::DirectoryEntry> dirs = {
      {"INSTALLDIR", "Vendor", "MYAPP~1|My Application"},
      {"TARGETDIR", "", "SourceDir"},
      {"ProgramFilesFolder", "TARGETDIR", "PFiles"},
      {"Vendor", "ProgramFilesFolder", "VENDOR~1|Vendor Inc:VSRC|Vendor Source"},
      {"Same", "INSTALLDIR", "."},
      {"Bin", "Same", "bin"},
  };
  auto folders = builder::SourceImageFolders(dirs, /*shortNames=*/false);
  EXPECT_EQ(folders["TARGETDIR"], "");
  EXPECT_EQ(folders["ProgramFilesFolder"], "PFiles/");
  EXPECT_EQ(folders["Vendor"], "PFiles/Vendor Source/");  // the source part wins
  EXPECT_EQ(folders["INSTALLDIR"], "PFiles/Vendor Source/My Application/");
  EXPECT_EQ(folders["Same"], "PFiles/Vendor Source/My Application/");  // "." stays in the parent
  EXPECT_EQ(folders["Bin"], "PFiles/Vendor Source/My Application/bin/");

  folders = builder::SourceImageFolders(dirs, /*shortNames=*/true);
  EXPECT_EQ(folders["INSTALLDIR"], "PFiles/VSRC/MYAPP~1/");
  EXPECT_EQ(builder::FileNameOf("APP~1.EXE|Application.exe", true), "APP~1.EXE");
  EXPECT_EQ(builder::FileNameOf("APP~1.EXE|Application.exe", false), "Application.exe");
  EXPECT_EQ(builder::FileNameOf("readme.txt", false), "readme.txt");
}

TEST(SourceImage, CyclesAndMissingParentsEndAtTheRootInsteadOfLooping) {
  const std::vector<builder::DirectoryEntry> dirs = {
      {"A", "B", "a"}, {"B", "A", "b"}, {"Orphan", "Nowhere", "orphan"}, {"Self", "Self", "SourceDir"},
  };
  auto folders = builder::SourceImageFolders(dirs, false);
  EXPECT_EQ(folders.size(), 4u);
  EXPECT_EQ(folders["Orphan"], "orphan/");
  EXPECT_EQ(folders["Self"], "");
  EXPECT_TRUE(folders["A"] == "b/a/" || folders["A"] == "a/") << folders["A"];
}

TEST(SourceImage, FoldersRightBelowTheRootWithoutASourceNameGetOneOfTheirOwn) {
  const std::vector<builder::DirectoryEntry> dirs = {
      {"TARGETDIR", "", "SourceDir"},
      {"ProgramFilesFolder", "TARGETDIR", "."},
      {"AppDataFolder", "TARGETDIR", "."},
      {"CommonAppDataFolder", "TARGETDIR", "."},  // the same six letters as AppDataFolder's short name
      {"QvTEMP", "TARGETDIR", "."},
      {"Fonts", "TARGETDIR", "fonts:."},          // a target of its own, no source of its own
      {"PFiles", "TARGETDIR", "PFILES|Program Files"},
      {"Same", "ProgramFilesFolder", "."},        // below another folder: stays in it
      {"Acme", "AppDataFolder", "Acme"},
  };
  const auto changed = builder::OwnRootSourceFolders(dirs);
  const std::map<std::string, std::string> expected = {
      {"ProgramFilesFolder", ".:PROGRA~1|ProgramFilesFolder"},
      {"AppDataFolder", ".:APPDAT~1|AppDataFolder"},
      {"CommonAppDataFolder", ".:COMMON~1|CommonAppDataFolder"},
      {"QvTEMP", ".:QvTEMP"},
      {"Fonts", "fonts:Fonts"},
  };
  EXPECT_EQ(changed, expected);

  // Nothing changes twice. (That equal names below two standard folders are then two files of
  // the image is checked on a build, in build_package_test.)
  std::vector<builder::DirectoryEntry> compiled = dirs;
  for (auto& d : compiled)
    if (changed.count(d.key)) d.defaultDir = changed.at(d.key);
  EXPECT_TRUE(builder::OwnRootSourceFolders(compiled).empty());
}

}  // namespace
