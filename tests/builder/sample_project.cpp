#include "sample_project.h"

#include <random>

#include "support/msi_dump.h"
#include "support/test_env.h"

namespace buildertest {

SampleProject FillSampleProject(EngineProject& project, const std::string& captureFolder) {
  using V = qv::Variant;
  SampleProject sample;
  sample.captureFolder = captureFolder;
  const std::string program = testenv::ReadText(std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/versioned.exe");
  std::mt19937 random(7);
  std::string noise(300000, '\0');
  for (char& c : noise) c = char(random());
  sample.files["app.exe"] = {"app.exe", program};
  sample.files["readme.txt"] = {"Read Me.txt", "Read me first.\r\n"};
  sample.files["data.bin"] = {"data.bin", noise};
  sample.files["guide.txt"] = {"Guide.txt", std::string(50000, 'g')};
  testenv::WriteText(captureFolder + "/ProgramFiles/App/app.exe", program);
  testenv::WriteText(captureFolder + "/ProgramFiles/App/Read Me.txt", sample.files["readme.txt"].second);
  testenv::WriteText(captureFolder + "/ProgramFiles/App/data.bin", noise);
  testenv::WriteText(captureFolder + "/ProgramFiles/App/DOCS/GUIDE.TXT", sample.files["guide.txt"].second);  // case differs

  project.SetProperty("SOURCEFILEPATH", captureFolder);
  project.SetProperty("ProductName", "Sample Tool");
  project.SetProperty("Manufacturer", "Fernclip Tests");
  project.AddRow("Directory", {V::Text("DocsDir"), V::Text("INSTALLDIR"), V::Text("Docs")});
  project.AddComponent("MainComponent", "INSTALLDIR", 0, "app.exe");
  project.AddComponent("DocsComponent", "DocsDir", 0, "guide.txt");
  project.AddFile("app.exe", "MainComponent", "app.exe", "<SOURCEFILEPATH>\\ProgramFiles\\App\\app.exe");
  project.AddFile("readme.txt", "MainComponent", "README~1.TXT|Read Me.txt",
                  "<SOURCEFILEPATH>\\ProgramFiles\\App\\Read Me.txt");
  project.AddFile("data.bin", "MainComponent", "data.bin", "<SOURCEFILEPATH>\\ProgramFiles\\App\\data.bin");
  project.AddFile("guide.txt", "DocsComponent", "Guide.txt", "<SOURCEFILEPATH>\\ProgramFiles\\App\\docs\\guide.txt");
  project.AddRow("Registry", {V::Text("reg1"), V::Int(2), V::Text("Software\\Fernclip Sample"), V::Text("Text"),
                              V::Text("hello"), V::Text("MainComponent")});
  project.AddRow("Registry", {V::Text("reg2"), V::Int(2), V::Text("Software\\Fernclip Sample"), V::Text("Count"),
                              V::Text("#42"), V::Text("MainComponent")});
  project.AddRow("QvAppPath", {V::Text("MainComponent"), V::Text("APP.EXE"), V::Text("[INSTALLDIR]")});
  // A DLL call of the setup, to a function that the DLL lacks: the wrapper reports it and goes on.
  testenv::WriteText(captureFolder + "/Setup/util.dll",
                     testenv::ReadText(std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/call_target.dll"));
  project.AddRow("CustomAction",
                 {V::Text("DLLCA1"), V::Int(131072), V::Text("<SOURCEFILEPATH>\\Setup\\util.dll"), V::Text("VOID util::Init()")});
  project.AddRow("InstallExecuteSequence", {V::Text("DLLCA1"), V::Null(), V::Int(1001)});
  return sample;
}

}  // namespace buildertest
