#include "platform/registry.h"

#include <gtest/gtest.h>

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
  testenv::ScopedEnv home("HOME", dir.path());
  EXPECT_EQ(RegistryFilePath(), dir / ".config/fernclip/registry.reg");
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

TEST(Registry, KeepsWhatItDoesNotUnderstand) {
  testenv::RegistrySandbox sandbox;
  WriteText(sandbox.file(),
            "REGEDIT4\n\n; a comment\n[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n"
            "\"Bin\"=hex:01,02,\\\n  03\n\"Num\"=dword:00000010\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\n\"DebugRepackager\"=\"4\"\n");
  EXPECT_EQ(ReadRegistryString(kLM, "Software\\Quillmark", "DebugRepackager"), "4");
  ASSERT_TRUE(WriteRegistryString(kLM, "Software\\Quillmark", "DebugFile", "x.log"));
  EXPECT_EQ(ReadText(sandbox.file()),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n@=\"default\"\r\n"
            "\"Bin\"=hex:01,02,\\\r\n  03\r\n\"Num\"=dword:00000010\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\r\n\"DebugRepackager\"=\"4\"\r\n"
            "\"DebugFile\"=\"x.log\"\r\n\r\n");
}

TEST(Registry, BrokenFilesReadAsEmptyAndAreNeverOverwritten) {
  testenv::RegistrySandbox sandbox;
  const std::string cases[] = {
      std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\n\"FakeGuids\"=\"1"),
      std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale"),
      std::string("\x7f" "ELF\0\0\x01", 7),
      std::string("[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\n\"FakeGuids\"=\"1\"\n"),
      std::string("REGEDIT4\n\"FakeGuids\"=\"1\"\n"),
  };
  for (const std::string& contents : cases) {
    WriteText(sandbox.file(), contents);
    EXPECT_FALSE(ReadRegistryString(kLM, kKey, "FakeGuids")) << contents;
    EXPECT_FALSE(RegistryKeyExists(kLM, kKey)) << contents;
    EXPECT_FALSE(WriteRegistryString(kLM, kKey, "FakeGuids", "1")) << contents;
    EXPECT_EQ(ReadText(sandbox.file()), contents);
  }
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
