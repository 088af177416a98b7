// Environment rows that append the capture's AppendPath value to Path.
#include "shortcuts/environment_path.h"

#include "capture/path_translation.h"
#include "support/conversion_fixture.h"

namespace {

using test_support::Rows;
using test_support::RowWithKey;

class EnvironmentPathTest : public test_support::ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    UseScript("ScriptVersion('4.0')\r\n");
    capture::SetInstallDirPath("C:\\Program Files\\Acme");
  }
};

TEST_F(EnvironmentPathTest, EachElementAppendsToTheVariable) {
  OpenProject();
  shortcuts::AppendPath("Path", "C:\\Program Files\\Acme\\bin;%windir%\\Tools", true);
  shortcuts::AppendPath("Path", "C:\\A;;C:\\B", false);
  shortcuts::AppendPath("Path", "", false);
  shortcuts::AppendPath("Path", "_Short(C:\\Program Files\\Acme\\lib);", false);
  const Rows rows = SavedRows("Environment");
  EXPECT_EQ(rows, (Rows{{"EnvPath_", "*=-Path", "[~];[INSTALLDIR]bin", "RegistryData_Machine"},
                        {"EnvPath_1", "*=-Path", "[~];[WindowsFolder]Tools", "RegistryData_Machine"},
                        {"EnvPath_2", "=-Path", "[~];C:\\A", "RegistryData_Machine"},
                        {"EnvPath_3", "=-Path", "[~];C:\\B", "RegistryData_Machine"},
                        {"EnvPath_4", "=-Path", "[~];[INSTALLDIR]lib", "RegistryData_Machine"}}));
  EXPECT_EQ(SavedRows("CreateFolder"), (Rows{{"INSTALLDIR", "RegistryData_Machine"}}));
}

}  // namespace
