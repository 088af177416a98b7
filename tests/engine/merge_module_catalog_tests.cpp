// The merge module catalog (QvMMCat.dll) over merge modules made by msitools: look-ups by file
// and by folder, the order among several modules, modules it cannot read, the row it writes into
// a project, and its index kept in the user's cache folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine_support.h"
#include "qv/mmcat.h"
#include "qv/project_tables.h"

using namespace engine_test;
using qv::ComPtr;

namespace {

std::string Fixture(const std::string& name) { return std::string(FERNCLIP_MERGE_MODULES_DIR) + "/" + name; }

// Points the user's cache folder into the scratch folder for the test's length.
class CacheFolder {
 public:
  explicit CacheFolder(const ScratchDir& dir) {
    if (const char* old = std::getenv("XDG_CACHE_HOME")) saved_ = old;
    setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
    index_ = dir.File("cache") + "/fernclip/merge-modules.index";
  }
  ~CacheFolder() {
    if (saved_) setenv("XDG_CACHE_HOME", saved_->c_str(), 1);
    else unsetenv("XDG_CACHE_HOME");
  }
  const std::string& Index() const { return index_; }

 private:
  std::optional<std::string> saved_;
  std::string index_;
};

ComPtr<qv::IMergeModuleCatalog> Catalog(const std::string& searchPath) {
  auto catalog = Create<qv::IMergeModuleCatalog>("QvMMCat.dll", qv::CLSID_MergeModuleCatalog, qv::IID_IMergeModuleCatalog);
  EXPECT_EQ(catalog->SetSearchPath(searchPath), qv::kOk);
  return catalog;
}

// The name of the module found by file ("" when none), and by path when path is given.
std::string ByFile(qv::IMergeModuleCatalog* catalog, const std::string& file, const std::string& language,
                   const std::string& version) {
  ComPtr<qv::IMergeModule> module;
  const qv::HResult hr = catalog->FindByFile(file, language, version, module.Put());
  std::string name;
  if (hr == qv::kOk) module->GetName(&name);
  else EXPECT_EQ(hr, qv::kFalse);
  return name;
}
std::string ByPath(qv::IMergeModuleCatalog* catalog, const std::string& path, const std::string& language,
                   const std::string& version) {
  ComPtr<qv::IMergeModule> module;
  const qv::HResult hr = catalog->FindByPathVersion(path, language, version, module.Put());
  std::string name;
  if (hr == qv::kOk) module->GetName(&name);
  else EXPECT_EQ(hr, qv::kFalse);
  return name;
}

}  // namespace

TEST(MergeModuleCatalog, FindsTheModuleThatCarriesAFileByNameLanguageVersionAndFolder) {
  ScratchDir dir;
  CacheFolder cache(dir);
  std::filesystem::create_directories(dir.File("mm"));
  CopyFile(Fixture("fernrt.msm"), dir.File("mm/fernrt.msm"));
  CopyFile(Fixture("fernext.msm"), dir.File("mm/fernext.msm"));
  WriteFile(dir.File("mm/broken.msm"), "not a database\n");
  CopyFile(BlankTemplate(), dir.File("mm/template.msm"));
  auto catalog = Catalog(" " + dir.File("missing") + " ,," + dir.File("mm"));

  EXPECT_EQ(ByFile(catalog.Get(), "FERNRT.DLL", "1033", "2.5.0.1"), "fernrt.msm");
  EXPECT_EQ(ByFile(catalog.Get(), "fernrt.dll", "", "2.5.0.1"), "fernrt.msm");
  EXPECT_EQ(ByFile(catalog.Get(), "fernrt.dll", "1031", "2.5.0.1"), "");
  EXPECT_EQ(ByFile(catalog.Get(), "fernrt.dll", "1033", "2.5.0.2"), "");
  EXPECT_EQ(ByFile(catalog.Get(), "fernrt.dll", "1033", ""), "");  // an unversioned copy is another file
  EXPECT_EQ(ByFile(catalog.Get(), "fernrt.txt", "1031", ""), "fernrt.msm");  // no language: any
  EXPECT_EQ(ByFile(catalog.Get(), "fernrt.txt", "", "1.0.0.0"), "");
  EXPECT_EQ(ByFile(catalog.Get(), "fernext.txt", "1033", ""), "fernext.msm");
  EXPECT_EQ(ByFile(catalog.Get(), "other.dll", "1033", ""), "");

  EXPECT_EQ(ByPath(catalog.Get(), "/cap/app/SystemFolder\\fernrt.dll", "1033", "2.5.0.1"), "fernrt.msm");
  EXPECT_EQ(ByPath(catalog.Get(), "[SystemFolder]fernrt.txt", "", ""), "fernrt.msm");
  EXPECT_EQ(ByPath(catalog.Get(), "/cap/app/WindowsFolder\\fernrt.dll", "1033", "2.5.0.1"), "");
  EXPECT_EQ(ByPath(catalog.Get(), "fernrt.dll", "1033", "2.5.0.1"), "");

  // What could not be read is named, and nothing else.
  std::vector<std::string> problems;
  ASSERT_EQ(catalog->GetProblems(&problems), qv::kOk);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("broken.msm: not a readable MSI database"), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("template.msm: no ModuleSignature"), std::string::npos) << problems[1];

  // Several modules carry the file: the first folder of the search path wins, then the first
  // module file name.
  std::filesystem::create_directories(dir.File("early"));
  CopyFile(Fixture("fernrt.msm"), dir.File("early/zz-runtime.msm"));
  CopyFile(Fixture("fernrt.msm"), dir.File("early/yy-runtime.msm"));
  EXPECT_EQ(ByFile(Catalog(dir.File("mm") + "," + dir.File("early")).Get(), "fernrt.dll", "1033", "2.5.0.1"), "fernrt.msm");
  EXPECT_EQ(ByFile(Catalog(dir.File("early") + "," + dir.File("mm")).Get(), "fernrt.dll", "1033", "2.5.0.1"), "yy-runtime.msm");

  // The project row: one per module and feature, with the module's path, language and version.
  std::string path;
  auto project = OpenTemplateCopy(dir, &path);
  ComPtr<qv::IMergeModule> module;
  ASSERT_EQ(catalog->FindByFile("fernrt.txt", "", "", module.Put()), qv::kOk);
  EXPECT_EQ(module->AddToProject(project.Get(), "Complete"), qv::kOk);
  EXPECT_EQ(module->AddToProject(project.Get(), "Complete"), qv::kFalse);
  EXPECT_EQ(module->AddToProject(project.Get(), "Extras"), qv::kOk);
  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  const std::string real = std::filesystem::canonical(dir.File("mm/fernrt.msm")).string();
  EXPECT_EQ(DumpTable(path, qv::kMergeModuleTable),
            (std::vector<std::string>{"fernrt.msm\tComplete\t" + real + "\t1033\t2.5.0.1",
                                      "fernrt.msm\tExtras\t" + real + "\t1033\t2.5.0.1"}));
}

TEST(MergeModuleCatalog, KeepsItsIndexInTheCacheFolderAndRefreshesWhatChanged) {
  namespace fs = std::filesystem;
  ScratchDir dir;
  CacheFolder cache(dir);
  fs::create_directories(dir.File("mm"));
  const std::string module = dir.File("mm/runtime.msm");
  CopyFile(Fixture("fernrt.msm"), module);
  EXPECT_EQ(ByFile(Catalog(dir.File("mm")).Get(), "fernrt.dll", "1033", "2.5.0.1"), "runtime.msm");
  const std::string index = ReadFile(cache.Index());
  EXPECT_NE(index.find("fernrt.dll"), std::string::npos) << index;

  // An unchanged module (same size and time) is not read again: the index answers.
  const auto time = fs::last_write_time(module);
  const std::string bytes = ReadFile(module);
  WriteFile(module, std::string(bytes.size(), 'x'));
  fs::last_write_time(module, time);
  EXPECT_EQ(ByFile(Catalog(dir.File("mm")).Get(), "fernrt.dll", "1033", "2.5.0.1"), "runtime.msm");

  // A changed module is read again.
  CopyFile(Fixture("fernext.msm"), module);
  {
    auto catalog = Catalog(dir.File("mm"));
    EXPECT_EQ(ByFile(catalog.Get(), "fernrt.dll", "1033", "2.5.0.1"), "");
    EXPECT_EQ(ByFile(catalog.Get(), "fernext.txt", "1033", ""), "runtime.msm");
  }

  // A damaged or foreign index is ignored and written anew.
  const std::string good = ReadFile(cache.Index());
  for (const std::string& damaged :
       {std::string("garbage\n"), good.substr(0, good.size() / 2), good.substr(0, good.find("\nF\t")) + "\nF\tx\\q\n",
        std::string("fernclip merge module index 1\nM\t") + module + "\t-1\t0\t\t\t\nend\t1\n", std::string(3000, '\0')}) {
    WriteFile(cache.Index(), damaged);
    EXPECT_EQ(ByFile(Catalog(dir.File("mm")).Get(), "fernext.txt", "1033", ""), "runtime.msm");
    EXPECT_EQ(ReadFile(cache.Index()), good);
  }
}
