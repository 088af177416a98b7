#include "content/content_session.h"

#include <memory>

#include "content/component_lookup.h"
#include "content/component_writer.h"
#include "content/custom_action_writer.h"
#include "content/file_writer.h"
#include "project/vpx_writer.h"
#include "shortcuts/create_folder.h"
#include "shortcuts/short_names.h"
#include "shortcuts/shortcut_targets.h"

namespace content {

namespace {

struct Session {
  project::VpxWriter* project = nullptr;
  std::unique_ptr<FileWriter> files;
  std::unique_ptr<ComponentWriter> components;
};

Session& CurrentSession() {
  static Session session;
  return session;
}

// The session of the current project writer; a new project starts a new session.
Session* SessionForCurrentProject() {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  Session& session = CurrentSession();
  if (!writer) return nullptr;
  if (session.project != writer) {
    session.components.reset();
    session.files.reset();
    session.project = writer;
    session.files = std::make_unique<FileWriter>(*writer);
    session.components = std::make_unique<ComponentWriter>(*writer, *session.files);
  }
  return &session;
}

}  // namespace

ComponentWriter* CurrentComponentWriter() {
  Session* session = SessionForCurrentProject();
  return session ? session->components.get() : nullptr;
}

FileWriter* CurrentFileWriter() {
  Session* session = SessionForCurrentProject();
  return session ? session->files.get() : nullptr;
}

void ResetContent() {
  Session& session = CurrentSession();
  session.components.reset();
  session.files.reset();
  session.project = nullptr;
  ResetSequenceLists();
  ResetIconKeys();
  shortcuts::ShortNames().Clear();
  shortcuts::ResetShortcutTargets();
}

qv::ComPtr<qv::IComponent> GetComponent(const std::string& name, bool create) {
  ComponentWriter* components = CurrentComponentWriter();
  return components ? components->GetComponent(name, create) : qv::ComPtr<qv::IComponent>();
}

qv::ComPtr<qv::IComponent> FindOrCreateDataComponent(const std::string& name, bool perUser) {
  ComponentWriter* components = CurrentComponentWriter();
  if (!components) return qv::ComPtr<qv::IComponent>();
  bool created = false;
  qv::ComPtr<qv::IComponent> component = components->GetComponent(name, true, &created);
  if (created) shortcuts::WriteCreateFolder("INSTALLDIR", name);
  if (created && perUser) components->GivePerUserKeyPath(component, name);
  return component;
}

}  // namespace content
