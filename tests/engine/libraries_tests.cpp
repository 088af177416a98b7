// The engine libraries as the program loads them: file names, the one export, the suite
// services, and the libraries whose work comes later answering honestly.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "engine_support.h"
#include "qv/appsvc.h"
#include "qv/builder.h"
#include "qv/mmcat.h"
#include "qv/project_tables.h"
#include "qv/upgrader.h"

using namespace engine_test;
using qv::ComPtr;

TEST(Libraries, EachLibraryHandsOutItsOneClassAndExportsOnlyDllGetClassObject) {
  const std::pair<const char*, qv::Guid> libraries[] = {{"QvEntity.DLL", qv::CLSID_Project},
                                                        {"QvUpgrd.dll", qv::CLSID_Upgrader},
                                                        {"QvAppSvc.dll", qv::CLSID_AppServices},
                                                        {"SABuild.dll", qv::CLSID_Builder},
                                                        {"QvMMCat.dll", qv::CLSID_MergeModuleCatalog}};
  for (const auto& [file, clsid] : libraries) {
    ComPtr<qv::IUnknown> object;
    EXPECT_EQ(CreateEngineObject(file, clsid, qv::IID_IUnknown, object.PutVoid()), qv::kOk) << file;
    EXPECT_EQ(CreateEngineObject(file, qv::CLSID_Project == clsid ? qv::CLSID_Upgrader : qv::CLSID_Project, qv::IID_IUnknown,
                                 object.PutVoid()),
              qv::kClassNotAvailable)
        << file;
    std::string symbols = RunCommand("nm -D --defined-only '" + BuildDir() + "/" + file + "' | awk '{print $3}'");
    EXPECT_EQ(symbols, "DllGetClassObject\n") << file;
  }
  ComPtr<qv::IUnknown> none;
  EXPECT_EQ(CreateEngineObject("NoSuch.dll", qv::CLSID_Project, qv::IID_IUnknown, none.PutVoid()), qv::kClassNotRegistered);
  // An interface the object does not have.
  auto project = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  ComPtr<qv::IUpgrader> wrong;
  EXPECT_EQ(project->QueryInterface(qv::IID_IUpgrader, wrong.PutVoid()), qv::kNoInterface);
  // The product object needs an open project.
  ComPtr<qv::IProduct> product;
  EXPECT_EQ(project->QueryInterface(qv::IID_IProduct, product.PutVoid()), qv::kNotOpen);
}

TEST(Libraries, SuiteServicesFindTheTemplateAndRecordTheDllWrapper) {
  auto services = Create<qv::IAppServices>("QvAppSvc.dll", qv::CLSID_AppServices, qv::IID_IAppServices);
  std::string folder;
  ASSERT_EQ(services->GetTemplateFolder(&folder), qv::kOk);
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(ReadFile(folder + "QvProjBlankTpl.vpx"), ReadFile(BlankTemplate()));
  EXPECT_EQ(services->AddDllWrapper("QvWrap"), qv::kNotOpen);

  ScratchDir dir;
  std::string path;
  auto project = OpenTemplateCopy(dir, &path);
  ASSERT_EQ(services->AttachProject(project.Get()), qv::kOk);
  EXPECT_EQ(services->AddDllWrapper("QvWrap"), qv::kOk);
  EXPECT_EQ(services->AddDllWrapper("QvWrap"), qv::kFalse);
  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  EXPECT_EQ(DumpTable(path, qv::kDllWrapperTable), std::vector<std::string>{"QvWrap"});
}
