// Objects of the engine libraries beside the program (the build's, linked into the test
// programs' folder), and the loader's answers for a missing library, a library without
// DllGetClassObject, an unknown class and an unknown interface.
#include "project/engine_loader.h"

#include <gtest/gtest.h>

#include "qv/builder.h"

using namespace project;

TEST(EngineLoader, CreatesObjectsOrPassesTheFailureOn) {
  qv::ComPtr<qv::IBuilder> first, second;
  ASSERT_EQ(CreateEngineObject("SABuild.dll", qv::CLSID_Builder, qv::IID_IBuilder, &first), qv::kOk);
  ASSERT_TRUE(first);
  // The library name is matched without regard to case, as on Windows.
  ASSERT_EQ(CreateEngineObject("sabuild.DLL", qv::CLSID_Builder, qv::IID_IBuilder, &second), qv::kOk);
  EXPECT_TRUE(second);

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateEngineObject("NoSuchLibrary.dll", qv::CLSID_Builder, qv::IID_IBuilder, &object),
            static_cast<qv::HResult>(0x80040154));
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CreateEngineObject("QvNoExport.dll", qv::CLSID_Builder, qv::IID_IBuilder, &object), qv::kClassNotRegistered);
  EXPECT_EQ(FindClassObjectExport("QvNoExport.dll"), nullptr);

  qv::ComPtr<qv::IBuilder> wrongClass;
  EXPECT_EQ(CreateEngineObject("SABuild.dll", qv::IID_IBuilder, qv::IID_IBuilder, &wrongClass), qv::kClassNotAvailable);
  EXPECT_FALSE(wrongClass);
  qv::ComPtr<qv::IClassFactory> wrongInterface;
  EXPECT_EQ(CreateEngineObject("SABuild.dll", qv::CLSID_Builder, qv::IID_IClassFactory, &wrongInterface),
            qv::kNoInterface);
  EXPECT_FALSE(wrongInterface);
}
