#include "project/component_lookup.h"

#include "project/create_folder.h"

namespace project {

namespace {

ComponentSource*& InstalledSource() {
  static ComponentSource* source = nullptr;
  return source;
}

}  // namespace

void SetComponentSource(ComponentSource* source) { InstalledSource() = source; }

qv::ComPtr<qv::IComponent> GetComponent(const std::string& name, bool create) {
  ComponentSource* source = InstalledSource();
  return source ? source->GetComponent(name, create, nullptr) : qv::ComPtr<qv::IComponent>();
}

qv::ComPtr<qv::IComponent> FindOrCreateDataComponent(const std::string& name, bool perUser) {
  ComponentSource* source = InstalledSource();
  if (!source) return qv::ComPtr<qv::IComponent>();
  bool created = false;
  qv::ComPtr<qv::IComponent> component = source->GetComponent(name, true, &created);
  if (created) WriteCreateFolder("INSTALLDIR", name);
  if (created && perUser) source->GivePerUserKeyPath(component, name);
  return component;
}

}  // namespace project
