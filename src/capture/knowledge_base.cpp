#include "capture/knowledge_base.h"

#include <map>
#include <set>

#include "core/messages.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/keys.h"

namespace capture {
namespace {

using platform::LessNoCase;

struct KnowledgeBase {
  std::map<std::string, ComponentRef> components;        // lower key
  std::map<std::string, ComponentRef> progIdComponents;  // exact ProgID
  std::map<std::string, std::string> progIdExtensions;   // lower ProgID to extension
  std::map<std::string, std::string> extensionProgIds;   // exact extension to ProgID
  std::map<std::string, std::string> clsidProgIds;       // upper CLSID to ProgID
  // How many CLSIDs name each ProgID (any case), so that IsProgIdOfSomeClsid needs no walk.
  std::map<std::string, size_t, LessNoCase> clsidProgIdCounts;
  std::map<std::string, std::string> progIdVersionIndependent;
  std::map<std::string, std::string> versionIndependentProgIds;
  std::set<std::string> progIdsWithVerbs;
  std::set<std::string, LessNoCase> progIdsWithVerbsAnyCase;
  std::map<std::string, std::string, LessNoCase> nameTable;
};

KnowledgeBase& KB() {
  static KnowledgeBase kb;
  return kb;
}

std::string WithoutSurroundingQuotes(const std::string& key) {
  if (key.size() > 2 && key.front() == '"' && key.back() == '"')
    return key.substr(1, key.size() - 2);
  return key;
}

// A getter that adds an empty entry when the key is absent.
std::string GetOrAdd(std::map<std::string, std::string>& index, const std::string& key) {
  return index[key];
}

bool Contains(const std::map<std::string, std::string>& index, const std::string& key) {
  return index.count(key) != 0;
}

void CountClsidProgId(const std::string& progId, int delta) {
  auto& counts = KB().clsidProgIdCounts;
  if (delta > 0) {
    ++counts[progId];
    return;
  }
  const auto found = counts.find(progId);
  if (found != counts.end() && --found->second == 0) counts.erase(found);
}

std::string ComponentName(const ComponentRef& component) {
  std::string name;
  if (component) component->GetName(&name);
  return platform::Utf8ToAnsi(name);
}

void DumpRule(const char* title) {
  core::LogTrace(core::kTraceKnowledgeBase, "%s", std::string(55, '~').c_str());
  core::LogTrace(core::kTraceKnowledgeBase, "%s", title);
}

void DumpKnowledgeBase() {
  const KnowledgeBase& kb = KB();
  const auto level = core::kTraceKnowledgeBase;
  DumpRule("KB::Components");
  for (const auto& [key, component] : kb.components)
    core::LogTrace(level, "%s\t\t--> %s", key.c_str(), ComponentName(component).c_str());
  DumpRule("KB::ProgIDs");
  core::LogTrace(level, "     Components:");
  for (const auto& [progId, component] : kb.progIdComponents)
    core::LogTrace(level, "         %s\t\t--> %s", progId.c_str(),
                   ComponentName(component).c_str());
  core::LogTrace(level, "     ProgID to VI ProgID:");
  for (const auto& [progId, viProgId] : kb.progIdVersionIndependent)
    core::LogTrace(level, "         %s\t\t--> %s", progId.c_str(), viProgId.c_str());
  DumpRule("KB::ProgIDS to File Extensions");
  for (const auto& [progId, extension] : kb.progIdExtensions)
    core::LogTrace(level, "%s\t\t--> %s", progId.c_str(), extension.c_str());
  DumpRule("KB::CLSIDProgIDs to ProgID");
  for (const auto& [clsid, progId] : kb.clsidProgIds)
    core::LogTrace(level, "%s\t\t--> %s", clsid.c_str(), progId.c_str());
  DumpRule("KB::ProgIDs that have Verbs");
  for (const std::string& progId : kb.progIdsWithVerbs) core::LogTrace(level, "%s", progId.c_str());
}

}  // namespace

void SetComponentFor(const std::string& key, const ComponentRef& component) {
  // Assigning the reference takes one on the new component and releases the replaced one.
  KB().components[platform::ToLower(key)] = component;
}

bool HasComponentFor(const std::string& key) {
  return KB().components.count(platform::ToLower(key)) != 0;
}

ComponentRef GetComponentFor(const std::string& key) {
  const auto& components = KB().components;
  const auto found = components.find(platform::ToLower(WithoutSurroundingQuotes(key)));
  return found == components.end() ? ComponentRef() : found->second;
}

void SetProgIdComponent(const std::string& progId, const ComponentRef& component) {
  KB().progIdComponents[progId] = component;
}

bool HasProgIdComponent(const std::string& progId) {
  return KB().progIdComponents.count(progId) != 0;
}

ComponentRef GetProgIdComponent(const std::string& progId) {
  const auto& index = KB().progIdComponents;
  const auto found = index.find(progId);
  return found == index.end() ? ComponentRef() : found->second;
}

void LinkProgIdExtension(const std::string& progId, const std::string& extension) {
  KB().extensionProgIds[extension] = progId;
  KB().progIdExtensions[platform::ToLower(progId)] = extension;
}

bool HasProgIdExtension(const std::string& progId) {
  return Contains(KB().progIdExtensions, platform::ToLower(progId));
}

std::string GetProgIdExtension(const std::string& progId) {
  return GetOrAdd(KB().progIdExtensions, platform::ToLower(progId));
}

bool HasExtensionProgId(const std::string& extension) {
  return Contains(KB().extensionProgIds, extension);
}

std::string GetExtensionProgId(const std::string& extension) {
  const auto& index = KB().extensionProgIds;
  const auto found = index.find(extension);
  return found == index.end() ? std::string() : found->second;
}

void SetClsidProgId(const std::string& clsid, const std::string& progId) {
  auto& index = KB().clsidProgIds;
  const auto [entry, inserted] = index.try_emplace(platform::ToUpper(clsid), progId);
  if (!inserted) {
    CountClsidProgId(entry->second, -1);
    entry->second = progId;
  }
  CountClsidProgId(progId, +1);
}

bool HasClsidProgId(const std::string& clsid) {
  return Contains(KB().clsidProgIds, platform::ToUpper(clsid));
}

std::string GetClsidProgId(const std::string& clsid) {
  auto& index = KB().clsidProgIds;
  const auto [entry, inserted] = index.try_emplace(platform::ToUpper(clsid));
  if (inserted) CountClsidProgId(entry->second, +1);
  return entry->second;
}

bool IsProgIdOfSomeClsid(const std::string& progId) {
  return KB().clsidProgIdCounts.count(progId) != 0;
}

void LinkVersionIndependent(const std::string& progId, const std::string& viProgId) {
  KB().progIdVersionIndependent[progId] = viProgId;
  KB().versionIndependentProgIds[viProgId] = progId;
}

bool HasVersionIndependent(const std::string& progId) {
  return Contains(KB().progIdVersionIndependent, progId);
}

std::string GetVersionIndependent(const std::string& progId) {
  return GetOrAdd(KB().progIdVersionIndependent, progId);
}

bool HasProgIdForVersionIndependent(const std::string& viProgId) {
  return Contains(KB().versionIndependentProgIds, viProgId);
}

std::string GetProgIdForVersionIndependent(const std::string& viProgId) {
  return GetOrAdd(KB().versionIndependentProgIds, viProgId);
}

void AddProgIdWithVerbs(const std::string& progId) {
  KB().progIdsWithVerbs.insert(progId);
  KB().progIdsWithVerbsAnyCase.insert(progId);
}

bool HasProgIdWithVerbs(const std::string& progId) {
  return KB().progIdsWithVerbsAnyCase.count(progId) != 0;
}

std::string& GetNameTableEntry(const std::string& text) {
  return KB().nameTable[text];
}

// The table writer keeps the one register of used keys, which its unique keys are made from.
void MarkKeyUsed(uint32_t bits, const std::string& key) { project::MarkKeyUsed(bits, key); }

bool IsKeyUsed(uint32_t bits, const std::string& key) { return project::IsKeyUsed(bits, key); }

void ClearKnowledgeBase() {
  if (core::TraceMask() & core::kTraceKnowledgeBase) DumpKnowledgeBase();
  KB() = KnowledgeBase();
  project::ClearUsedKeys();
}

}  // namespace capture
