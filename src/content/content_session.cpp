#include "content/content_session.h"

#include <memory>

#include "capture/shortcut_targets.h"
#include "content/component_writer.h"
#include "content/file_writer.h"
#include "content/icon_keys.h"
#include "content/ini_files.h"
#include "content/versioned_files.h"
#include "project/component_lookup.h"
#include "project/custom_actions.h"
#include "project/short_names.h"
#include "project/vpx_writer.h"

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
  project::ResetSequenceLists();
  ResetIconKeys();
  ResetIniFiles();
  project::ShortNames().Clear();
  capture::ResetShortcutTargets();
  StopReadingVersions();
}

namespace {

// The component lookup of the project layer, answered by the current component writer.
class SessionComponentSource final : public project::ComponentSource {
 public:
  qv::ComPtr<qv::IComponent> GetComponent(const std::string& name, bool create,
                                          bool* created) override {
    ComponentWriter* components = CurrentComponentWriter();
    if (created) *created = false;
    return components ? components->GetComponent(name, create, created)
                      : qv::ComPtr<qv::IComponent>();
  }
  void GivePerUserKeyPath(const qv::ComPtr<qv::IComponent>& component,
                          const std::string& name) override {
    if (ComponentWriter* components = CurrentComponentWriter())
      components->GivePerUserKeyPath(component, name);
  }
};

}  // namespace

project::ComponentSource& SessionComponents() {
  static SessionComponentSource source;
  return source;
}

}  // namespace content
