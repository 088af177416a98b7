#include "source_image.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace builder {
namespace {

std::string PickName(const std::string& names, bool shortNames) {
  const size_t bar = names.find('|');
  if (bar == std::string::npos) return names;
  return shortNames ? names.substr(0, bar) : names.substr(bar + 1);
}

bool IsRoot(const DirectoryEntry& directory) { return directory.parent.empty() || directory.parent == directory.key; }

// An 8.3 name needs no short form: at most eight characters of letters, digits and '_'.
bool IsShortName(const std::string& name) {
  if (name.empty() || name.size() > 8) return false;
  for (unsigned char c : name)
    if (!std::isalnum(c) && c != '_') return false;
  return true;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::map<std::string, std::string> OwnRootSourceFolders(const std::vector<DirectoryEntry>& directories) {
  std::set<std::string> roots, shortNamesTaken;  // short names compared in upper case
  for (const DirectoryEntry& d : directories)
    if (IsRoot(d)) roots.insert(d.key);
  for (const DirectoryEntry& d : directories)
    if (!IsRoot(d) && roots.count(d.parent)) {
      shortNamesTaken.insert(UpperCase(SourceNameOf(d.defaultDir, /*shortNames=*/true)));
    }
  std::map<std::string, std::string> changed;
  for (const DirectoryEntry& d : directories) {
    if (IsRoot(d) || !roots.count(d.parent) || SourceNameOf(d.defaultDir, false) != ".") continue;
    const size_t colon = d.defaultDir.find(':');
    const std::string target = colon == std::string::npos ? d.defaultDir : d.defaultDir.substr(0, colon);
    std::string source = d.key;
    if (!IsShortName(d.key) || shortNamesTaken.count(UpperCase(d.key))) {
      std::string stem;
      for (unsigned char c : d.key)
        if (std::isalnum(c) && stem.size() < 6) stem += char(std::toupper(c));
      if (stem.empty()) stem = "DIR";
      std::string shortName;
      for (int n = 1;; ++n) {
        const std::string number = "~" + std::to_string(n);
        shortName = stem.substr(0, std::min(stem.size(), 8 - number.size())) + number;
        if (!shortNamesTaken.count(shortName)) break;
      }
      source = shortName + "|" + d.key;
    }
    shortNamesTaken.insert(UpperCase(SourceNameOf(source, true)));
    changed[d.key] = target + ":" + source;
  }
  return changed;
}

std::string SourceNameOf(const std::string& defaultDir, bool shortNames) {
  const size_t colon = defaultDir.find(':');
  const std::string part = colon == std::string::npos ? defaultDir : defaultDir.substr(colon + 1);
  return PickName(part, shortNames);
}

std::string FileNameOf(const std::string& fileName, bool shortNames) { return PickName(fileName, shortNames); }

std::map<std::string, std::string> SourceImageFolders(const std::vector<DirectoryEntry>& directories,
                                                      bool shortNames) {
  std::map<std::string, const DirectoryEntry*> byKey;
  for (const DirectoryEntry& d : directories) byKey.emplace(d.key, &d);

  std::map<std::string, std::string> folders;
  for (const DirectoryEntry& start : directories) {
    if (folders.count(start.key)) continue;
    // Walk up to a resolved ancestor or a root, then resolve the chain downwards: each
    // directory is resolved once, so the whole tree costs n log n.
    std::vector<const DirectoryEntry*> chain;
    std::map<std::string, bool> onChain;
    const DirectoryEntry* at = &start;
    std::string base;
    while (true) {
      if (auto known = folders.find(at->key); known != folders.end()) {
        base = known->second;
        break;
      }
      if (onChain.count(at->key)) {  // a cycle: its members lie at the root
        base.clear();
        break;
      }
      chain.push_back(at);
      onChain[at->key] = true;
      if (at->parent.empty() || at->parent == at->key) {
        base.clear();
        chain.back() = nullptr;  // a root: the image root itself
        folders[at->key] = "";
        break;
      }
      auto parent = byKey.find(at->parent);
      if (parent == byKey.end()) {
        base.clear();
        break;
      }
      at = parent->second;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      if (!*it) continue;
      const std::string name = SourceNameOf((*it)->defaultDir, shortNames);
      base = (name.empty() || name == ".") ? base : base + name + "/";
      folders[(*it)->key] = base;
    }
  }
  return folders;
}

}  // namespace builder
