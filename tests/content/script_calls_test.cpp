// The capture script's program and DLL calls as custom actions with their properties and
// places in the sequences, the all-users profile actions, the DLL wrapper, and icon keys.
#include "content/icon_keys.h"
#include "content/script_calls.h"
#include "project/custom_actions.h"

#include <algorithm>

#include "content/captured_files.h"
#include "support/conversion_fixture.h"

namespace {

using test_support::Rows;
using test_support::RowWithKey;

class ScriptCallsTest : public test_support::ConversionTest {
 protected:
  static int SequenceOf(const Rows& rows, const std::string& action) {
    auto row = RowWithKey(rows, action);
    return row.size() > 2 ? std::stoi(row[2]) : -1;
  }
};

TEST_F(ScriptCallsTest, ProgramAndDllCallsBecomeActionsThatRunOnceAtFirstInstall) {
  for (const char* file : {"ProgramFilesFolder/Acme/Run Me.exe", "ProgramFilesFolder/Acme/util.dll", "Setup/post.exe"})
    testenv::WriteText(InFolder(file), "MZ");
  UseScript(
      "ScriptVersion('4.0')\r\n"
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "%SCRIPTFOLDER%ProgramFilesFolder\\Acme\\Run Me.exe\r\n"
      "EXE(%ProgramFilesFolder%\\Acme\\Run Me.exe|Installed|/register|CostFinalize|1)\r\n"
      "EXE(%SystemFolder%\\notepad.exe|System|readme.txt|InstallFinalize|0)\r\n"
      "EXE(calc.exe|system||InstallFinalize|1)\r\n"
      "EXE(%SCRIPTFOLDER%Setup\\post.exe|Setup|/quiet|NoSuchAction|0)\r\n"
      "EXE(C:\\Tools\\run.exe|Other|-x|CostFinalize|0)\r\n"
      "EXE(%SCRIPTFOLDER%Setup\\gone.exe|Setup||CostFinalize|0)\r\n"
      "EXE(%ProgramFilesFolder%\\Acme\\Run Me.exe||/late|InstallFinalize|0)\r\n"
      "DLL(%SCRIPTFOLDER%ProgramFilesFolder\\Acme\\util.dll||Init|VOID|CostFinalize|0)\r\n"
      "a|INT|5\r\n"
      "two|parts\r\n"
      "b|LPSTR|hello\r\n"
      "x|y|z|w\r\n"
      "EndProc\r\n"
      "DLL(%SystemFolder%\\sys.dll|System|Query|INT|CostFinalize|1)\r\n"
      "EndProc\r\n"
      "DLL(%SCRIPTFOLDER%Setup\\absent.dll||Init|VOID|CostFinalize|0)\r\n"
      "EndProc\r\n");
  OpenProject();
  content::AddCapturedFiles(*script_);
  content::ConvertScriptCalls();
  const Rows actions = SavedRows("CustomAction");
  // Every call ignores its exit code (+64). An installed program runs from its File row inside
  // the install script (+1024), or after it when the capture places it there.
  EXPECT_EQ(RowWithKey(actions, "EXECA1"),
            (std::vector<std::string>{"EXECA1", "1106", "runme.exe", "/register", ""}));
  EXPECT_EQ(RowWithKey(actions, "EXECA7"), (std::vector<std::string>{"EXECA7", "82", "runme.exe", "/late", ""}));
  // A program of the target machine from its folder, or through a property for a folder the
  // package does not know.
  EXPECT_EQ(RowWithKey(actions, "EXECA2"),
            (std::vector<std::string>{"EXECA2", "98", "SystemFolder", "\"[SystemFolder]notepad.exe\" readme.txt", ""}));
  EXPECT_EQ(RowWithKey(actions, "EXECA3"), (std::vector<std::string>{"EXECA3", "98", "WindowsFolder", "calc.exe", ""}));
  EXPECT_EQ(RowWithKey(actions, "EXECA5"), (std::vector<std::string>{"EXECA5", "114", "EXECA5_PROGRAM", "-x", ""}));
  // The setup's own program travels in the Binary table; one that the capture lacks is left out.
  EXPECT_EQ(RowWithKey(actions, "EXECA4"),
            (std::vector<std::string>{"EXECA4", "66", script_->ScriptFolder() + "Setup\\post.exe", "/quiet", ""}));
  EXPECT_TRUE(RowWithKey(actions, "EXECA6").empty());
  // Only three-part lines are parameters, numbered in order.
  EXPECT_EQ(RowWithKey(actions, "DLLCA1"),
            (std::vector<std::string>{"DLLCA1", "131072", script_->ScriptFolder() + "ProgramFilesFolder\\Acme\\util.dll",
                                      "VOID util::Init(INT a=[DLLCA1_PARAM1], LPSTR b=[DLLCA1_PARAM2])", ""}));
  EXPECT_EQ(RowWithKey(actions, "DLLCA2"),
            (std::vector<std::string>{"DLLCA2", "131104", "SystemFolder", "INT=[DLLCA2_RETURN] sys::Query()", ""}));
  EXPECT_TRUE(RowWithKey(actions, "DLLCA3").empty());
  const std::vector<std::string> warnings = WarningTexts();
  ASSERT_EQ(warnings.size(), 2u) << ::testing::PrintToString(warnings);
  EXPECT_NE(warnings[0].find("'%SCRIPTFOLDER%Setup\\gone.exe'"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("'%SCRIPTFOLDER%Setup\\absent.dll'"), std::string::npos) << warnings[1];
  const Rows properties = SavedRows("Property");
  EXPECT_EQ(RowWithKey(properties, "EXECA5_PROGRAM").at(1), "C:\\Tools\\run.exe");
  EXPECT_EQ(RowWithKey(properties, "DLLCA1_PARAM1").at(1), "5");
  EXPECT_EQ(RowWithKey(properties, "DLLCA1_PARAM2").at(1), "hello");
  EXPECT_TRUE(RowWithKey(properties, "DLLCA1_PARAM3").empty());
  EXPECT_EQ(RowWithKey(properties, "DLLCA2_RETURN").at(1), "0");

  // Places: after the anchor, in order; the first free number from 700 on without the anchor
  // (ValidateProductID holds 700); an installed program never before InstallFiles; the UI
  // sequence only when asked, and never for an installed program.
  const Rows execute = SavedRows("InstallExecuteSequence");
  const int costFinalize = SequenceOf(execute, "CostFinalize");
  EXPECT_EQ(SequenceOf(execute, "EXECA1"), SequenceOf(execute, "InstallFiles") + 1);
  EXPECT_GT(SequenceOf(execute, "EXECA5"), costFinalize);
  EXPECT_EQ(SequenceOf(execute, "DLLCA1"), SequenceOf(execute, "EXECA5") + 1);
  EXPECT_EQ(SequenceOf(execute, "DLLCA2"), SequenceOf(execute, "EXECA5") + 2);
  EXPECT_EQ(SequenceOf(execute, "EXECA2"), SequenceOf(execute, "InstallFinalize") + 1);
  EXPECT_EQ(SequenceOf(execute, "EXECA3"), SequenceOf(execute, "EXECA2") + 1);
  EXPECT_GT(SequenceOf(execute, "EXECA4"), 700);
  EXPECT_EQ(SequenceOf(execute, "EXECA7"), SequenceOf(execute, "EXECA3") + 1);
  for (const char* action : {"EXECA1", "EXECA2", "EXECA3", "EXECA4", "EXECA5", "EXECA7", "DLLCA1", "DLLCA2"})
    EXPECT_EQ(RowWithKey(execute, action).at(1), "NOT Installed") << action;
  const Rows ui = SavedRows("InstallUISequence");
  EXPECT_NE(SequenceOf(ui, "EXECA3"), -1);
  EXPECT_NE(SequenceOf(ui, "DLLCA2"), -1);
  EXPECT_EQ(SequenceOf(ui, "EXECA1"), -1);
  EXPECT_EQ(SequenceOf(ui, "EXECA2"), -1);
  EXPECT_TRUE(RowWithKey(SavedRows("AdvtExecuteSequence"), "DLLCA1").empty());

  // The wrapper that DLL calls run through is recorded in the project.
  EXPECT_EQ(SavedRows("QvDllWrapper"), (Rows{{"QvDLLWrapper"}}));
}

TEST_F(ScriptCallsTest, AllUsersProfileActionsFollowEachOther) {
  UseScript("ScriptVersion('4.0')\r\n");
  OpenProject();
  content::ConvertScriptCalls();
  const Rows actions = SavedRows("CustomAction");
  EXPECT_EQ(RowWithKey(actions, "setUserProfileNT"),
            (std::vector<std::string>{"setUserProfileNT", "51", "ALLUSERSPROFILE", "[%ALLUSERSPROFILE]", ""}));
  EXPECT_EQ(RowWithKey(actions, "setAllUsersProfile2K").at(3), "[%SystemRoot]\\Profiles\\AllUsers");
  for (const char* table : {"InstallExecuteSequence", "InstallUISequence", "AdvtExecuteSequence"}) {
    const Rows rows = SavedRows(table);
    const int anchor = SequenceOf(rows, "ValidateProductID");
    const int first = SequenceOf(rows, "setUserProfileNT");
    EXPECT_EQ(first, anchor == -1 ? 700 : anchor + 1) << table;
    EXPECT_EQ(SequenceOf(rows, "SetAllUsersProfileNT"), first + 1) << table;
    EXPECT_EQ(SequenceOf(rows, "setAllUsersProfile2K"), first + 2) << table;
    EXPECT_EQ(RowWithKey(rows, "SetAllUsersProfileNT").at(1), "VersionNT = 400") << table;
  }
  // A second conversion step in the same project adds nothing twice.
  content::ConvertScriptCalls();
  EXPECT_EQ(SavedRows("CustomAction").size(), actions.size());
}

TEST_F(ScriptCallsTest, ActionsFindTheirPlaceInEverySequenceTableOnce) {
  OpenProject();
  project::AddCustomAction("FirstCA", "CostFinalize", 51, "PROP", "one", "VersionNT");
  project::AddCustomAction("SecondCA", "costfinalize", 51, "PROP", "two", "");
  project::AddCustomAction("LostCA", "NoSuchAnchor", 51, "PROP", "three", "");
  project::AddCustomAction("AfterLost", "LostCA", 51, "PROP", "four", "");
  // An action that exists already keeps its row and its places.
  project::AddCustomAction("FirstCA", "InstallFinalize", 51, "PROP", "again", "");
  project::InsertIntoSequence("InstallExecuteSequence", "SECONDCA", "InstallFinalize", "");
  EXPECT_EQ(RowWithKey(SavedRows("CustomAction"), "FirstCA"),
            (std::vector<std::string>{"FirstCA", "51", "PROP", "one", ""}));

  for (const char* table : {"InstallExecuteSequence", "InstallUISequence", "AdvtExecuteSequence"}) {
    const Rows rows = SavedRows(table);
    // Consecutive free numbers after the anchor, in the order added; without the anchor the
    // first number from 700 on that no action holds.
    const int anchor = SequenceOf(rows, "CostFinalize");
    EXPECT_EQ(SequenceOf(rows, "FirstCA"), anchor + 1) << table;
    EXPECT_EQ(SequenceOf(rows, "SecondCA"), anchor + 2) << table;
    EXPECT_EQ(RowWithKey(rows, "FirstCA").at(1), "VersionNT") << table;
    const int lost = SequenceOf(rows, "LostCA");
    EXPECT_GE(lost, 700) << table;
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const auto& row) { return row[2] == std::to_string(lost); }), 1)
        << table;
    EXPECT_EQ(SequenceOf(rows, "AfterLost"), lost + 1) << table;
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const auto& row) { return row[0] == "FirstCA" || row[0] == "SecondCA"; }),
              2)
        << table;
  }
}

TEST_F(ScriptCallsTest, IconKeysOnePerFileAndIndex) {
  testenv::WriteText(InFolder("app.ico"), "icon bytes");
  UseScript("ScriptVersion('4.0')\r\n");
  const std::string icon = InFolder("app.ico");
  // No key for a row that could not be written.
  EXPECT_EQ(content::GetIconKey(icon, 0, "[INSTALLDIR]app.exe"), "");
  OpenProject();
  EXPECT_EQ(content::GetIconKey(icon, 0, "[INSTALLDIR]app.exe"), "Icon_app.exe");
  EXPECT_EQ(content::GetIconKey(icon, 0, "[INSTALLDIR]other.dll"), "Icon_app.exe");  // cached
  EXPECT_EQ(content::GetIconKey(InFolder("APP.ICO"), 0, ""), "Icon_app.exe");        // case ignored
  EXPECT_EQ(content::GetIconKey(icon, 1, "[INSTALLDIR]app.exe"), "Icon_app1.exe");
  EXPECT_EQ(content::GetIconKey(icon, 2, ""), "Icon_app.ico");
  const Rows rows = SavedRows("Icon");
  EXPECT_EQ(rows.size(), 3u);
}

}  // namespace
