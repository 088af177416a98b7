// The project writer on a real project: features, directories and records.
#include "project/msi_record.h"
#include "support/conversion_fixture.h"

namespace {

using ProjectTest = test_support::ConversionTest;
using test_support::RowWithKey;

TEST_F(ProjectTest, NumberedFeaturesTakeAtMost500Components) {
  LoadOptions({{"ProductName", "Feat Test"}});
  OpenProject();
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "FeatTestNewFeature");
  for (int i = 0; i < 499; ++i) writer_->CountComponent();
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "FeatTestNewFeature") << "the 500th component";
  writer_->CountComponent();
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "FeatTestNewFeature2") << "the 501st component";
  EXPECT_EQ(writer_->DefaultFeature(), "FeatTestNewFeature");
  // Feature, parent, title, description, display, level, directory, attributes.
  EXPECT_EQ(SavedRows("Feature"),
            (test_support::Rows{
                {"FeatTestNewFeature", "", "FeatTestNewFeature", "FeatTestNewFeature", "2", "1", "INSTALLDIR", "0"},
                {"FeatTestNewFeature2", "FeatTestNewFeature", "FeatTestNewFeature2", "FeatTestNewFeature2", "4", "1",
                 "INSTALLDIR", "0"}}));
}

TEST_F(ProjectTest, LongProductNamesKeepTheFeatureNumber) {
  LoadOptions({{"ProductName", "An Exceedingly Long Product Name For Testing"}});
  OpenProject();
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "AnExceedinglyLongProductNameForFeature");
  for (int i = 0; i < 500; ++i) writer_->CountComponent();
  // 38 characters: the start of the name and the end of the key, which holds the number.
  EXPECT_EQ(writer_->GetFeatureForNewComponent(), "AnExceedinglyLongProductNameForeature2");
}

TEST_F(ProjectTest, FeaturesByNameAndTheCurrentFeature) {
  LoadOptions({{"ProductName", "Named"}});
  OpenProject();
  writer_->CreateFeature("Core Files (main)", "", "", "", "");
  EXPECT_EQ(writer_->CurrentFeature(), "CoreFilesmain");
  writer_->CreateFeature("Help", "Core Files (main)", "Help files", "The help", "HelpDir");
  EXPECT_EQ(writer_->CurrentFeature(), "Help");
  // With more than one feature an empty key changes nothing; a key chooses the feature.
  writer_->SetCurrentFeature("");
  EXPECT_EQ(writer_->CurrentFeature(), "Help");
  writer_->SetCurrentFeature("CoreFilesmain");
  EXPECT_EQ(writer_->CurrentFeature(), "CoreFilesmain");

  const auto features = SavedRows("Feature");
  ASSERT_EQ(features.size(), 3u);
  // An empty parent is the default feature; an empty title is the key.
  EXPECT_EQ(RowWithKey(features, "CoreFilesmain"),
            (std::vector<std::string>{"CoreFilesmain", "NamedNewFeature", "CoreFilesmain", "CoreFilesmain", "4", "1",
                                      "INSTALLDIR", "0"}));
  EXPECT_EQ(RowWithKey(features, "Help"), (std::vector<std::string>{"Help", "CoreFilesmain", "Help files", "The help",
                                                                    "6", "1", "HelpDir", "0"}));
}

TEST_F(ProjectTest, WithoutBuildFeaturesTheCurrentFeatureStaysTheDefault) {
  LoadOptions({{"BuildFeatures", "N"}});
  OpenProject();
  const std::string first = writer_->GetFeatureForNewComponent();
  writer_->SetCurrentFeature("Other");
  EXPECT_EQ(writer_->CurrentFeature(), first);
}

TEST_F(ProjectTest, KnownDirectoriesIgnoreCase) {
  OpenProject();
  for (const char* key : {"TARGETDIR", "installdir", "ProgramFilesFolder", "RecentFolder", "HISTORYFOLDER"})
    EXPECT_TRUE(writer_->IsKnownDirectory(key)) << key;
  EXPECT_FALSE(writer_->IsKnownDirectory("MyData"));
  writer_->AddDirectory("MyData", "INSTALLDIR", "Data");
  EXPECT_TRUE(writer_->IsKnownDirectory("MYDATA"));

  EXPECT_EQ(writer_->DirectoryForPath("[ProgramFilesFolder]Vendor\\Tool\\", "VendorTool"), "VendorTool");
  EXPECT_TRUE(writer_->IsKnownDirectory("vendortool"));
  // A hint that is known already is not given to a second folder.
  const std::string other = writer_->DirectoryForPath("[ProgramFilesFolder]Other\\", "VendorTool");
  EXPECT_FALSE(other.empty());
  EXPECT_NE(other, "VendorTool");
  EXPECT_TRUE(writer_->IsKnownDirectory(other));

  const auto directories = SavedRows("Directory");
  EXPECT_EQ(RowWithKey(directories, "MyData"), (std::vector<std::string>{"MyData", "INSTALLDIR", "Data"}));
  EXPECT_FALSE(RowWithKey(directories, "VendorTool").empty());
}

TEST_F(ProjectTest, RecordsWriteOneRowEachAndSurviveUnknownTables) {
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
  const auto rows = SavedRows("Registry");
  EXPECT_FALSE(RowWithKey(rows, "Registry_B").empty());
  EXPECT_EQ(RowWithKey(rows, "Registry_A").at(2), "Software\\Quill \xC3\xA9t\xC3\xA9") << "msidump writes UTF-8";
}

}  // namespace
