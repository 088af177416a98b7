// Which file of a component is its key path. The installer decides whether a component is
// installed, and whether to overwrite it, by its key path; a versioned file is the best key
// (file version rules), so a component's first versioned file is its key, else its first file.
// A shortcut target stays the key of its component (an advertised shortcut starts the key
// file), and a component with a registry key path keeps it.
#pragma once

#include <map>
#include <string>

namespace content {

class KeyFileChoice {
 public:
  // The key path that the component must have after this file was added, or empty when it
  // keeps the one it has. sourcePath: where the build reads the file.
  std::string FileAdded(const std::string& component, const std::string& fileKey,
                        const std::string& sourcePath, bool shortcutTarget);
  // The component's key path is a registry row: its files never take it over.
  void KeepRegistryKeyPath(const std::string& component);

 private:
  struct Choice {
    std::string keyFile;
    std::string keySource;
    bool versionKnown = false;
    bool versioned = false;
    bool fixed = false;  // a shortcut target or a registry key path
  };
  std::map<std::string, Choice> choices_;
};

}  // namespace content
