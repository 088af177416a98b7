#include "project/engine_loader.h"

#include <gtest/gtest.h>

#include "support/test_engine.h"

using namespace project;

TEST(EngineLoader, CreatesObjectsFromALibraryBesideTheProgram) {
  qv::ComPtr<testengine::ICounter> first;
  ASSERT_EQ(CreateEngineObject("QvTestEngine.dll", testengine::CLSID_Counter, testengine::IID_ICounter, &first),
            qv::kOk);
  ASSERT_TRUE(first);
  int32_t sum = 0;
  EXPECT_EQ(first->Add(2, 3, &sum), qv::kOk);
  EXPECT_EQ(sum, 5);
  int32_t created = 0;
  first->GetCreatedCount(&created);

  // The library stays loaded: a second object comes from the same library (its count goes on),
  // also when the name is spelled in another letter case.
  qv::ComPtr<testengine::ICounter> second;
  ASSERT_EQ(CreateEngineObject("qvtestengine.DLL", testengine::CLSID_Counter, testengine::IID_ICounter, &second),
            qv::kOk);
  int32_t createdAfter = 0;
  second->GetCreatedCount(&createdAfter);
  EXPECT_EQ(createdAfter, created + 1);

  // Releasing one object leaves the other usable.
  first.Reset();
  EXPECT_EQ(second->Add(-1, 1, &sum), qv::kOk);
  EXPECT_EQ(sum, 0);
}

TEST(EngineLoader, MissingLibraryOrExportIsAnUnregisteredClass) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateEngineObject("NoSuchLibrary.dll", testengine::CLSID_Counter, testengine::IID_ICounter, &object),
            static_cast<qv::HResult>(0x80040154));
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CreateEngineObject("QvNoExport.dll", testengine::CLSID_Counter, testengine::IID_ICounter, &object),
            qv::kClassNotRegistered);
  EXPECT_EQ(FindClassObjectExport("QvNoExport.dll"), nullptr);
  EXPECT_NE(FindClassObjectExport("QvTestEngine.dll"), nullptr);
}

TEST(EngineLoader, FactoryFailuresArePassedOn) {
  qv::ComPtr<testengine::ICounter> counter;
  EXPECT_EQ(CreateEngineObject("QvTestEngine.dll", testengine::IID_ICounter, testengine::IID_ICounter, &counter),
            qv::kClassNotAvailable);
  EXPECT_FALSE(counter);
  qv::ComPtr<qv::IClassFactory> wrongInterface;
  EXPECT_EQ(CreateEngineObject("QvTestEngine.dll", testengine::CLSID_Counter, qv::IID_IClassFactory, &wrongInterface),
            qv::kNoInterface);
  EXPECT_FALSE(wrongInterface);
}
