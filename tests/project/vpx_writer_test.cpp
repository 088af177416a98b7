// The project writer on a real project: features, directories, records and sequence places.
#include <algorithm>

#include "content/custom_action_writer.h"
#include "project/msi_record.h"
#include "project/table_writer.h"
#include "project_fixture.h"
#include "qv/entity.h"

namespace project_tests {
namespace {

const std::vector<std::string>* FindRow(const std::vector<std::vector<std::string>>& rows,
                                        const std::string& key) {
  for (const auto& row : rows)
    if (!row.empty() && row[0] == key) return &row;
  return nullptr;
}

TEST_F(ProjectTest, NumberedFeaturesTakeAtMost500Components) {
  LoadOptions({{"ProductName", "Feat Test"}});
  OpenProject();
  EXPECT_EQ(writer_->ProductName(), "Feat Test");
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "FeatTestNewFeature");
  for (int i = 0; i < 499; ++i) writer_->CountComponent();
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "FeatTestNewFeature") << "the 500th component";
  writer_->CountComponent();
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "FeatTestNewFeature2") << "the 501st component";
  EXPECT_EQ(writer_->DefaultFeature(), "FeatTestNewFeature");

  auto features = SavedRows("Feature");
  ASSERT_EQ(features.size(), 2u);
  const auto* first = FindRow(features, "FeatTestNewFeature");
  const auto* second = FindRow(features, "FeatTestNewFeature2");
  ASSERT_TRUE(first && second);
  EXPECT_EQ((*first)[1], "");
  EXPECT_EQ((*first)[4], "2");
  EXPECT_EQ((*second)[1], "FeatTestNewFeature");
  EXPECT_EQ((*second)[2], "FeatTestNewFeature2");
  EXPECT_EQ((*second)[3], "FeatTestNewFeature2");
  EXPECT_EQ((*second)[4], "4");
  EXPECT_EQ((*second)[5], "1");
  EXPECT_EQ((*second)[6], "INSTALLDIR");
  EXPECT_EQ((*second)[7], "0");
}

TEST_F(ProjectTest, LongProductNamesKeepTheFeatureNumber) {
  LoadOptions({{"ProductName", "An Exceedingly Long Product Name For Testing"}});
  OpenProject();
  std::string first = writer_->GetFeatureForNewComponent();
  EXPECT_EQ(first.size(), 38u);
  for (int i = 0; i < 500; ++i) writer_->CountComponent();
  std::string second = writer_->GetFeatureForNewComponent();
  EXPECT_EQ(second.size(), 38u);
  EXPECT_NE(first, second);
  EXPECT_EQ(second.back(), '2');
}

TEST_F(ProjectTest, FeaturesByNameAndTheCurrentFeature) {
  LoadOptions({{"ProductName", "Named"}});
  OpenProject();
  writer_->GetFeatureForNewComponent();
  writer_->CreateFeature("Core Files (main)", "", "", "", "");
  EXPECT_EQ(writer_->CurrentFeature(), "CoreFilesmain");
  writer_->CreateFeature("Help", "Core Files (main)", "Help files", "The help", "HelpDir");
  EXPECT_EQ(writer_->CurrentFeature(), "Help");

  // With more than one feature an empty key changes nothing; a key chooses the feature.
  writer_->SetCurrentFeature("");
  EXPECT_EQ(writer_->CurrentFeature(), "Help");
  writer_->SetCurrentFeature("CoreFilesmain");
  EXPECT_EQ(writer_->CurrentFeature(), "CoreFilesmain");

  auto features = SavedRows("Feature");
  ASSERT_EQ(features.size(), 3u);
  const auto* core = FindRow(features, "CoreFilesmain");
  const auto* help = FindRow(features, "Help");
  ASSERT_TRUE(core && help);
  EXPECT_EQ((*core)[1], "NamedNewFeature") << "an empty parent is the default feature";
  EXPECT_EQ((*core)[2], "CoreFilesmain");
  EXPECT_EQ((*core)[4], "4");
  EXPECT_EQ((*core)[6], "INSTALLDIR");
  EXPECT_EQ((*help)[1], "CoreFilesmain");
  EXPECT_EQ((*help)[2], "Help files");
  EXPECT_EQ((*help)[3], "The help");
  EXPECT_EQ((*help)[4], "6");
  EXPECT_EQ((*help)[6], "HelpDir");
}

TEST_F(ProjectTest, SetCurrentFeatureFallsBackToTheDefaultWithOneFeature) {
  LoadOptions({{"BuildFeatures", "N"}});
  OpenProject();
  std::string first = writer_->GetFeatureForNewComponent();
  writer_->SetCurrentFeature("Other");  // BuildFeatures off: the key is not taken
  EXPECT_EQ(writer_->CurrentFeature(), first);
}

TEST_F(ProjectTest, KnownDirectoriesIgnoreCase) {
  LoadOptions({});
  OpenProject();
  for (const char* key : {"TARGETDIR", "INSTALLDIR", "installdir", "ProgramFilesFolder", "WindowsFolder",
                          "RecentFolder", "HISTORYFOLDER"})
    EXPECT_TRUE(writer_->IsKnownDirectory(key)) << key;
  EXPECT_FALSE(writer_->IsKnownDirectory("MyData"));

  writer_->AddDirectory("MyData", "INSTALLDIR", "Data");
  EXPECT_TRUE(writer_->IsKnownDirectory("MYDATA"));

  std::string key = writer_->DirectoryForPath("[ProgramFilesFolder]Vendor\\Tool\\", "VendorTool");
  EXPECT_EQ(key, "VendorTool");
  EXPECT_TRUE(writer_->IsKnownDirectory("vendortool"));
  // A hint that is known already is not given to a second folder.
  std::string other = writer_->DirectoryForPath("[ProgramFilesFolder]Other\\", "VendorTool");
  EXPECT_FALSE(other.empty());
  EXPECT_NE(other, "VendorTool");
  EXPECT_TRUE(writer_->IsKnownDirectory(other));

  auto directories = SavedRows("Directory");
  const auto* data = FindRow(directories, "MyData");
  ASSERT_TRUE(data);
  EXPECT_EQ((*data)[1], "INSTALLDIR");
  EXPECT_EQ((*data)[2], "Data");
  EXPECT_TRUE(FindRow(directories, "VendorTool"));
}

TEST_F(ProjectTest, RecordsWriteOneRowEachAndSurviveUnknownTables) {
  LoadOptions({});
  OpenProject();
  {
    project::MSIRecord record(*writer_, "NoSuchTable");
    record.SetField(1, "x");
  }
  EXPECT_NE(LogText().find("FAILURE: CHECK_HR: 0x"), std::string::npos) << LogText();
  EXPECT_TRUE(SavedRows("NoSuchTable").empty());

  for (const char* key : {"Registry_A", "Registry_B"}) {
    project::MSIRecord record(*writer_, "Registry");
    record.SetField(1, key);
    record.SetField(2, 2);
    record.SetField(3, "Software\\Quill \xE9t\xE9");  // ANSI text: converted for the engine
    record.SetField(4, "Name");
    record.SetField(5, "Value");
    record.SetField(6, "SomeComponent");
  }
  {
    // The same key again: the engine refuses it, and the log says so.
    project::MSIRecord record(*writer_, "Registry");
    record.SetField(1, "Registry_A");
    record.SetField(2, 1);
    record.SetField(3, "Other");
    record.SetField(6, "SomeComponent");
  }
  EXPECT_NE(LogText().find("Failure writing to MSI table 'Registry'"), std::string::npos) << LogText();
  auto rows = SavedRows("Registry");
  const auto* a = FindRow(rows, "Registry_A");
  ASSERT_TRUE(a);
  EXPECT_TRUE(FindRow(rows, "Registry_B"));
  EXPECT_EQ((*a)[2], "Software\\Quill \xC3\xA9t\xC3\xA9") << "msidump writes UTF-8";
}

TEST_F(ProjectTest, CustomActionsFindTheirPlaceInEverySequenceTable) {
  LoadOptions({});
  OpenProject();
  project::SetCurrentProjectWriter(writer_.get());
  content::AddCustomAction("FirstCA", "CostFinalize", 51, "PROP", "one", "VersionNT");
  content::AddCustomAction("SecondCA", "costfinalize", 51, "PROP", "two", "");
  content::AddCustomAction("LostCA", "NoSuchAnchor", 51, "PROP", "three", "");
  content::AddCustomAction("AfterLost", "LostCA", 51, "PROP", "four", "");
  content::AddCustomAction("FirstCA", "InstallFinalize", 51, "PROP", "again", "");
  content::InsertIntoSequence("InstallExecuteSequence", "SECONDCA", "InstallFinalize", "");

  auto actions = SavedRows("CustomAction");
  ASSERT_TRUE(FindRow(actions, "FirstCA"));
  EXPECT_EQ((*FindRow(actions, "FirstCA"))[3], "one") << "an existing action is kept";
  EXPECT_EQ((*FindRow(actions, "FirstCA"))[1], "51");

  for (const char* table : {"InstallExecuteSequence", "InstallUISequence", "AdvtExecuteSequence"}) {
    auto rows = SavedRows(table);
    const auto* anchor = FindRow(rows, "CostFinalize");
    const auto* first = FindRow(rows, "FirstCA");
    const auto* second = FindRow(rows, "SecondCA");
    const auto* lost = FindRow(rows, "LostCA");
    const auto* after = FindRow(rows, "AfterLost");
    ASSERT_TRUE(anchor && first && second && lost && after) << table;
    int anchorNumber = std::stoi((*anchor)[2]);
    int firstNumber = std::stoi((*first)[2]);
    int secondNumber = std::stoi((*second)[2]);
    EXPECT_GT(firstNumber, anchorNumber) << table;
    EXPECT_GT(secondNumber, firstNumber) << table;
    for (const auto& row : rows) {
      int number = std::stoi(row[2]);
      bool ours = row[0] == "FirstCA" || row[0] == "SecondCA";
      EXPECT_TRUE(ours || number <= anchorNumber || number > secondNumber) << table << " " << row[0];
    }
    EXPECT_EQ((*first)[1], "VersionNT");
    EXPECT_EQ((*lost)[2], "700") << table;
    EXPECT_GT(std::stoi((*after)[2]), 700) << table;
    // No action is listed twice.
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const auto& row) { return row[0] == "FirstCA" || row[0] == "SecondCA"; }),
              2)
        << table;
  }
  project::SetCurrentProjectWriter(nullptr);
}

TEST_F(ProjectTest, TableWritersHandOutLiveItemsOfTheirCollections) {
  LoadOptions({});
  OpenProject();
  {
    project::ComponentTableWriter components(*writer_);
    components.Reset();
    for (const char* name : {"CompOne", "CompTwo"}) {
      qv::ComPtr<qv::IComponent> component = components.AddNew();
      ASSERT_TRUE(component);
      EXPECT_EQ(component->SetName(name), qv::kOk);
      EXPECT_EQ(component->SetGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}"), qv::kOk);
      EXPECT_EQ(component->SetDirectory("INSTALLDIR"), qv::kOk);
    }
  }
  {
    // The plain template writes the collection it is handed.
    project::TableWriter<qv::IRegistryCollection, qv::IRegistryEntry> entries(*writer_);
    EXPECT_FALSE(entries.AddNew()) << "no collection yet";
    qv::ComPtr<qv::IRegistryCollection> collection;
    ASSERT_EQ(writer_->Product()->GetRegistryEntries(collection.Put()), qv::kOk);
    entries.SetCollection(collection);
    qv::ComPtr<qv::IRegistryEntry> entry = entries.AddNew();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->SetKey("Registry_W"), qv::kOk);
    EXPECT_EQ(entry->SetRoot(2), qv::kOk);
    EXPECT_EQ(entry->SetKeyPath("Software\\Writer"), qv::kOk);
    EXPECT_EQ(entry->SetComponent("CompOne"), qv::kOk);
  }
  auto components = SavedRows("Component");
  ASSERT_TRUE(FindRow(components, "CompOne"));
  ASSERT_TRUE(FindRow(components, "CompTwo"));
  EXPECT_EQ((*FindRow(components, "CompTwo"))[2], "INSTALLDIR");
  auto registry = SavedRows("Registry");
  ASSERT_TRUE(FindRow(registry, "Registry_W"));
  EXPECT_EQ((*FindRow(registry, "Registry_W"))[5], "CompOne");
}

}  // namespace
}  // namespace project_tests
