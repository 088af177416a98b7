#include "source_image.h"

namespace builder {
namespace {

std::string PickName(const std::string& names, bool shortNames) {
  const size_t bar = names.find('|');
  if (bar == std::string::npos) return names;
  return shortNames ? names.substr(0, bar) : names.substr(bar + 1);
}

}  // namespace

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
