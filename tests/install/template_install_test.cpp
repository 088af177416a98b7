// A package made from the blank template through the product object installs and uninstalls
// under Wine's msiexec: the template's sequences, folders and properties carry a real package.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine_project.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;
using V = qv::Variant;

TEST(TemplateInstall, APackageFromTheBlankTemplateInstallsAndUninstalls) {
  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  const std::string work = wine->Folder() + "/template";
  fs::create_directories(work + "/capture");
  testenv::WriteText(work + "/capture/hello.txt", "hello from the template\r\n");

  buildertest::EngineProject project(work + "/Fern Template.vpx");
  qv::IProduct* product = project.Product();
  ASSERT_EQ(product->SetName("Fern Template Test"), qv::kOk);
  ASSERT_EQ(product->SetVersion("1.2.3"), qv::kOk);
  ASSERT_EQ(product->SetProperty("ProductCode", "{5A1B2C3D-0000-4000-8000-000000000001}"), qv::kOk);
  ASSERT_EQ(product->SetProperty("UpgradeCode", "{5A1B2C3D-0000-4000-8000-000000000002}"), qv::kOk);
  ASSERT_EQ(product->SetProperty("ALLUSERS", "1"), qv::kOk);
  ASSERT_EQ(product->SetMainFolder("[ProgramFilesFolder]Fern Template\\"), qv::kOk);
  project.AddRow("Feature", {V::Text("Main"), V::Null(), V::Text("Main"), V::Null(), V::Int(2), V::Int(1),
                             V::Text("INSTALLDIR"), V::Int(0)});

  // A component through the typed collection: placeholder, then named, placed and filled.
  qv::ComPtr<qv::IComponentCollection> components;
  ASSERT_EQ(product->GetComponents(components.Put()), qv::kOk);
  qv::ComPtr<qv::IComponent> component;
  ASSERT_EQ(components->AddNew(component.Put()), qv::kOk);
  ASSERT_EQ(component->SetName("Hello"), qv::kOk);
  ASSERT_EQ(component->SetGuid("{5A1B2C3D-0000-4000-8000-000000000003}"), qv::kOk);
  ASSERT_EQ(component->SetDirectory("[ProgramFilesFolder]Fern Template\\Data\\"), qv::kOk);
  ASSERT_EQ(component->AddFeature("Main"), qv::kOk);
  qv::ComPtr<qv::IFileCollection> files;
  ASSERT_EQ(component->GetFiles(files.Put()), qv::kOk);
  qv::ComPtr<qv::IFile> file;
  ASSERT_EQ(files->AddNew(file.Put()), qv::kOk);
  ASSERT_EQ(file->SetKey("hello.txt"), qv::kOk);
  ASSERT_EQ(file->SetFileName("hello.txt"), qv::kOk);
  ASSERT_EQ(file->SetSourcePath(work + "/capture/hello.txt"), qv::kOk);
  ASSERT_EQ(component->SetKeyPath("hello.txt"), qv::kOk);
  project.AddRow("Registry", {V::Text("Registry_0"), V::Int(2), V::Text("Software\\Fern Template"), V::Text("Greeting"),
                              V::Text("hello"), V::Text("Hello")});
  project.AddRow("IniFile", {V::Text("Ini_0"), V::Text("fern.ini"), V::Text("INSTALLDIR"), V::Text("Main"),
                             V::Text("Mode"), V::Text("quiet"), V::Int(0), V::Text("Hello")});
  project.SetRelease(true, false, true, "Fern Template", "{5A1B2C3D-0000-4000-8000-000000000004}");
  project.Save();
  buildertest::BuildOutcome outcome = project.Build();
  ASSERT_EQ(outcome.errors, 0) << testing::PrintToString(outcome.messages);
  ASSERT_FALSE(outcome.packagePath.empty());

  ASSERT_EQ(wine->Install(outcome.packagePath), 0);
  const std::string installed = wine->HostPath("C:\\Program Files (x86)\\Fern Template\\Data\\hello.txt");
  EXPECT_EQ(testenv::ReadText(installed), "hello from the template\r\n");
  auto value = wine->QueryValue("HKLM\\Software\\Wow6432Node\\Fern Template", "Greeting");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->data, "hello");
  std::string ini = testenv::ReadText(wine->HostPath("C:\\Program Files (x86)\\Fern Template\\fern.ini"));
  EXPECT_NE(ini.find("Mode=quiet"), std::string::npos) << ini;

  ASSERT_EQ(wine->Uninstall(outcome.packagePath), 0);
  EXPECT_FALSE(fs::exists(installed));
  EXPECT_FALSE(wine->QueryValue("HKLM\\Software\\Wow6432Node\\Fern Template", "Greeting"));
}

}  // namespace
