// The knowledge base's indexes with their letter-case rules, the getters that add entries, and
// the dumps at the end of a conversion; components are real ones of an open project.
#include "capture/knowledge_base.h"

#include "project/component_lookup.h"
#include "support/conversion_fixture.h"

using namespace capture;

namespace {

class KnowledgeBaseTest : public test_support::ConversionTest {
 protected:
  static std::string NameOf(const ComponentRef& component) {
    std::string name = "<none>";
    if (component) component->GetName(&name);
    return name;
  }
};

TEST_F(KnowledgeBaseTest, ComponentIndexFoldsCaseAndStripsQuotes) {
  OpenProject();
  const ComponentRef first = project::GetComponent("First", true), second = project::GetComponent("Second", true);
  SetComponentFor("c:\\app\\a.dll", first);
  EXPECT_TRUE(HasComponentFor("C:\\App\\A.dll"));
  EXPECT_EQ(NameOf(GetComponentFor("\"C:\\APP\\A.DLL\"")), "First");
  EXPECT_FALSE(GetComponentFor("\"\""));
  EXPECT_FALSE(GetComponentFor("C:\\App\\B.dll"));
  SetComponentFor("C:\\APP\\a.dll", second);  // replaces
  EXPECT_EQ(NameOf(GetComponentFor("c:\\app\\a.dll")), "Second");
  // ProgIDs compare exactly.
  SetProgIdComponent("App.Doc", second);
  EXPECT_EQ(NameOf(GetProgIdComponent("App.Doc")), "Second");
  EXPECT_FALSE(HasProgIdComponent("app.doc"));
  ClearKnowledgeBase();
  EXPECT_FALSE(HasComponentFor("c:\\app\\a.dll"));
  EXPECT_FALSE(HasProgIdComponent("App.Doc"));
}

TEST_F(KnowledgeBaseTest, ProgIdIndexesAndTheGettersThatAddEntries) {
  LinkProgIdExtension("App.Doc", ".adoc");
  EXPECT_EQ(GetProgIdExtension("app.doc"), ".adoc");
  EXPECT_EQ(GetExtensionProgId(".adoc"), "App.Doc");
  EXPECT_FALSE(HasExtensionProgId(".ADOC"));
  EXPECT_EQ(GetExtensionProgId(".none"), "");
  EXPECT_FALSE(HasExtensionProgId(".none"));
  EXPECT_EQ(GetProgIdExtension("Other"), "");
  EXPECT_TRUE(HasProgIdExtension("other"));

  SetClsidProgId("{abc}", "App.Doc.1");
  EXPECT_EQ(GetClsidProgId("{Abc}"), "App.Doc.1");
  EXPECT_TRUE(IsProgIdOfSomeClsid("app.doc.1"));
  SetClsidProgId("{ABC}", "App.Doc.2");
  EXPECT_FALSE(IsProgIdOfSomeClsid("App.Doc.1"));
  EXPECT_EQ(GetClsidProgId("{def}"), "");
  EXPECT_TRUE(HasClsidProgId("{DEF}"));

  LinkVersionIndependent("App.Doc.2", "App.Doc");
  EXPECT_EQ(GetVersionIndependent("App.Doc.2"), "App.Doc");
  EXPECT_EQ(GetProgIdForVersionIndependent("App.Doc"), "App.Doc.2");
  EXPECT_FALSE(HasProgIdForVersionIndependent("app.doc"));
  EXPECT_EQ(GetVersionIndependent("Missing"), "");
  EXPECT_TRUE(HasVersionIndependent("Missing"));

  AddProgIdWithVerbs("App.Doc");
  EXPECT_TRUE(HasProgIdWithVerbs("APP.doc"));
  GetNameTableEntry("Tool.LNK") = "Tool~1";
  EXPECT_EQ(GetNameTableEntry("tool.lnk"), "Tool~1");

  ClearKnowledgeBase();
  EXPECT_FALSE(HasProgIdExtension("app.doc"));
  EXPECT_FALSE(IsProgIdOfSomeClsid("App.Doc.2"));
  EXPECT_FALSE(HasProgIdWithVerbs("App.Doc"));
  EXPECT_EQ(GetNameTableEntry("Tool.LNK"), "");
}

TEST_F(KnowledgeBaseTest, DumpsGoToTheLogAtTheirTraceLevel) {
  OpenProject();
  const std::string logPath = dir_ / "kb.log";
  core::OpenConversionLogAt(logPath, core::kTraceKnowledgeBase);
  const ComponentRef component = project::GetComponent("AppComponent", true);
  SetComponentFor("C:\\App\\a.exe", component);
  SetProgIdComponent("App.Doc", component);
  LinkVersionIndependent("App.Doc.1", "App.Doc");
  LinkProgIdExtension("App.Doc", ".adoc");
  SetClsidProgId("{abc}", "App.Doc.1");
  AddProgIdWithVerbs("App.Doc");
  ClearKnowledgeBase();
  core::CloseConversionLog();
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

  // Without the level nothing is written.
  core::OpenConversionLogAt(logPath, core::kTraceFile);
  SetComponentFor("x", component);
  ClearKnowledgeBase();
  core::CloseConversionLog();
  EXPECT_EQ(testenv::ReadText(logPath).find("KB::"), std::string::npos);
}

}  // namespace
