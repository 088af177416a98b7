// End-to-end conversions with the built fernclip: a capture script with one ScriptVersion line
// and an options file beside it, converted with /vpxonly.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "conversion_harness.h"
#include "support/run_program.h"

namespace pipeline_tests {
namespace {

// The announcement texts of the progress plan, in plan order.
const std::vector<std::string> kPlanTexts = {
    "Starting conversion",
    "Reading repackager output file",
    "Loading registry entries",
    "Creating components for the files captured",
    "Mapping registry information to the Advertising tables",
    "          Mapping typelib data from registry information to the TypeLib table",
    "          Mapping COM data from registry information",
    "          Mapping Application IDs from registry information and writing to the AppId table",
    "          Mapping ProgIDs from registry information",
    "          Writing to the Class table",
    "          Mapping file extensions and MIME types from registry information to the Extension and Mime tables",
    "          Mapping shell extension verbs from registry information to the Verb table",
    "          Writing to the ProgId table",
    "Mapping NT services from registry information to the ServiceInstall and ServiceControl tables",
    "Mapping application paths from registry information",
    "Mapping environment variables from registry information to the Environment table",
    "Processing .INI file changes and writing to the IniFile table",
    "Scanning for ODBC drivers and writing to the ODBCSource and ODBCDriver tables",
    "Applying merge modules",
    "Creating directory folders and writing to the CreateFolders table",
    "Writing unmapped registry information to the Registry table",
    "Writing information to the RemoveRegistry table",
    "Creating shortcuts and writing to the Shortcut table",
    "Building .msi package",
    "Saving project file",
    "Finished successfully.",
};

// The plan positions of the announcements in the output, in the order they appeared.
std::vector<size_t> AnnouncementPositions(const FernclipRun& run) {
  std::vector<size_t> positions;
  for (const std::string& line : run.Lines()) {
    auto found = std::find(kPlanTexts.begin(), kPlanTexts.end(), line);
    if (found != kPlanTexts.end()) positions.push_back(static_cast<size_t>(found - kPlanTexts.begin()));
  }
  return positions;
}

const std::regex kRegistryGuid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");

TEST(Conversion, MinimalCaptureGivesAProjectWithItsIdentityAndSettings) {
  CaptureFolder folder;
  folder.WriteOptions({{"ProductName", "Quill Demo"},
                       {"ProductVersion", "v 2,1"},
                       {"ARPPublisher", "Quillmark Labs"},
                       {"ARPPublisherURL", "https://example.org/about"},
                       {"ARPSupportURL", "https://example.org/help"}});
  FernclipRun run = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;

  // Every announcement in plan order, from the first entry to the last.
  std::vector<size_t> positions = AnnouncementPositions(run);
  ASSERT_FALSE(positions.empty()) << run.out;
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << run.out;
  EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end()) << run.out;
  EXPECT_EQ(kPlanTexts[positions.front()], "Starting conversion");
  EXPECT_EQ(kPlanTexts[positions.back()], "Finished successfully.");
  EXPECT_TRUE(run.HasLine("Saving project file")) << run.out;
  EXPECT_FALSE(run.HasLine("Building .msi package")) << run.out;
  EXPECT_TRUE(run.HasLine("Creating Lanthorn project: " + folder.ProjectPath())) << run.out;

  std::map<std::string, std::string> properties = DumpProperties(folder.ProjectPath());
  EXPECT_TRUE(std::regex_match(properties["ProductCode"], kRegistryGuid)) << properties["ProductCode"];
  EXPECT_TRUE(std::regex_match(properties["UpgradeCode"], kRegistryGuid)) << properties["UpgradeCode"];
  EXPECT_NE(properties["ProductCode"], properties["UpgradeCode"]);
  EXPECT_EQ(properties["ProductName"], "Quill Demo");
  EXPECT_EQ(properties["ProductVersion"], "v21");
  EXPECT_EQ(properties["Manufacturer"], "Quillmark Labs");
  EXPECT_EQ(properties["ARPURLINFOABOUT"], "https://example.org/about");
  EXPECT_EQ(properties["ARPHELPLINK"], "https://example.org/help");
  EXPECT_EQ(properties["ALLUSERS"], "2");
  EXPECT_EQ(properties["SOURCEFILEPATH"], folder.Path() + "/");

  // One numbered feature, named after the product.
  auto features = DumpTable(folder.ProjectPath(), "Feature");
  ASSERT_EQ(features.size(), 1u);
  EXPECT_EQ(features[0][0], "QuillDemoNewFeature");
  EXPECT_EQ(features[0][1], "");
  EXPECT_EQ(features[0][2], "QuillDemoNewFeature");
  EXPECT_EQ(features[0][4], "2");
  EXPECT_EQ(features[0][5], "1");
  EXPECT_EQ(features[0][6], "INSTALLDIR");

  // Nothing but the capture, its options, the registry stand-in and the project is left.
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"app.inc", "app.vpx", "options.ini"}))
      << "left in the folder";
}

TEST(Conversion, ProductNameAndVersionDefaults) {
  CaptureFolder folder;
  // No product name: the project's file name up to its first dot. A version of blanks and
  // commas only gives 1.00; switching AllUsers off adds no ALLUSERS.
  folder.WriteOptions({{"ProductVersion", " , ,"}, {"AllUsers", "N"}, {"EnablePathVariables", "N"}});
  std::string output = folder.File("my.app.v2.vpx");
  FernclipRun run = folder.Run({folder.CapturePath(), output, "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  std::map<std::string, std::string> properties = DumpProperties(output);
  EXPECT_EQ(properties["ProductName"], "my");
  EXPECT_EQ(properties["ProductVersion"], "1.00");
  EXPECT_EQ(properties.count("ALLUSERS"), 0u);
  EXPECT_EQ(properties.count("SOURCEFILEPATH"), 0u);
  EXPECT_EQ(properties["Manufacturer"], DumpProperties(std::string(FERNCLIP_BUILD_DIR) + "/QvProjBlankTpl.vpx")["Manufacturer"])
      << "without a publisher the template's Manufacturer stays";
  auto features = DumpTable(output, "Feature");
  ASSERT_EQ(features.size(), 1u);
  EXPECT_EQ(features[0][0], "myNewFeature");
}

TEST(Conversion, CaptureFeaturesBecomeAFeatureTree) {
  CaptureFolder folder;
  folder.WriteCapture(
      "ScriptVersion('4.0')\r\n"
      "Feature('Main','Main Program','The main program','')\r\nHelp\r\nDocs\r\nEndProc\r\n"
      "Feature('Help','Help Files','Help for the program','INSTALLDIR')\r\nEndProc\r\n"
      "Feature('Docs','','','')\r\nEndProc\r\n"
      "Feature('Other','Other Things','','')\r\nDocs\r\nEndProc\r\n");
  folder.WriteOptions({{"ProductName", "Tree"}});
  FernclipRun run = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;

  std::map<std::string, std::vector<std::string>> features;
  for (const auto& row : DumpTable(folder.ProjectPath(), "Feature")) features[row[0]] = row;
  ASSERT_EQ(features.size(), 5u);
  EXPECT_EQ(features["TreeNewFeature"][1], "");
  EXPECT_EQ(features["Main"][1], "TreeNewFeature") << "no parent: the default feature";
  EXPECT_EQ(features["Main"][2], "Main Program");
  EXPECT_EQ(features["Main"][3], "The main program");
  EXPECT_EQ(features["Main"][4], "4");
  EXPECT_EQ(features["Help"][1], "Main");
  EXPECT_EQ(features["Help"][6], "INSTALLDIR");
  EXPECT_EQ(features["Docs"][1], "Other") << "the later block naming a child wins";
  EXPECT_EQ(features["Docs"][2], "Docs") << "an empty title is the key";
  EXPECT_EQ(features["Docs"][3], "Docs");
  EXPECT_EQ(features["Docs"][6], "INSTALLDIR");
  EXPECT_EQ(features["Other"][1], "TreeNewFeature");
  EXPECT_EQ(features["Other"][4], "10");

  // With BuildFeatures off only the numbered feature is made.
  folder.WriteOptions({{"ProductName", "Tree"}, {"BuildFeatures", "N"}});
  FernclipRun flat = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(flat.exitCode, 0) << flat.out;
  EXPECT_EQ(DumpTable(folder.ProjectPath(), "Feature").size(), 1u);
}

TEST(Conversion, InstallDirectoryBecomesTheProductFolder) {
  // The parent and the long name of a directory ("short|long" or one name).
  auto parentAndName = [](const std::string& project, const std::string& key) {
    const std::vector<std::string> row = RowWithKey(DumpTable(project, "Directory"), key);
    if (row.size() < 3) return std::string("<no row>");
    const size_t bar = row[2].find('|');
    return row[1] + "/" + (bar == std::string::npos ? row[2] : row[2].substr(bar + 1));
  };
  CaptureFolder folder;
  folder.WriteOptions({{"INSTALLDIR", "%ProgramFilesFolder%\\Quill Demo"}});
  FernclipRun run = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.find("No INSTALLDIR definition"), std::string::npos) << run.out;
  EXPECT_EQ(parentAndName(folder.ProjectPath(), "INSTALLDIR"), "ProgramFilesFolder/Quill Demo");

  // NewInstallDir wins over INSTALLDIR.
  folder.WriteOptions({{"INSTALLDIR", "%ProgramFilesFolder%\\Quill Demo"},
                       {"NewInstallDir", "[ProgramFilesFolder]Vendor\\New App"}});
  run = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string installDir = parentAndName(folder.ProjectPath(), "INSTALLDIR");
  ASSERT_TRUE(installDir.ends_with("/New App")) << installDir;
  EXPECT_EQ(parentAndName(folder.ProjectPath(), installDir.substr(0, installDir.find('/'))),
            "ProgramFilesFolder/Vendor");
}

TEST(Conversion, PlainPackageAsTemplateIsUpgradedAndUsed) {
  CaptureFolder folder;
  std::string templatePath = folder.File("plain.msi");
  std::string wixlOutput;
  ASSERT_EQ(RunCommand("wixl -o '" + templatePath + "' '" + FERNCLIP_TEST_DATA_DIR +
                           "/pipeline/plain_template.wxs'",
                       &wixlOutput),
            0)
      << wixlOutput;
  std::string before = testenv::ReadText(templatePath);
  folder.WriteOptions({{"ProjectTemplate", templatePath}, {"ProductName", "From Plain"}});
  FernclipRun run = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.HasLine("Checking version of template file '" + templatePath + "'")) << run.out;
  EXPECT_TRUE(run.HasLine("Upgrading project file to current version")) << run.out;

  std::map<std::string, std::string> properties = DumpProperties(folder.ProjectPath());
  EXPECT_EQ(properties["PLAINMARKER"], "kept") << "the template's own data is used";
  EXPECT_EQ(properties["ProductName"], "From Plain");
  EXPECT_TRUE(std::regex_match(properties["ProductCode"], kRegistryGuid));
  EXPECT_NE(properties["UpgradeCode"], "{12345678-1234-1234-1234-123456789012}");
  // The template's component got a new GUID.
  auto components = DumpTable(folder.ProjectPath(), "Component");
  ASSERT_FALSE(components.empty());
  for (const auto& component : components) EXPECT_NE(component[1], "{11111111-2222-3333-4444-555555555555}");
  // The template itself is untouched, and no working file is left behind.
  EXPECT_EQ(testenv::ReadText(templatePath), before);
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"app.inc", "app.vpx", "options.ini", "plain.msi"}));

  // Without AutoUpgrade the old template is refused, and the project stays as it was.
  std::string saved = testenv::ReadText(folder.ProjectPath());
  folder.WriteOptions({{"ProjectTemplate", templatePath}, {"AutoUpgrade", "N"}});
  FernclipRun refused = folder.Run({folder.CapturePath(), "/vpxonly"});
  EXPECT_EQ(refused.exitCode, 1) << refused.out;
  EXPECT_TRUE(refused.HasLine("Error: Can't open .vpx template.  It needs to be upgraded first.")) << refused.out;
  EXPECT_TRUE(testenv::ReadText(folder.ProjectPath()) == saved);
}

TEST(Conversion, FailedConversionsSayWhyAndLeaveAnExistingProjectAsItWas) {
  CaptureFolder folder;
  FernclipRun good = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(good.exitCode, 0) << good.out;
  const std::string saved = testenv::ReadText(folder.ProjectPath());
  ASSERT_FALSE(saved.empty());
  auto expectNothingChanged = [&](const FernclipRun& run) {
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_FALSE(run.HasLine("Saving project file")) << run.out;
    EXPECT_TRUE(testenv::ReadText(folder.ProjectPath()) == saved) << "the project was changed";
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"app.inc", "app.vpx", "notes.txt", "options.ini"}));
  };
  testenv::WriteText(folder.File("notes.txt"), "this is no database\n");

  folder.WriteOptions({{"ProjectTemplate", folder.File("notes.txt")}});
  FernclipRun text = folder.Run({folder.CapturePath(), "/vpxonly"});
  EXPECT_TRUE(text.HasLine("Error: Unable to upgrade the template file.")) << text.out;
  expectNothingChanged(text);

  const std::string missing = folder.File("nowhere/missing.vpx");
  folder.WriteOptions({{"ProjectTemplate", missing}});
  FernclipRun absent = folder.Run({folder.CapturePath(), "/vpxonly"});
  const std::vector<std::string> lines = absent.Lines();
  const auto cantFind = std::find(lines.begin(), lines.end(), "Error: Can't find template file '" + missing + "'.");
  EXPECT_NE(cantFind, lines.end()) << absent.out;
  EXPECT_NE(std::find(cantFind, lines.end(), "Error: Can't create .vpx file."), lines.end()) << absent.out;
  expectNothingChanged(absent);

  // A capture script that cannot be read stops the run the same way.
  folder.WriteOptions({});
  folder.WriteCapture("ScriptVersion('4.0')\r\nSet('broken')\r\n");
  FernclipRun unreadable = folder.Run({folder.CapturePath(), "/vpxonly"});
  EXPECT_TRUE(unreadable.HasLine("Error: Unrecognized line in .inc file.")) << unreadable.out;
  expectNothingChanged(unreadable);
}

TEST(Conversion, LimitedUIEndsTheDialogSequenceAtTheWelcomeDialog) {
  // The events of the welcome dialog's Next button in table order, as "event|argument".
  auto nextEvents = [](const std::string& project) {
    std::vector<std::string> events;
    for (const auto& row : DumpTable(project, "ControlEvent"))
      if (row.size() >= 4 && row[0] == "InstallWelcome" && row[1] == "Next") events.push_back(row[2] + "|" + row[3]);
    return events;
  };
  CaptureFolder folder;
  ASSERT_EQ(folder.Run({folder.CapturePath(), "/vpxonly"}).exitCode, 0);
  std::vector<std::string> expected = nextEvents(folder.ProjectPath());
  // The first NewDialog event (and only that one) becomes EndDialog with the argument Return.
  const auto newDialog = std::find_if(expected.begin(), expected.end(),
                                      [](const std::string& event) { return event.starts_with("NewDialog|"); });
  ASSERT_NE(newDialog, expected.end()) << "the template's welcome dialog has a Next button that opens a dialog";
  *newDialog = "EndDialog|Return";
  std::sort(expected.begin(), expected.end());

  folder.WriteOptions({{"LimitedUI", "Yes"}});
  ASSERT_EQ(folder.Run({folder.CapturePath(), "/vpxonly"}).exitCode, 0);
  std::vector<std::string> after = nextEvents(folder.ProjectPath());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, expected);
}

TEST(Conversion, SwitchedOffStepsAreNotAnnounced) {
  CaptureFolder folder;
  folder.WriteOptions({{"UseMergeModules", "N"}},
                      "[Sequence]\r\nRegistryTable=N\r\nMapping=N\r\nShortcuts=N\r\n");
  FernclipRun run = folder.Run({folder.CapturePath(), "/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  for (const char* text : {"Applying merge modules", "Writing unmapped registry information to the Registry table",
                           "Writing information to the RemoveRegistry table",
                           "Mapping registry information to the Advertising tables",
                           "Creating shortcuts and writing to the Shortcut table"})
    EXPECT_FALSE(run.HasLine(text)) << text;
  // The steps after them keep their own texts.
  std::vector<size_t> positions = AnnouncementPositions(run);
  ASSERT_GE(positions.size(), 3u);
  EXPECT_EQ(kPlanTexts[positions[positions.size() - 2]], "Saving project file");
  EXPECT_EQ(kPlanTexts[positions.back()], "Finished successfully.");
}

TEST(Conversion, DoubleByteTextIsWalkedByCharacter) {
  CaptureFolder folder;
  // Shift-JIS: 0x83 0x7B, 0x83 0x5B, 0x95 0x5C and 0x83 0x7C are one character each, whose trail
  // byte looks like '{', '[', '\' and '|'; 0x81 0x7F is no character at all.
  folder.WriteCapture("ScriptVersion('4.0')\r\nRegLoad('C:\\cap\\app.reg')\r\n"
                      "InstallFileList('[ProgramFilesFolder]\x95\x5C'|0|0)\r\n%SCRIPTFOLDER%Files\\\x83\x7C.txt\r\n");
  std::filesystem::create_directory(folder.File("Files"));
  testenv::WriteText(folder.File("Files/\x83\x7C.txt"), "text");
  testenv::WriteText(folder.File("app.reg"),
                     "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Rules]\r\n"
                     "\"Text\"=\"\x83\x7B\x83\x5B[x]\"\r\n"
                     "\"Expand\"=hex(2):83,7b,7b,00\r\n"
                     "\"Bad\"=\"a\x81\x7Fz\"\r\n");
  const testenv::ProgramResult result = testenv::RunProgram(
      std::string(FERNCLIP_BUILD_DIR) + "/fernclip", {folder.CapturePath(), "/vpxonly"},
      {{"FERNCLIP_REGISTRY", folder.File("registry.reg")}, {"FERNCLIP_CODEPAGE", "932"}});
  const std::string out = result.out + result.err;
  // Text the code page cannot convert is an error that names the key and the value.
  EXPECT_EQ(result.exitCode, 1) << out;
  EXPECT_NE(out.find("The registry value 'Bad' of the key 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Rules' holds text that "
                     "code page 932 cannot convert; it is left out."),
            std::string::npos)
      << out;

  std::map<std::string, std::string> values;
  for (const auto& row : DumpTable(folder.ProjectPath(), "Registry"))
    if (row.at(2) == "SOFTWARE\\Rules") values[row.at(3)] = row.at(4);
  // Read back as UTF-8: 0x83 0x7B is U+30DC, 0x83 0x5B U+30BC.
  EXPECT_EQ(values["Text"], "\xE3\x83\x9C\xE3\x82\xBC[\\[]x[\\]]");
  EXPECT_EQ(values["Expand"], "#%\xE3\x83\x9C[\\{]");
  EXPECT_EQ(values.count("Bad"), 0u);

  // The file keeps its whole name, in a folder named by its whole name.
  const auto files = DumpTable(folder.ProjectPath(), "File");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].at(2).ends_with("\xE3\x83\x9D.txt")) << files[0].at(2);
  const auto directories = DumpTable(folder.ProjectPath(), "Directory");
  EXPECT_TRUE(std::any_of(directories.begin(), directories.end(), [](const auto& row) {
    return row.at(2).ends_with("\xE8\xA1\xA8") && row.at(1) == "ProgramFilesFolder";
  }));
}

}  // namespace
}  // namespace pipeline_tests
