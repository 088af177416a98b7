#include "platform/host_paths.h"

#include <gtest/gtest.h>

#include "support/test_env.h"

using namespace platform;
using testenv::ReadText;
using testenv::WriteText;

TEST(HostPaths, SeparatorsOnPosix) {
  EXPECT_TRUE(IsSeparator('/'));
  EXPECT_TRUE(IsSeparator('\\'));
  EXPECT_FALSE(IsSeparator(':'));
  EXPECT_EQ(LastSeparator("a/b\\c"), 3u);
  EXPECT_EQ(LastSeparator("a\\b/c"), 3u);
  EXPECT_EQ(LastSeparator("abc"), std::string::npos);
}

TEST(HostPaths, ResolvesCapturedPathsWithoutRegardToCase) {
  testenv::TempDir dir;
  WriteText(dir / "Capture/ProgramFilesFolder/App/App.dll", "x");

  // Backslashes become '/', and each component is matched without regard to case.
  EXPECT_EQ(ResolveHostPath(dir.path() + "\\capture\\PROGRAMFILESFOLDER\\app\\app.DLL"),
            dir / "Capture/ProgramFilesFolder/App/App.dll");
  EXPECT_TRUE(FileExists(dir.path() + "\\CAPTURE\\programfilesfolder\\App\\app.dll"));
  EXPECT_TRUE(DirectoryExists(dir / "capture/programfilesfolder"));
  EXPECT_FALSE(DirectoryExists(dir / "capture/programfilesfolder/app/app.dll"));
  // A missing part and what follows it stay as given; the existing parents are resolved.
  EXPECT_EQ(ResolveHostPath(dir / "capture/New Folder/Sub"), dir / "Capture/New Folder/Sub");
  // Exact names win over case-insensitive matches.
  WriteText(dir / "capture/other.txt", "y");
  EXPECT_EQ(ResolveHostPath(dir / "capture/other.txt"), dir / "capture/other.txt");
  // A file created after a folder was listed is found too.
  WriteText(dir / "Capture/Late.txt", "z");
  EXPECT_EQ(ResolveHostPath(dir / "CAPTURE/late.TXT"), dir / "Capture/Late.txt");
  EXPECT_EQ(ResolveHostPath(""), "");
}

TEST(HostPaths, FullPathsAndTheCurrentDirectory) {
  testenv::TempDir dir;
  const std::string before = CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectory(dir.path()));
  const std::string here = CurrentDirectory();
  EXPECT_EQ(FullPath("a\\b\\..\\c.inc"), here + "/a/c.inc");
  EXPECT_EQ(FullPath("./x//y/"), here + "/x/y/");
  EXPECT_EQ(FullPath("/a/../../b"), "/b");
  EXPECT_FALSE(SetCurrentDirectory(dir / "missing"));
  ASSERT_TRUE(SetCurrentDirectory(before));

  EXPECT_FALSE(ProgramPath().empty());
  EXPECT_TRUE(FileExists(ProgramPath()));
  EXPECT_EQ(ProgramFolder() + "/" + ProgramPath().substr(LastSeparator(ProgramPath()) + 1), ProgramPath());
}

TEST(HostPaths, FilesAreReplacedAtomicallyAndCopied) {
  testenv::TempDir dir;
  const std::string path = dir / "sub/deeper/file.txt";
  ASSERT_TRUE(CreateDirectories(dir / "sub/deeper"));
  EXPECT_TRUE(CreateDirectories(dir / "sub/deeper"));
  ASSERT_TRUE(WriteFileAtomically(path, "one"));
  ASSERT_TRUE(WriteFileAtomically(path, "two"));
  std::string contents;
  ASSERT_TRUE(ReadFile(path, &contents));
  EXPECT_EQ(contents, "two");
  EXPECT_FALSE(ReadFile(dir / "missing", &contents));
  EXPECT_FALSE(ReadFile(dir / "sub", &contents));
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "sub/deeper"),
                          std::filesystem::directory_iterator()),
            1);

  const std::string big(300000, 'b');
  WriteText(dir / "big.bin", big);
  ASSERT_TRUE(CopyFile(dir / "BIG.bin", dir / "copy.bin"));
  EXPECT_EQ(ReadText(dir / "copy.bin"), big);
  EXPECT_FALSE(CopyFile(dir / "missing", dir / "copy.bin"));
  EXPECT_EQ(ReadText(dir / "copy.bin"), big);

  ASSERT_TRUE(RenameFile(dir / "copy.bin", dir / "moved.bin"));
  EXPECT_FALSE(testenv::Exists(dir / "copy.bin"));
  ASSERT_TRUE(RemoveFile(dir / "MOVED.BIN"));
  EXPECT_FALSE(testenv::Exists(dir / "moved.bin"));
  EXPECT_FALSE(RemoveFile(dir / "moved.bin"));
  EXPECT_FALSE(WriteFileAtomically(dir / "no/folder/x", "x"));

  // Replacing through a symbolic link keeps the link.
  WriteText(dir / "real.txt", "old");
  std::filesystem::create_symlink(dir / "real.txt", dir / "link.txt");
  ASSERT_TRUE(WriteFileAtomically(dir / "link.txt", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(ReadText(dir / "real.txt"), "new");
}
