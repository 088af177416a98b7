#include "project/engine_loader.h"

#include <map>

#include "frontend/messages.h"
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

platform::LibraryHandle LoadEngineLibrary(const std::string& libraryName) {
  auto& libraries = LoadedLibraries();
  auto found = libraries.find(libraryName);
  if (found != libraries.end()) return found->second;
  const std::string path = platform::ProgramFolder() + "/" + libraryName;
  platform::LibraryHandle handle = platform::LoadLibrary(path);
  if (!handle) {
    frontend::LogTrace(frontend::kTraceGeneral, "Cannot load '%s': %s", path.c_str(),
                       platform::LastLibraryError().c_str());
    return nullptr;
  }
  libraries.emplace(libraryName, handle);
  return handle;
}

}  // namespace

qv::DllGetClassObjectFn FindClassObjectExport(const std::string& libraryName) {
  platform::LibraryHandle library = LoadEngineLibrary(libraryName);
  if (!library) return nullptr;
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
