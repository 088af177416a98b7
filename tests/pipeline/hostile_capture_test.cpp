// Captures that real setups and hostile hands produce, converted by the built fernclip: files
// outside the capture's folder, package names that are paths, damaged and unusual registry data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// count lines of a file list, each naming a file below folder (which need not exist).
std::string ManyFileLines(const std::string& folder, int count) {
  std::string lines = "InstallFileList('[ProgramFilesFolder]Many'|0|0)\r\n";
  for (int i = 0; i < count; ++i) lines += folder + "f" + std::to_string(i) + ".txt\r\n";
  return lines;
}

TEST(HostileCapture, FilesOutsideTheCaptureFolderAreRefusedAndNothingIsWritten) {
  testenv::TempDir top;
  const std::string cap = top / "cap";
  testenv::WriteText(top / "secret/key.txt", "secret");
  testenv::WriteText(top / "secret/leak.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Leak]\r\n\"v\"=\"1\"\r\n");
  testenv::WriteText(cap + "/ProgramFilesFolder/App/good.txt", "good");
  fs::create_symlink("../../../secret/key.txt", cap + "/ProgramFilesFolder/App/link.txt");
  fs::create_symlink("../secret/leak.reg", cap + "/app.reg");
  // A folder of the capture that is a link out of it: its files lie outside, though a good file
  // of a real folder came first.
  fs::create_symlink("../../secret", cap + "/ProgramFilesFolder/Linked");
  ASSERT_EQ(::mkfifo((cap + "/ProgramFilesFolder/App/pipe").c_str(), 0600), 0);
  testenv::WriteText(cap + "/options.ini", testenv::OptionsText({{"ProductName", "Hostile"}}));
  testenv::WriteText(cap + "/app.inc",
                     "ScriptVersion('4.0')\r\n"
                     "InstallFileList('[ProgramFilesFolder]App'|0|0)\r\n"
                     "ProgramFilesFolder\\App\\good.txt\r\n"
                     "%SCRIPTFOLDER%..\\secret\\key.txt\r\n"
                     "..\\..\\..\\etc\\group\r\n"
                     "/etc\\hostname\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\link.txt\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\pipe\r\n"
                     "EXE(/etc/shadow|Setup|x|InstallFinalize|0)\r\n"
                     "RegLoad('C:\\Capture\\app.reg')\r\n"
                     "InstallFileList('[ProgramFilesFolder]Linked'|0|0)\r\n"
                     "ProgramFilesFolder\\Linked\\key.txt\r\n" +
                     // Enough files for the check to share them among threads; their errors keep
                     // the script's order.
                     ManyFileLines("ProgramFilesFolder\\Many\\", 2400) +
                     "..\\..\\..\\etc\\passwd\r\n");
  const auto before = Entries(cap);

  FernclipRun run = RunFernclip({cap + "/app.inc"}, top / "registry.reg");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  size_t previousError = 0;
  const std::string outside = "lies outside the capture folder '" + cap + "/': only files of the capture are read.";
  for (const auto& [line, entry] : std::vector<std::pair<int, std::string>>{
           {4, "%SCRIPTFOLDER%..\\secret\\key.txt"},
           {5, "..\\..\\..\\etc\\group"},
           {6, "/etc\\hostname"},
           {7, "%SCRIPTFOLDER%ProgramFilesFolder\\App\\link.txt"},
           {9, "/etc/shadow"},
           {10, cap + "/app.reg"},
           {12, "ProgramFilesFolder\\Linked\\key.txt"},
           {2414, "..\\..\\..\\etc\\passwd"}}) {
    const std::string error = "Error: " + cap + "/app.inc(" + std::to_string(line) + "): '" + entry + "' " + outside;
    EXPECT_TRUE(run.HasLine(error)) << line << "\n" << run.out;
    // The installed files are named in the script's order, the program and registry file after them.
    if (line == 9 || line == 10) continue;
    const size_t at = run.out.find(error);
    EXPECT_TRUE(at == std::string::npos || at > previousError) << line;
    previousError = at;
  }
  EXPECT_TRUE(run.HasLine("Error: " + cap + "/app.inc(8): '%SCRIPTFOLDER%ProgramFilesFolder\\App\\pipe' is not a "
                          "regular file: only regular files are read."))
      << run.out;
  EXPECT_TRUE(run.HasLine("Error: The capture names 9 file(s) that cannot be read for it; no project was written."))
      << run.out;
  EXPECT_EQ(Entries(cap), before) << "no project, no package";
  EXPECT_EQ(Entries(top.path()), (std::vector<std::string>{"cap", "secret"}));

  // A registry file is looked for beside the script under its own name, whatever path the
  // capture gives it: "../secret/leak.reg" is leak.reg of the capture's folder, which it lacks.
  testenv::WriteText(cap + "/app.inc",
                     "ScriptVersion('4.0')\r\nRegLoad('C:\\Capture\\../secret/leak.reg')\r\n");
  run = RunFernclip({cap + "/app.inc", "/vpxonly"}, top / "registry.reg");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_TRUE(run.HasLine("Error: Can't open file '" + cap + "/leak.reg'")) << run.out;
  EXPECT_FALSE(testenv::Exists(cap + "/app.vpx"));
}

TEST(HostileCapture, PackageNamesArePlainFileNamesInTheOutputFolder) {
  testenv::TempDir top;
  const std::string cap = top / "cap";
  testenv::WriteText(cap + "/ProgramFilesFolder/App/good.txt", "good");
  testenv::WriteText(cap + "/app.inc",
                     "ScriptVersion('4.0')\r\nInstallFileList('[ProgramFilesFolder]App'|0|0)\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\good.txt\r\n");

  // An uncompressed image with setup.exe: the image folder, the package and setup.exe all stay
  // below the project's folder.
  testenv::WriteText(cap + "/options.ini", testenv::OptionsText({{"ProductName", "../escaped"},
                                                                 {"BuildCompressed", "N"},
                                                                 {"CreateSetupExe", "Y"}}));
  FernclipRun run = RunFernclip({cap + "/app.inc"}, top / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.HasLine("Package written: " + cap + "/___escaped/___escaped.msi")) << run.out;
  EXPECT_TRUE(testenv::Exists(cap + "/___escaped/setup.exe"));
  EXPECT_EQ(Entries(top.path()), (std::vector<std::string>{"cap"}));

  testenv::WriteText(cap + "/options.ini", testenv::OptionsText({{"ProductName", "a/b\\c:d*e"}}));
  run = RunFernclip({cap + "/app.inc"}, top / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.HasLine("Package written: " + cap + "/a_b_c_d_e.msi")) << run.out;
  EXPECT_FALSE(testenv::Exists(cap + "/a"));
  EXPECT_EQ(DumpProperties(cap + "/a_b_c_d_e.msi")["ProductName"], "a/b\\c:d*e") << "the product keeps its name";
}

TEST(HostileCapture, DamagedAndUnusualRegistryValues) {
  testenv::TempDir top;
  const std::string cap = top / "cap";
  testenv::WriteText(cap + "/options.ini", testenv::OptionsText({{"ProductName", "Values"}}));
  testenv::WriteText(cap + "/app.inc",
                     "ScriptVersion('4.0')\r\nRegLoad('C:\\Capture\\app.reg')\r\nRegDelete('C:\\Capture\\del.reg')\r\n");
  // An export of the later format saved as ANSI text: its hex(2) and hex(7) data are UTF-16.
  testenv::WriteText(cap + "/app.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Hostile]\r\n"
                     "\"Signature\"=\r\n"
                     "\"Big\"=dword:123456789012\r\n"
                     "\"Letters\"=dword:zzzz\r\n"
                     "\"Odd\"=hex:4\r\n"
                     "\"Little\"=hex(4):01,02,00,00\r\n"
                     "\"Big Endian\"=hex(5):00,00,01,02\r\n"
                     "\"Bytes\"=hex(3):0a,\\\r\n  0b\r\n"
                     "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                     "\"None\"=hex(0):\r\n"
                     "\"Gone\"=-\r\n"
                     "\"Name\"=\"first\"\r\n"
                     "\"NAME\"=\"last\"\r\n"
                     "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,78,00,00,00\r\n"
                     "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                     "\r\n[-HKEY_LOCAL_MACHINE\\Software\\Removed]\r\n");
  // A UTF-8 file with its byte-order mark; the Cyrillic letter has no form in Windows-1252.
  testenv::WriteText(cap + "/del.reg",
                     "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Caf\xC3\xA9\xD0\x96]\r\n"
                     "\"\xE2\x82\xAC\"=\"x\"\r\n");

  FernclipRun run = RunFernclip({cap + "/app.inc", "/vpxonly"}, top / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string key = "' of key 'HKEY_LOCAL_MACHINE\\Software\\Hostile' ";
  const std::string file = "Warning: " + cap + "/app.reg: registry value '";
  for (const std::string& warning :
       {file + "Signature" + key + "was left out: it has no data.",
        file + "Big" + key + "was left out: its double word is not a 32-bit hex number.",
        file + "Letters" + key + "was left out: its double word is not a 32-bit hex number.",
        file + "Odd" + key + "was left out: a byte of its data is not two hex digits.",
        file + "Quad" + key + "was left out: its type hex(b) has no form in the Registry table.",
        file + "None" + key + "was left out: its type hex(0) has no form in the Registry table.",
        file + "NAME" + key + "is given twice in different letter case; the last one is kept.",
        "Warning: " + cap + "/del.reg: 1 character(s) have no form in code page 1252 and were read as '?'."})
    EXPECT_TRUE(run.HasLine(warning)) << warning << "\n" << run.out;

  std::map<std::string, std::string> values;
  for (const auto& row : DumpTable(cap + "/app.vpx", "Registry"))
    if (row.size() > 4 && row[2] == "Software\\Hostile") values[row[3]] = row[4];
  EXPECT_EQ(values, (std::map<std::string, std::string>{{"Little", "#513"},
                                                        {"Big Endian", "#258"},
                                                        {"Bytes", "#x0a0b"},
                                                        {"NAME", "last"},
                                                        {"Expand", "#%%TEMP%\\x"},
                                                        {"Multi", "[~]a[~]b[~]"}}));

  std::set<std::string> removals;
  for (const auto& row : DumpTable(cap + "/app.vpx", "RemoveRegistry"))
    if (row.size() > 3) removals.insert(row[2] + "|" + row[3]);
  EXPECT_EQ(removals, (std::set<std::string>{"Software\\Hostile|Gone", "Software\\Removed|-",
                                             "Software\\Caf\xC3\xA9?|\xE2\x82\xAC"}));
}

TEST(HostileCapture, NamesWindowsCannotInstallAreRefusedByTheirEntry) {
  testenv::TempDir top;
  const std::string cap = top / "cap";
  testenv::WriteText(cap + "/options.ini", testenv::OptionsText({{"ProductName", "Names"}}));
  const std::string longName = std::string(300, 'n') + ".txt";
  testenv::WriteText(cap + "/app.inc",
                     "ScriptVersion('4.0')\r\n"
                     "InstallFileList('[ProgramFilesFolder]App'|0|0)\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\readme.txt\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\README.TXT\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\CON\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\NUL.txt\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\aux\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\bell\x07.txt\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\" + longName + "\r\n"
                     "InstallFileList('[ProgramFilesFolder]App\\LPT1'|0|0)\r\n"
                     "%SCRIPTFOLDER%ProgramFilesFolder\\App\\LPT1\\x.txt\r\n"
                     "MakeDir('[ProgramFilesFolder]App\\a<b\\Logs',0,0,'')\r\n"
                     "DeleteFileList('[WindowsFolder]Temp')\r\n"
                     "app*.tmp\r\n"
                     "a<b.tmp\r\n"
                     "EndProc\r\n"
                     "AddIni('%WinDir%\\nul.ini')\r\n[S]\r\nK=V\r\nEndProc\r\n"
                     "AddIni('%WinDir%\\a:b\\app.ini')\r\n[S]\r\nK=V\r\nEndProc\r\n"
                     "CreateLink('CON','[ProgramFilesFolder]App\\readme.txt','','','Programs')\r\n"
                     "CreateLink('Read Me','[ProgramFilesFolder]App\\readme.txt','','','Programs\\a|b')\r\n");
  FernclipRun run = RunFernclip({cap + "/app.inc", "/vpxonly"}, top / "registry.reg");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::string entry = "Error: " + cap + "/app.inc(";
  const std::string folder = "): the file '%SCRIPTFOLDER%ProgramFilesFolder\\App\\";
  EXPECT_TRUE(run.HasLine(entry + "4" + folder + "README.TXT' installs to the same path as "
                          "'%SCRIPTFOLDER%ProgramFilesFolder\\App\\readme.txt' (line 3): Windows does not tell names "
                          "apart by letter case. It was left out."))
      << run.out;
  for (const auto& [line, name] : std::vector<std::pair<std::string, std::string>>{
           {"5", "CON"}, {"6", "NUL.txt"}, {"7", "aux"}})
    EXPECT_TRUE(run.HasLine(entry + line + folder + name +
                            "' cannot be installed: its name is a device name of Windows. It was left out."))
        << name << "\n" << run.out;
  EXPECT_TRUE(run.HasLine(entry + "8" + folder + "bell\\x07.txt' cannot be installed: its name holds a control "
                          "character. It was left out."))
      << run.out;
  // A captured text is echoed cut to a readable length.
  const std::string longEntry = "%SCRIPTFOLDER%ProgramFilesFolder\\App\\" + longName;
  EXPECT_TRUE(run.HasLine(entry + "9): the file '" + longEntry.substr(0, 200) + "... (" +
                          std::to_string(longEntry.size() - 200) +
                          " more characters)' cannot be installed: its name is longer than 255 characters. It was "
                          "left out."))
      << run.out;
  // Folders are Windows names too; a file that cannot exist needs no removal.
  EXPECT_TRUE(run.HasLine(entry + "11): the file '%SCRIPTFOLDER%ProgramFilesFolder\\App\\LPT1\\x.txt' cannot be "
                          "installed: its folder 'LPT1' is a device name of Windows. It was left out."))
      << run.out;
  EXPECT_TRUE(run.HasLine("Error: The folder '%ProgramFilesFolder%\\App\\a<b\\Logs' cannot be created: its folder "
                          "'a<b' holds '<', which no Windows file name may hold. It was left out."))
      << run.out;
  EXPECT_TRUE(run.HasLine("Warning: " + cap + "/app.inc(15): the deleted file 'a<b.tmp' gets no removal: its name "
                          "holds '<', which no Windows file name may hold."))
      << run.out;
  // Shortcuts and INI files are files the installer makes: their names and folders obey Windows too.
  for (const char* warning :
       {"Warning: The INI edits of '%WinDir%\\nul.ini|S' are left out: its name is a device name of Windows.",
        "Warning: The INI edits of '%WinDir%\\a:b\\app.ini|S' are left out: its folder 'a:b' holds ':', which no "
        "Windows file name may hold.",
        "Warning: The shortcut 'CON' is left out: its name is a device name of Windows.",
        "Warning: The shortcut 'Read Me' is left out: its folder 'a|b' holds '|', which no Windows file name may "
        "hold."})
    EXPECT_TRUE(run.HasLine(warning)) << warning << "\n" << run.out;
  EXPECT_TRUE(DumpTable(cap + "/app.vpx", "IniFile").empty());
  EXPECT_TRUE(DumpTable(cap + "/app.vpx", "Shortcut").empty());
  const auto files = DumpTable(cap + "/app.vpx", "File");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0][2], "readme.txt");
  const auto removals = DumpTable(cap + "/app.vpx", "RemoveFile");
  ASSERT_EQ(removals.size(), 1u);
  EXPECT_EQ(removals[0][2], "app*.tmp");
  for (const auto& directory : DumpTable(cap + "/app.vpx", "Directory")) EXPECT_NE(directory[2], "a<b");

  // A line of a megabyte that the reader cannot understand is named, not printed whole.
  testenv::WriteText(cap + "/app.inc", "ScriptVersion('4.0')\r\nSet" + std::string(1 << 20, '\x01') + "\r\n");
  run = RunFernclip({cap + "/app.inc", "/vpxonly"}, top / "registry.reg");
  EXPECT_EQ(run.exitCode, 1) << run.out.substr(0, 2000);
  EXPECT_LT(run.out.size(), 4000u);
  std::string shown = "Set";
  for (int i = 0; i < 197; ++i) shown += "\\x01";
  EXPECT_TRUE(run.HasLine("Warning: Unrecognized script command: '" + shown + "... (" + std::to_string((1 << 20) - 197) +
                          " more characters)'"))
      << run.out;
}

}  // namespace
