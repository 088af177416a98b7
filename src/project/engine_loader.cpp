#include "project/engine_loader.h"

#include <map>

#include "core/messages.h"
#include "platform/dynamic_library.h"
#include "platform/host_paths.h"
#include "platform/text.h"

namespace project {

namespace {

// Loaded libraries by file name (without regard to case, as file names on Windows). Failed
// loads are not remembered, so a later call may try again.
std::map<std::string, platform::LibraryHandle, platform::LessNoCase>& LoadedLibraries() {
  static std::map<std::string, platform::LibraryHandle, platform::LessNoCase> libraries;
  return libraries;
}

// The first engine library of the run that was there but could not be loaded.
std::string& FirstDamagedLibrary() {
  static std::string name;
  return name;
}

platform::LibraryHandle LoadEngineLibrary(const std::string& libraryName, std::string* problem) {
  auto& libraries = LoadedLibraries();
  auto found = libraries.find(libraryName);
  if (found != libraries.end()) return found->second;
  const std::string path = platform::ProgramFolder() + "/" + libraryName;
  platform::LibraryHandle handle = platform::LoadLibrary(path);
  if (!handle) {
    *problem = platform::LastLibraryError();
    core::LogTrace(core::kTraceGeneral, "Cannot load '%s': %s", path.c_str(), problem->c_str());
    return nullptr;
  }
  if (!platform::GetProcAddress(handle, qv::kDllGetClassObjectName)) {
    *problem = "it has no " + std::string(qv::kDllGetClassObjectName);
    return nullptr;
  }
  libraries.emplace(libraryName, handle);
  return handle;
}

}  // namespace

EngineLibraryState CheckEngineLibrary(const std::string& libraryName, std::string* problem) {
  std::string reason;
  if (LoadEngineLibrary(libraryName, &reason)) return EngineLibraryState::kLoaded;
  if (problem) *problem = reason;
  if (!platform::FileExists(platform::ProgramFolder() + "/" + libraryName)) return EngineLibraryState::kMissing;
  if (FirstDamagedLibrary().empty()) FirstDamagedLibrary() = libraryName;
  return EngineLibraryState::kDamaged;
}

std::string DamagedEngineLibrary() { return FirstDamagedLibrary(); }

qv::DllGetClassObjectFn FindClassObjectExport(const std::string& libraryName) {
  if (CheckEngineLibrary(libraryName) != EngineLibraryState::kLoaded) return nullptr;
  platform::LibraryHandle library = LoadedLibraries().find(libraryName)->second;
  return reinterpret_cast<qv::DllGetClassObjectFn>(
      platform::GetProcAddress(library, qv::kDllGetClassObjectName));
}

qv::HResult CreateEngineObject(const std::string& libraryName, const qv::Guid& clsid,
                               const qv::Guid& iid, void** object) {
  if (!object) return qv::kPointer;
  *object = nullptr;
  const qv::DllGetClassObjectFn getClassObject = FindClassObjectExport(libraryName);
  if (!getClassObject) return qv::kClassNotRegistered;
  qv::ComPtr<qv::IClassFactory> factory;
  const qv::HResult hr = getClassObject(clsid, qv::IID_IClassFactory, factory.PutVoid());
  if (qv::Failed(hr)) return hr;
  if (!factory) return qv::kPointer;
  return factory->CreateInstance(nullptr, iid, object);
}

}  // namespace project
