#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/test_env.h"

using namespace platform;
using testenv::ReadText;
using testenv::WriteText;

namespace {
constexpr RegistryRoot kLM = RegistryRoot::LocalMachine;
constexpr const char* kKey = "Software\\Quillmark\\Brightvale";
}  // namespace

TEST(Registry, FileLocationFollowsTheEnvironment) {
  testenv::TempDir dir;
  {
    testenv::ScopedEnv registry("FERNCLIP_REGISTRY", dir / "mine.reg");
    EXPECT_EQ(RegistryFilePath(), dir / "mine.reg");
  }
  testenv::ScopedEnv registry("FERNCLIP_REGISTRY", std::nullopt);
  {
    testenv::ScopedEnv xdg("XDG_CONFIG_HOME", dir.path());
    EXPECT_EQ(RegistryFilePath(), dir / "fernclip/registry.reg");
  }
  testenv::ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
  {
    testenv::ScopedEnv home("HOME", dir.path());
    EXPECT_EQ(RegistryFilePath(), dir / ".config/fernclip/registry.reg");
  }
  // A relative path names the file in the folder where it was first asked for, also after the
  // program moved into another folder.
  const std::string started = std::filesystem::current_path();
  testenv::ScopedEnv relative("FERNCLIP_REGISTRY", "settings/registry.reg");
  EXPECT_EQ(RegistryFilePath(), started + "/settings/registry.reg");
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(RegistryFilePath(), started + "/settings/registry.reg");
  std::filesystem::current_path(started);
}

TEST(Registry, WritesReadsAndDeletesStringValues) {
  testenv::RegistrySandbox sandbox;
  EXPECT_FALSE(RegistryKeyExists(kLM, kKey));
  EXPECT_FALSE(ReadRegistryString(kLM, kKey, "FakeGuids"));

  ASSERT_TRUE(WriteRegistryString(kLM, kKey, "FakeGuids", "1"));
  EXPECT_EQ(ReadText(sandbox.file()),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\r\n"
            "\"FakeGuids\"=\"1\"\r\n\r\n");
  // Keys and names without regard to case; parent keys exist implicitly.
  EXPECT_EQ(ReadRegistryString(kLM, "software\\QUILLMARK\\brightvale\\", "fakeguids"), "1");
  EXPECT_TRUE(RegistryKeyExists(kLM, "Software\\Quillmark"));
  EXPECT_FALSE(RegistryKeyExists(kLM, "Software\\Quill"));

  ASSERT_TRUE(WriteRegistryString(kLM, kKey, "FAKEGUIDS", "0"));
  EXPECT_EQ(ReadRegistryString(kLM, kKey, "FakeGuids"), "0");

  ASSERT_TRUE(DeleteRegistryValue(kLM, kKey, "fakeguids"));
  EXPECT_FALSE(ReadRegistryString(kLM, kKey, "FakeGuids"));
  EXPECT_TRUE(RegistryKeyExists(kLM, kKey));
  EXPECT_FALSE(DeleteRegistryValue(kLM, kKey, "FakeGuids"));
  EXPECT_FALSE(DeleteRegistryValue(kLM, "Software\\None", "FakeGuids"));
}

TEST(Registry, QuotesBackslashesAndHighBytesSurvive) {
  testenv::RegistrySandbox sandbox;
  const std::string value = "C:\\Logs\\\"quoted\"\\ caf\xE9 \xFF\\";
  ASSERT_TRUE(WriteRegistryString(kLM, "Software\\Quillmark", "DebugFile", value));
  EXPECT_NE(ReadText(sandbox.file()).find("\"DebugFile\"=\"C:\\\\Logs\\\\\\\"quoted\\\"\\\\ caf\xE9 \xFF\\\\\""),
            std::string::npos);
  EXPECT_EQ(ReadRegistryString(kLM, "Software\\Quillmark", "DebugFile"), value);
  // A later write of another value keeps this one intact.
  ASSERT_TRUE(WriteRegistryString(kLM, kKey, "FakeGuids", "1"));
  EXPECT_EQ(ReadRegistryString(kLM, "Software\\Quillmark", "DebugFile"), value);
}

TEST(Registry, WritingKeepsEveryOtherLineAsItWas) {
  testenv::RegistrySandbox sandbox;
  const std::string before =
      "REGEDIT4\n\n; a comment\n[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n"
      "\"Bin\"=hex:01,02,\\\n  03\n\"Num\"=dword:00000010\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\n\"DebugRepackager\"=\"4\"\n; the end";
  WriteText(sandbox.file(), before);
  EXPECT_EQ(ReadRegistryString(kLM, "Software\\Quillmark", "DebugRepackager"), "4");
  ASSERT_TRUE(WriteRegistryString(kLM, "Software\\Quillmark", "DebugFile", "x.log"));
  ASSERT_TRUE(WriteRegistryString(kLM, "SOFTWARE\\quillmark", "debugrepackager", "2"));
  EXPECT_EQ(ReadText(sandbox.file()),
            "REGEDIT4\n\n; a comment\n[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n"
            "\"Bin\"=hex:01,02,\\\n  03\n\"Num\"=dword:00000010\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\n\"DebugRepackager\"=\"2\"\n\"DebugFile\"=\"x.log\"\n; the end");
  // A new key goes at the end, in the file's line ends; removing a value removes its line.
  ASSERT_TRUE(WriteRegistryString(kLM, kKey, "FakeGuids", "1"));
  ASSERT_TRUE(DeleteRegistryValue(kLM, "Software\\Quillmark", "DebugFile"));
  ASSERT_TRUE(DeleteRegistryValue(kLM, "Software\\Quillmark", "DebugRepackager"));
  EXPECT_EQ(ReadText(sandbox.file()),
            "REGEDIT4\n\n; a comment\n[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n"
            "\"Bin\"=hex:01,02,\\\n  03\n\"Num\"=dword:00000010\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\n; the end\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\n\"FakeGuids\"=\"1\"\n\n");
}

TEST(Registry, EveryGoodLineIsReadAndAFileWithBadLinesIsNeverRewritten) {
  testenv::RegistrySandbox sandbox;
  const std::string contents =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\r\n"
      "\"DebugFile\" = \"/tmp/spaces.log\"\r\n"
      "\"DebugRepackager\"=\"4\"\r\n"
      "\"Unquoted\"=text\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale\r\n"
      "\"Lost\"=\"1\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\r\n"
      "\"FakeGuids\"=\"1\"\r\n";
  WriteText(sandbox.file(), contents);
  EXPECT_EQ(ReadRegistryString(kLM, "Software\\Quillmark", "DebugRepackager"), "4");
  EXPECT_EQ(ReadRegistryString(kLM, kKey, "FakeGuids"), "1");
  EXPECT_FALSE(ReadRegistryString(kLM, "Software\\Quillmark", "DebugFile"));
  std::vector<size_t> lines;
  for (const RegistryFileProblem& problem : RegistryFileProblems()) lines.push_back(problem.line);
  EXPECT_EQ(lines, (std::vector<size_t>{1, 4, 6, 7, 8}));
  EXPECT_EQ(RegistryFileProblems()[0].text, "Windows Registry Editor Version 5.00");
  EXPECT_FALSE(DeleteRegistryValue(kLM, kKey, "FakeGuids"));
  EXPECT_FALSE(WriteRegistryString(kLM, kKey, "Other", "1"));
  EXPECT_EQ(ReadText(sandbox.file()), contents);

  // A file that is no text at all reads as empty, with one problem for the whole file.
  const std::string binary("\x7f" "ELF\0\0\x01", 7);
  WriteText(sandbox.file(), binary);
  EXPECT_FALSE(RegistryKeyExists(kLM, kKey));
  ASSERT_EQ(RegistryFileProblems().size(), 1u);
  EXPECT_EQ(RegistryFileProblems()[0].line, 0u);
  EXPECT_FALSE(WriteRegistryString(kLM, kKey, "FakeGuids", "1"));
  EXPECT_EQ(ReadText(sandbox.file()), binary);
}

TEST(Registry, FailedWritesLeaveTheOldFile) {
  testenv::TempDir dir;
  // The temporary file beside a name of 250 characters gets too long a name, so the write fails
  // (also for root, who may write into read-only folders).
  const std::string file = dir / std::string(250, 'r');
  testenv::ScopedEnv registry("FERNCLIP_REGISTRY", file);
  const std::string before =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\r\n\"FakeGuids\"=\"0\"\r\n";
  WriteText(file, before);
  EXPECT_FALSE(WriteRegistryString(kLM, kKey, "FakeGuids", "1"));
  EXPECT_EQ(ReadText(file), before);
  EXPECT_EQ(ReadRegistryString(kLM, kKey, "FakeGuids"), "0");
  EXPECT_FALSE(WriteRegistryString(kLM, kKey, "Value", "line\nbreak"));

  // A plain file where the folder should be: the folder cannot be made.
  WriteText(dir / "blocker", "x");
  testenv::ScopedEnv blocked("FERNCLIP_REGISTRY", dir / "blocker/registry.reg");
  EXPECT_FALSE(WriteRegistryString(kLM, kKey, "FakeGuids", "1"));
  EXPECT_FALSE(ReadRegistryString(kLM, kKey, "FakeGuids"));
}
