// Loading the project engine: each engine library lies beside the program, is loaded once per
// process on first use and stays loaded until exit. Its exported DllGetClassObject hands out a
// class factory, which creates the library's object.
#pragma once

#include <string>

#include "qv/com.h"

namespace project {

// The engine libraries' file names.
inline constexpr const char* kEntityLibrary = "QvEntity.DLL";
inline constexpr const char* kUpgraderLibrary = "QvUpgrd.dll";
inline constexpr const char* kAppServicesLibrary = "QvAppSvc.dll";
inline constexpr const char* kBuilderLibrary = "SABuild.dll";
inline constexpr const char* kMergeModuleCatalogLibrary = "QvMMCat.dll";

// Creates the object of class clsid from the library of that file name in the program's folder
// and asks it for interface iid. qv::kClassNotRegistered (0x80040154) when the library or its
// DllGetClassObject is missing; otherwise the result of the factory.
qv::HResult CreateEngineObject(const std::string& libraryName, const qv::Guid& clsid,
                               const qv::Guid& iid, void** object);

template <class T>
qv::HResult CreateEngineObject(const std::string& libraryName, const qv::Guid& clsid,
                               const qv::Guid& iid, qv::ComPtr<T>* object) {
  return CreateEngineObject(libraryName, clsid, iid, object->PutVoid());
}

enum class EngineLibraryState { kLoaded, kMissing, kDamaged };
// Loads the library on first use. kDamaged for a file that is there but is no loadable library
// with DllGetClassObject (cut off, overwritten, built for another machine); *problem says why.
EngineLibraryState CheckEngineLibrary(const std::string& libraryName, std::string* problem = nullptr);
// The first library that this process found damaged; empty when none.
std::string DamagedEngineLibrary();

// The library's DllGetClassObject, loading the library on first use; null when missing.
qv::DllGetClassObjectFn FindClassObjectExport(const std::string& libraryName);

}  // namespace project
