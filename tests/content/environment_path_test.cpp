// Environment rows that append the capture's AppendPath value to Path.
#include "shortcuts/environment_path.h"

#include "capture/path_translation.h"
#include "content_fixture.h"
#include "support/engine_presence.h"

namespace {

using contenttest::Rows;

class EnvironmentPathTest : public contenttest::ContentTest {
 protected:
  void SetUp() override {
    SKIP_UNLESS_ENGINE_IS_BUILT();
    ContentTest::SetUp();
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
                        {"EnvPath_3", "=-Path", "[~];[INSTALLDIR]lib", "RegistryData_Machine"}}));
  EXPECT_EQ(SavedRows("CreateFolder"), (Rows{{"INSTALLDIR", "RegistryData_Machine"}}));
}

}  // namespace
