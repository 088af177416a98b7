#include "capture/registry_model.h"

#include "capture/capture_filter.h"
#include "capture/registry_text.h"
#include "core/repackager_exception.h"
#include "support/conversion_fixture.h"

using capture::RegistryModel;
using capture::RegKey;
using capture::RegValue;

namespace {

class RegistryTest : public test_support::ConversionTest {
 protected:
  void Load(RegistryModel& model, const std::string& text) {
    model.LoadRegistryText(text, "test.reg");
  }
  const RegValue& Value(const RegistryModel& model, const std::string& key, size_t index = 0) {
    const RegKey* found = model.FindKey(key);
    if (found == nullptr || found->Values().size() <= index)
      throw std::runtime_error("no value " + std::to_string(index) + " under " + key);
    return found->Values()[index];
  }
};

TEST_F(RegistryTest, KeyLinesFoldMachineClassesAndResolveRoots) {
  RegistryModel model(false);
  Load(model,
       "REGEDIT4\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.txt]\r\n@=\"txtfile\"\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.doc]\r\n@=\"docfile\"\r\n"
       "[hkey_current_user\\Software\\A],x,y,Tag,z\r\n\"v\"=\"1\"\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Fonts\\Arial,0,1,Bold]\r\n\"v\"=\"1\"\r\n"
       "[HKEY_INIFILES\\x.ini|S]\r\nk=v\r\n");
  const RegKey* txt = model.FindKey("HKEY_CLASSES_ROOT\\.txt");
  ASSERT_NE(txt, nullptr);
  EXPECT_EQ(txt->Root(), capture::kHKeyClassesRoot);
  EXPECT_EQ(txt->SubkeyPath(), ".txt");
  EXPECT_EQ(txt->ClassId(), capture::kFileExtension);
  const RegKey* doc = model.FindKey("HKEY_LOCAL_MACHINE\\Software\\Classes\\.doc");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Root(), capture::kHKeyLocalMachine);
  EXPECT_EQ(model.FindKey("HKEY_CLASSES_ROOT\\.doc"), nullptr);
  const RegKey* user = model.FindKey("HKEY_CURRENT_USER\\Software\\A");
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->FullPath(), "HKEY_CURRENT_USER\\Software\\A");
  EXPECT_EQ(user->ComponentTag(), "Tag");
  // Commas inside the key's name are part of the name.
  const RegKey* font = model.FindKey("HKEY_LOCAL_MACHINE\\Software\\Fonts\\Arial,0,1,Bold");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->ComponentTag(), "");
  const RegKey* ini = model.FindKey("hkey_inifiles\\X.INI|s");  // looked up without regard to case
  ASSERT_NE(ini, nullptr);
  EXPECT_EQ(ini->Root(), capture::kNoRoot);
  EXPECT_EQ(ini->FullPath(), "HKEY_INIFILES\\x.ini|S");
}

TEST_F(RegistryTest, CurrentUserProxyCopiesKeysAndValues) {
  RegistryModel model(true);
  Load(model,
       "[HKEY_CURRENT_USER\\Software\\A]\n\"Name\"=\"x\"\n\"Bin\"=hex:01,02,\\\n  03\n"
       "[HKEY_LOCAL_MACHINE\\Software\\B]\n\"Other\"=\"y\"\n");
  const RegKey* shadow = model.FindKey("HKEY_USERS\\.Default\\Software\\A");
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->Root(), capture::kHKeyUsers);
  EXPECT_EQ(shadow->SubkeyPath(), ".Default\\Software\\A");
  ASSERT_EQ(shadow->Values().size(), 2u);
  EXPECT_EQ(shadow->Values()[1].Data(), "010203");
  EXPECT_EQ(Value(model, "HKEY_CURRENT_USER\\Software\\A", 1).Data(), "010203");
  EXPECT_EQ(model.FindKey("HKEY_USERS\\.Default\\Software\\B"), nullptr);
  EXPECT_EQ(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\B")->Values().size(), 1u);

  RegistryModel without(false);
  Load(without, "[HKEY_CURRENT_USER\\Software\\A]\n\"Name\"=\"x\"\n");
  EXPECT_EQ(without.Keys().size(), 1u);
}

TEST_F(RegistryTest, EmptyParentsArePrunedOnlyForTheirSubkeys) {
  RegistryModel model(true);
  Load(model,
       "[HKEY_CURRENT_USER\\Software\\A]\n"
       "[HKEY_CURRENT_USER\\Software\\A\\B]\n\"v\"=\"1\"\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Empty]\n"
       "[HKEY_LOCAL_MACHINE\\Software\\EmptyTwin]\n\"v\"=\"2\"\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Last]\n");
  EXPECT_EQ(model.FindKey("HKEY_CURRENT_USER\\Software\\A"), nullptr);
  EXPECT_EQ(model.FindKey("HKEY_USERS\\.Default\\Software\\A"), nullptr);
  EXPECT_NE(model.FindKey("HKEY_CURRENT_USER\\Software\\A\\B"), nullptr);
  EXPECT_NE(model.FindKey("HKEY_USERS\\.Default\\Software\\A\\B"), nullptr);
  // A sibling whose name only begins with the empty key's name is no subkey of it.
  EXPECT_NE(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\Empty"), nullptr);
  EXPECT_NE(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\Last"), nullptr);
  EXPECT_EQ(model.Keys().size(), 5u);
}

TEST_F(RegistryTest, ValueTypesDecodeIntoDataAndRegistryTableText) {
  struct Case {
    const char* line;  // below one key of a REGEDIT4 file
    const char* name;
    const char* data;
    const char* tableValue;
  };
  const Case cases[] = {
      {"@=\"default\"", "@", "default", "default"},
      {"\"Path\"=\"C:\\\\Program Files\\\\\"", "Path", "C:\\Program Files\\", "C:\\Program Files\\"},
      {"\"Quote\"=\"say \\\"hi\\\"\"", "Quote", "say \"hi\"", "say \"hi\""},
      {"\"Count\"=dword:000000ff", "Count", "255", "#255"},
      {"\"Big\"=dword:ffffffff", "Big", "4294967295", "#4294967295"},
      {"\"Bin\"=hex:01,a2,ff", "Bin", "01a2ff", "#x01a2ff"},
      {"\"Empty\"=hex:", "Empty", "", "#x"},
      {"\"Looks\"=\"hex:01,02\"", "Looks", "0102", "#x0102"},  // a quoted text beginning with hex: too
      {"\"Multi\"=hex(7):61,00,62,00,00", "Multi", "a[~]b[~]", "[~]a[~]b[~]"},
      {"\"Long\"=hex:\\\n  01,02,\\\n  03", "Long", "010203", "#x010203"},  // continuation lines
      {"\"Wrapped\"=hex(7):61,00,\\\n  62,00,00,00", "Wrapped", "a[~]b[~][~]", "[~]a[~]b[~][~]"},
      {"\"Expand\"=hex(2):25,77,69,6e,64,69,72,25,00", "Expand", "%windir%", "#%[WindowsFolder]"},
      {"\"Hash\"=\"#1\"", "Hash", "#1", "##1"},
      {"\"Guid\"=\"{12345678-1234-1234-1234-123456789012}\"", "Guid", "{12345678-1234-1234-1234-123456789012}",
       "{12345678-1234-1234-1234-123456789012}"},
      {"\"Braces\"=\"{abc}\"", "Braces", "[\\{]abc[\\}]", "[\\{]abc[\\}]"},
      {"\"a=b\"=\"name with equals\"", "a=b", "name with equals", "name with equals"},
      // A folder's property ends with a separator already: no doubled one at install time.
      {"\"Dir\"=\"%windir%\\\\\"", "Dir", "%windir%\\", "[WindowsFolder]"},
      {"\"Sub\"=\"%windir%\\\\sub\\\\\"", "Sub", "%windir%\\sub\\", "[WindowsFolder]sub\\"},
  };
  std::string text = "[HKEY_LOCAL_MACHINE\\Software\\V]\n";
  for (const Case& c : cases) text += std::string(c.line) + "\n";
  RegistryModel model(false);
  Load(model, text);
  const auto& values = model.FindKey("HKEY_LOCAL_MACHINE\\Software\\V")->Values();
  ASSERT_EQ(values.size(), std::size(cases));
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i].Name(), cases[i].name);
    EXPECT_EQ(values[i].Data(), cases[i].data) << cases[i].line;
    EXPECT_EQ(capture::GetRegistryTableValue(values[i]), cases[i].tableValue) << cases[i].line;
  }
}

TEST_F(RegistryTest, ListNotationCollectsLinesInEveryMode) {
  RegistryModel model(false);
  Load(model,
       "[HKEY_LOCAL_MACHINE\\Software\\L]\n"
       "\"Default\"=multi_sz(s,\n\"one\"\nkey=value\n\"two\".\n"
       "\"Append\"=multi_sz( IAB ,\none\ntwo.\n"
       "\"Prepend\"=multi_sz(iap,\none.\n"
       "\"Delete\"=multi_sz(d,\n\"x\".\n"
       "\"NoComma\"=multi_sz(a)\nlast.\n"
       "\"After\"=\"plain\"\n");
  std::vector<std::string> modesAndData;
  for (const RegValue& value : model.FindKey("HKEY_LOCAL_MACHINE\\Software\\L")->Values())
    modesAndData.push_back(std::to_string(value.ListMode()) + " " + value.Data());
  EXPECT_EQ(modesAndData, (std::vector<std::string>{"6 [~]one[~]key=value[~]two[~]", "0 one[~]two[~]", "1 [~]one",
                                                    "7 [~]x", "6 [~]last[~]", "0 plain"}));
  EXPECT_EQ(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\L")->Values()[0].Type(), capture::kMultiStringList);
  const char* keywords[][2] = {{"ira", "2"}, {"ia", "3"}, {"sa", "4"}, {"a", "5"}, {"other", "6"}};
  for (const auto& [keyword, mode] : keywords) {
    RegistryModel one(false);
    Load(one, std::string("[HKEY_CURRENT_USER\\K]\n\"M\"=multi_sz(") + keyword + ",\nx.\n");
    EXPECT_EQ(std::to_string(Value(one, "HKEY_CURRENT_USER\\K").ListMode()), mode) << keyword;
  }
}

TEST_F(RegistryTest, LinesWithoutAKeyOrValueAreIgnored) {
  RegistryModel model(false);
  Load(model,
       "Windows Registry Editor Version 5.00\n"
       "\"Orphan\"=\"before any key\"\n"
       "[HKEY_LOCAL_MACHINE\\Software\\K]\n"
       "stray continuation\n"
       "\"v\"=\"1\"\n");
  EXPECT_EQ(model.Keys().size(), 1u);
  ASSERT_EQ(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\K")->Values().size(), 1u);
  EXPECT_EQ(Value(model, "HKEY_LOCAL_MACHINE\\Software\\K").Data(), "1");
}

class ExcludeNoise : public capture::CaptureFilter {
 public:
  bool IsKeyExcluded(const std::string& key) const override { return key.find("Noise") != std::string::npos; }
  bool IsValueExcluded(const std::string&, const std::string& name) const override { return name == "Skip"; }
};

TEST_F(RegistryTest, ExcludedKeysAndValuesAreDroppedWithTheirLines) {
  ExcludeNoise filter;
  capture::SetCaptureFilter(&filter);
  RegistryModel model(false);
  Load(model,
       "[HKEY_LOCAL_MACHINE\\Software\\Noise]\n\"v\"=\"1\"\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Kept]\n"
       "\"Skip\"=hex:01,\\\n  02\n"
       "\"Skip\"=multi_sz(s,\n\"a\"\n\"Next\"=\"x\".\n"
       "\"Next\"=\"y\"\n");
  capture::SetCaptureFilter(nullptr);
  EXPECT_EQ(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\Noise"), nullptr);
  const auto& values = model.FindKey("HKEY_LOCAL_MACHINE\\Software\\Kept")->Values();
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].Name(), "Next");
  EXPECT_EQ(values[0].Data(), "y");
  // The filter in place by default excludes nothing.
  EXPECT_FALSE(capture::IsKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Noise"));
}

TEST_F(RegistryTest, MarksOfKeysAndValues) {
  RegistryModel model(false);
  Load(model, "[HKEY_LOCAL_MACHINE\\Software\\M]\n\"a\"=\"1\"\n\"b\"=\"2\"\n");
  RegKey& key = *model.FindKey("HKEY_LOCAL_MACHINE\\Software\\M");
  key.Values()[0].SetMapped(true);
  key.Values()[1].SetMapped(true);
  key.SetMapped(false);  // an unmapped key: its values keep their marks
  EXPECT_TRUE(key.Values()[0].IsMapped());
  key.SetMapped(true);
  key.SetMapped(false);  // a mapped key unmapped: its values are unmapped too
  EXPECT_FALSE(key.Values()[0].IsMapped());
  EXPECT_FALSE(key.Values()[1].IsMapped());
  key.SetKeyMapped(true);
  EXPECT_TRUE(key.IsKeyMapped());
}

TEST_F(RegistryTest, FilesAreReadFromDiskOrReportedByName) {
  RegistryModel model(false);
  model.LoadRegistryFile("");  // no file named: nothing to do
  EXPECT_TRUE(model.Keys().empty());

  testenv::WriteText(dir_ / "Load.REG", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\F]\r\n\"v\"=\"1\"\r");
  model.LoadRegistryFile(dir_ / "load.reg");  // found whatever the letter case
  EXPECT_NE(model.FindKey("HKEY_LOCAL_MACHINE\\Software\\F"), nullptr);

  const std::string missing = dir_ / "missing.reg";
  try {
    model.LoadRegistryFile(missing);
    FAIL() << "no error for a missing file";
  } catch (const core::repackager_exception& e) {
    EXPECT_EQ(std::string(e.what()), "Can't open file '" + missing + "'");
  }
  // REGEDIT5 files are UTF-16 text.
  testenv::WriteText(dir_ / "unicode.reg", std::string("\xFF\xFEW\0i\0n\0", 8));
  EXPECT_THROW(model.LoadRegistryFile(dir_ / "unicode.reg"), core::repackager_exception);
}

TEST_F(RegistryTest, LongLinesAreReadWhole) {
  RegistryModel model(false);
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "ab,";
  Load(model, "[HKEY_LOCAL_MACHINE\\Software\\Long]\n\"Bin\"=hex:" + bytes + "01\n");
  EXPECT_EQ(Value(model, "HKEY_LOCAL_MACHINE\\Software\\Long").Data().size(), 40002u);
}

}  // namespace
