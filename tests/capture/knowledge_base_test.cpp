#include "capture/knowledge_base.h"

#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "capture_fixture.h"
#include "component_double.h"

using namespace capture;
using capturetest::ComponentDouble;
using capturetest::FileCollectionDouble;
using capturetest::FileDouble;

namespace {

class KnowledgeBaseTest : public capturetest::CaptureTest {
 protected:
  void TearDown() override {
    ClearKnowledgeBase();
    CaptureTest::TearDown();
  }
  static ComponentRef Ref(qv::IComponent* component) { return ComponentRef(component); }
};

TEST_F(KnowledgeBaseTest, ComponentIndexFoldsCaseStripsQuotesAndOwnsReferences) {
  ComponentDouble first("First"), second("Second");
  SetComponentFor("C:\\App\\A.dll", Ref(&first));
  EXPECT_EQ(first.references(), 1u);
  EXPECT_TRUE(HasComponentFor("c:\\app\\a.DLL"));
  EXPECT_EQ(GetComponentFor("\"C:\\APP\\A.DLL\"").Get(), &first);
  EXPECT_EQ(GetComponentFor("c:\\app\\a.dll").Get(), &first);
  EXPECT_FALSE(GetComponentFor("\"\""));
  EXPECT_FALSE(GetComponentFor("C:\\App\\B.dll"));
  // Replacing takes a reference on the new component and releases the old one.
  SetComponentFor("c:\\app\\a.dll", Ref(&second));
  EXPECT_EQ(first.references(), 0u);
  EXPECT_EQ(second.references(), 1u);
  SetProgIdComponent("App.Doc", Ref(&second));
  EXPECT_TRUE(HasProgIdComponent("App.Doc"));
  EXPECT_FALSE(HasProgIdComponent("app.doc"));
  EXPECT_EQ(GetProgIdComponent("App.Doc").Get(), &second);
  EXPECT_EQ(second.references(), 2u);
  ClearKnowledgeBase();
  EXPECT_EQ(second.references(), 0u);
  EXPECT_FALSE(HasComponentFor("c:\\app\\a.dll"));
}

TEST_F(KnowledgeBaseTest, ProgIdIndexesAndTheirGetters) {
  LinkProgIdExtension("App.Doc", ".adoc");
  EXPECT_TRUE(HasProgIdExtension("APP.DOC"));
  EXPECT_EQ(GetProgIdExtension("app.doc"), ".adoc");
  EXPECT_TRUE(HasExtensionProgId(".adoc"));
  EXPECT_FALSE(HasExtensionProgId(".ADOC"));
  EXPECT_EQ(GetExtensionProgId(".adoc"), "App.Doc");
  EXPECT_EQ(GetExtensionProgId(".none"), "");
  EXPECT_FALSE(HasExtensionProgId(".none"));
  // The getter adds an empty entry.
  EXPECT_EQ(GetProgIdExtension("Other"), "");
  EXPECT_TRUE(HasProgIdExtension("other"));

  SetClsidProgId("{abc}", "App.Doc.1");
  EXPECT_TRUE(HasClsidProgId("{ABC}"));
  EXPECT_EQ(GetClsidProgId("{Abc}"), "App.Doc.1");
  EXPECT_TRUE(IsProgIdOfSomeClsid("app.doc.1"));
  SetClsidProgId("{ABC}", "App.Doc.2");
  EXPECT_FALSE(IsProgIdOfSomeClsid("App.Doc.1"));
  EXPECT_TRUE(IsProgIdOfSomeClsid("APP.DOC.2"));
  EXPECT_FALSE(HasClsidProgId("{def}"));
  EXPECT_EQ(GetClsidProgId("{def}"), "");
  EXPECT_TRUE(HasClsidProgId("{DEF}"));

  LinkVersionIndependent("App.Doc.2", "App.Doc");
  EXPECT_TRUE(HasVersionIndependent("App.Doc.2"));
  EXPECT_EQ(GetVersionIndependent("App.Doc.2"), "App.Doc");
  EXPECT_EQ(GetProgIdForVersionIndependent("App.Doc"), "App.Doc.2");
  EXPECT_FALSE(HasProgIdForVersionIndependent("app.doc"));
  EXPECT_EQ(GetVersionIndependent("Missing"), "");
  EXPECT_TRUE(HasVersionIndependent("Missing"));

  AddProgIdWithVerbs("App.Doc");
  EXPECT_TRUE(HasProgIdWithVerbs("APP.doc"));
  EXPECT_FALSE(HasProgIdWithVerbs("App.Doc.2"));

  GetNameTableEntry("Tool.LNK") = "Tool~1";
  EXPECT_EQ(GetNameTableEntry("tool.lnk"), "Tool~1");
  EXPECT_EQ(GetNameTableEntry("new"), "");

  ClearKnowledgeBase();
  EXPECT_FALSE(HasProgIdExtension("app.doc"));
  EXPECT_FALSE(IsProgIdOfSomeClsid("App.Doc.2"));
  EXPECT_FALSE(HasProgIdWithVerbs("App.Doc"));
  EXPECT_EQ(GetNameTableEntry("Tool.LNK"), "");
}

TEST_F(KnowledgeBaseTest, UsedKeysNeedEveryBit) {
  MarkKeyUsed(0x01, "readme.txt");
  EXPECT_TRUE(IsKeyUsed(0x01, "readme.txt"));
  EXPECT_FALSE(IsKeyUsed(0x01 | 0x02, "readme.txt"));
  EXPECT_FALSE(IsKeyUsed(0x01, "README.TXT"));
  MarkKeyUsed(0x02, "readme.txt");
  EXPECT_TRUE(IsKeyUsed(0x03, "readme.txt"));
  EXPECT_FALSE(IsKeyUsed(0x01, "unknown"));
  ClearKnowledgeBase();
  EXPECT_FALSE(IsKeyUsed(0x01, "readme.txt"));
}

TEST_F(KnowledgeBaseTest, DumpsGoToTheLogAtTheirTraceLevel) {
  const std::string logPath = dir_ / "kb.log";
  frontend::OpenConversionLogAt(logPath, frontend::kTraceKnowledgeBase);
  ComponentDouble component("AppComponent");
  SetComponentFor("C:\\App\\a.exe", Ref(&component));
  SetProgIdComponent("App.Doc", Ref(&component));
  LinkVersionIndependent("App.Doc.1", "App.Doc");
  LinkProgIdExtension("App.Doc", ".adoc");
  SetClsidProgId("{abc}", "App.Doc.1");
  AddProgIdWithVerbs("App.Doc");
  ClearKnowledgeBase();
  frontend::CloseConversionLog();
  const std::string log = testenv::ReadText(logPath);
  const std::string rule(55, '~');
  const std::vector<std::string> expected = {
      rule, "KB::Components", "c:\\app\\a.exe\t\t--> AppComponent",
      rule, "KB::ProgIDs", "     Components:", "         App.Doc\t\t--> AppComponent",
      "     ProgID to VI ProgID:", "         App.Doc.1\t\t--> App.Doc",
      rule, "KB::ProgIDS to File Extensions", "app.doc\t\t--> .adoc",
      rule, "KB::CLSIDProgIDs to ProgID", "{ABC}\t\t--> App.Doc.1",
      rule, "KB::ProgIDs that have Verbs", "App.Doc"};
  size_t position = 0;
  for (const std::string& line : expected) {
    position = log.find(line, position);
    ASSERT_NE(position, std::string::npos) << "missing in order: " << line << "\n" << log;
    position += line.size();
  }
  EXPECT_EQ(component.references(), 0u);

  // Without the level nothing is written.
  frontend::OpenConversionLogAt(logPath, frontend::kTraceFile);
  SetComponentFor("x", Ref(&component));
  ClearKnowledgeBase();
  frontend::CloseConversionLog();
  EXPECT_EQ(testenv::ReadText(logPath).find("KB::"), std::string::npos);
}

TEST_F(KnowledgeBaseTest, ShortFileReferencesUseTheComponentsFileRows) {
  FileDouble readme("readme.txt", "README~1.TXT|ReadMe.txt");
  FileDouble tool("tool.exe", "Tool.exe");
  FileCollectionDouble files({&readme, &tool});
  ComponentDouble component("App", &files);
  SetComponentFor("%ProgramFilesFolder%\\App\\Tool.exe", Ref(&component));
  SetComponentFor("%ProgramFilesFolder%\\App\\ReadMe.txt", Ref(&component));

  RegistryModel model(false);
  model.LoadRegistryText(
      "[HKEY_LOCAL_MACHINE\\Software\\S]\n"
      "\"Run\"=\"_Short(%ProgramFilesFolder%\\\\App\\\\tool.EXE) /s\"\n"
      "\"Two\"=\"_Short(%ProgramFilesFolder%\\\\App\\\\readme.txt);_Short(%ProgramFilesFolder%\\\\App\\\\Tool.exe)\"\n"
      "\"Unknown\"=\"_Short(%windir%\\\\x.exe)\"\n",
      "short.reg");
  const auto& values = model.FindKey("HKEY_LOCAL_MACHINE\\Software\\S")->Values();
  EXPECT_EQ(GetRegistryTableValue(values[0]), "[!tool.exe] /s");
  EXPECT_EQ(GetRegistryTableValue(values[1]), "[!readme.txt];[!tool.exe]");
  // A file the project does not know keeps the path conversion, without the marker.
  EXPECT_EQ(GetRegistryTableValue(values[2]), "[WindowsFolder]x.exe");
  EXPECT_EQ(readme.references(), 0u);
  ClearKnowledgeBase();
  EXPECT_EQ(component.references(), 0u);
  EXPECT_EQ(files.references(), 0u);
}

}  // namespace
