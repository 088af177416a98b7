#include "content/key_file_choice.h"

#include "content/versioned_files.h"

namespace content {

std::string KeyFileChoice::FileAdded(const std::string& component, const std::string& fileKey,
                                     const std::string& sourcePath, bool shortcutTarget) {
  auto [entry, first] = choices_.try_emplace(component);
  Choice& choice = entry->second;
  if (choice.fixed) return std::string();
  if (first || shortcutTarget) {
    choice.keyFile = fileKey;
    choice.keySource = sourcePath;
    choice.fixed = shortcutTarget;
    return fileKey;
  }
  // A second file: only now is the version of the first one worth reading.
  if (!choice.versionKnown) {
    choice.versioned = IsVersionedFile(choice.keySource);
    choice.versionKnown = true;
  }
  if (choice.versioned || !IsVersionedFile(sourcePath)) return std::string();
  choice.keyFile = fileKey;
  choice.keySource = sourcePath;
  choice.versioned = true;
  return fileKey;
}

void KeyFileChoice::KeepRegistryKeyPath(const std::string& component) {
  choices_[component].fixed = true;
}

}  // namespace content
