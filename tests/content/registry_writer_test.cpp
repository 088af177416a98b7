// Registry rows of the captured registry data that no mapper took, in the registry data
// components. The RemoveRegistry rows are checked on a whole conversion (conversion_test).
#include "content/registry_writer.h"

#include "capture/registry_model.h"
#include "project/component_lookup.h"
#include "project/msi_record.h"
#include "support/conversion_fixture.h"

namespace {

using test_support::Rows;
using test_support::RowWithKey;

class RegistryWriterTest : public test_support::ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    UseScript("ScriptVersion('4.0')\r\n");
  }
  std::unique_ptr<capture::RegistryModel> Model(const std::string& text, bool proxy = false) {
    auto model = std::make_unique<capture::RegistryModel>(proxy);
    model->LoadRegistryText("REGEDIT4\r\n\r\n" + text, "test.reg");
    return model;
  }
  // Registry rows without their key: root, key, name, value, component.
  static std::vector<std::string> Content(std::vector<std::string> row) {
    if (!row.empty()) row.erase(row.begin());
    return row;
  }
};

// The value encodings and the first rows of each root are checked on a whole conversion
// (conversion_test); here the roots and keys that the capture there does not have.
TEST_F(RegistryWriterTest, RowsByRootEmptyKeysAndUnknownRoots) {
  OpenProject();
  auto model = Model(
      "[HKEY_CURRENT_USER\\Software\\Acme]\r\n@=\"default\"\r\n\"Size\"=dword:0000001a\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Empty]\r\n\r\n"
      "[HKEY_USERS\\.Default\\Software\\Acme]\r\n\"Shared\"=\"1\"\r\n\r\n"
      "[HKEY_CURRENT_CONFIG\\Software\\Acme]\r\n\"Odd\"=\"1\"\r\n");
  content::RegistryWriter writer(*writer_);
  writer.WriteRegistry(*model);
  // Keys in the map's order: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS. The user's data
  // has a key path of its own under HKEY_CURRENT_USER, so that every user who runs the product
  // gets it, not only the one who installed it.
  EXPECT_EQ(SavedRows("Registry"),
            (Rows{{"Registry_ICE38_", "1",
                   "SOFTWARE\\Quillmark Repackaged Applications\\QuillmarkRepackager\\test\\RegistryData_User",
                   "Installed", "1", "RegistryData_User"},
                  {"Registry_0", "1", "Software\\Acme", "", "default", "RegistryData_User"},
                  {"Registry_1", "1", "Software\\Acme", "Size", "#26", "RegistryData_User"},
                  // An empty key gives one row that creates it.
                  {"Registry_2", "2", "SOFTWARE\\Acme\\Empty", "", "", "RegistryData_Machine"},
                  // HKEY_USERS stays in the machine's component without UseHKCUProxy.
                  {"Registry_3", "3", ".Default\\Software\\Acme", "Shared", "1", "RegistryData_Machine"}}));
  // A root the installer does not know is reported, not written under another root.
  bool reported = false;
  for (const std::string& text : WarningTexts())
    reported |= text.find("HKEY_CURRENT_CONFIG\\Software\\Acme") != std::string::npos;
  EXPECT_TRUE(reported);
  const auto user = RowWithKey(SavedRows("Component"), "RegistryData_User");
  EXPECT_EQ(user.at(3) + "|" + user.at(5), "4|Registry_ICE38_");
  // The components have no key file: each gets its folder created.
  EXPECT_EQ(SavedRows("CreateFolder"),
            (Rows{{"INSTALLDIR", "RegistryData_HKCR"}, {"INSTALLDIR", "RegistryData_Machine"}, {"INSTALLDIR", "RegistryData_User"}}));
}

// The Registry table holds key paths and value names of up to 255 characters. A longer one is
// an error and its value is left out: written, it would lose its key path, or a named value
// would become the key's default value.
TEST_F(RegistryWriterTest, KeyPathsAndNamesTooLongForTheTableAreLeftOutWithAnError) {
  OpenProject();
  const std::string longKey(256, 'K'), longName(256, 'N'), longestName(255, 'M');
  auto model = Model("[HKEY_LOCAL_MACHINE\\" + longKey + "]\r\n\"Lost\"=\"1\"\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Acme]\r\n\"" + longName + "\"=\"2\"\r\n\"" + longestName +
                     "\"=\"3\"\r\n");
  content::RegistryWriter writer(*writer_);
  writer.WriteRegistry(*model);
  const Rows rows = SavedRows("Registry");
  ASSERT_EQ(rows.size(), 2u);  // with the user component's key path
  EXPECT_EQ(Content(RowWithKey(rows, "Registry_2")),
            (std::vector<std::string>{"2", "Software\\Acme", longestName, "3", "RegistryData_Machine"}));
  // The same for the removal of such values: no row that would remove the key's default value.
  auto deleted = Model("[HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n\"" + longName + "\"=\"2\"\r\n\"Kept\"=\"3\"\r\n");
  writer.WriteRemoveRegistry(*deleted);
  EXPECT_EQ(SavedRows("RemoveRegistry"),
            (Rows{{"RemoveRegistry_1", "2", "Software\\Gone", "Kept", "RemoveRegistry_Component"}}));
  const std::vector<std::string> errors = Texts(core::kError);
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_NE(errors[0].find("'Lost' of the key 'HKEY_LOCAL_MACHINE\\KKKK"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("of the key 'HKEY_LOCAL_MACHINE\\Software\\Acme'"), std::string::npos) << errors[1];
  EXPECT_NE(errors[2].find("of the key 'HKEY_LOCAL_MACHINE\\Software\\Gone' has a key path or name longer than "
                           "the installer's RemoveRegistry table holds"),
            std::string::npos)
      << errors[2];
}

TEST_F(RegistryWriterTest, MappedDataAndComponentsOfEarlierSteps) {
  OpenProject();
  auto model = Model(
      "[HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}]\r\n@=\"Server\"\r\n\"Kept\"=\"k\"\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InProcServer32]\r\n@=\"srv.dll\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Taken]\r\n\"A\"=\"1\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AllMapped]\r\n\"B\"=\"1\"\r\n");
  qv::ComPtr<qv::IComponent> server = project::GetComponent("srv.dll_COM", true);
  auto& keys = model->Keys();
  keys.find("HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}")->second.SetComponent(server);
  keys.find("HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}")->second.Values()[0].SetMapped(true);
  keys.find("HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InProcServer32")->second.SetKeyMapped(true);
  keys.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\AllMapped")->second.Values()[0].SetMapped(true);
  keys.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\AllMapped")->second.SetMapped(true);
  // A row of another step that took the first running key.
  {
    project::MSIRecord record(*writer_, "Registry");
    record.SetField(1, "Registry_0");
    record.SetField(2, 2);
    record.SetField(3, "SOFTWARE\\Other");
    record.SetField(6, "srv.dll_COM");
  }
  content::RegistryWriter writer(*writer_);
  writer.WriteRegistry(*model);
  const Rows rows = SavedRows("Registry");
  ASSERT_EQ(rows.size(), 4u);  // with the user data's key path
  EXPECT_EQ(Content(RowWithKey(rows, "Registry_1")),
            (std::vector<std::string>{"0", "CLSID\\{00000000-0000-0000-0000-000000000001}", "Kept", "k", "srv.dll_COM"}));
  EXPECT_EQ(RowWithKey(rows, "Registry_2").at(5), "RegistryData_Machine");
}

TEST_F(RegistryWriterTest, ProxyUsersAndComponentTags) {
  LoadOptions({{"UseHKCUProxy", "Y"}});
  OpenProject();
  writer_->CreateFeature("Tools", "", "Tools", "", "");
  writer_->CreateFeature("Main", "", "Main", "", "");
  auto model = Model(
      "[HKEY_USERS\\.Default\\Software\\Acme]\r\n\"Shared\"=\"1\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Tools],x,y,Tools\r\n\"T\"=\"1\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Lost],x,y,No Such Feature\r\n\"L\"=\"1\"\r\n",
      true);
  content::RegistryWriter writer(*writer_);
  writer.WriteRegistry(*model);
  const Rows rows = SavedRows("Registry");
  EXPECT_EQ(RowWithKey(rows, "Registry_0").at(5), "RegistryData_Machine_NoSuchFeature");
  EXPECT_EQ(RowWithKey(rows, "Registry_1").at(5), "RegistryData_Machine_Tools");
  // With UseHKCUProxy, HKEY_USERS is the user's data.
  EXPECT_EQ(Content(RowWithKey(rows, "Registry_2")),
            (std::vector<std::string>{"3", ".Default\\Software\\Acme", "Shared", "1", "RegistryData_User"}));
  const Rows links = SavedRows("FeatureComponents");
  auto featureOf = [&](const std::string& component) {
    for (const auto& row : links)
      if (row.at(1) == component) return row.at(0);
    return std::string();
  };
  EXPECT_EQ(featureOf("RegistryData_Machine_Tools"), "Tools");
  // A tag that names no feature leaves the component in the default feature.
  EXPECT_EQ(featureOf("RegistryData_Machine_NoSuchFeature"), writer_->DefaultFeature());
}

}  // namespace
