// The knowledge base: process-wide indexes that the mappers fill as they create components and
// rows, and that later mappers query (file path or CLSID to component, ProgID to component,
// ProgID and extension, CLSID to ProgID, ProgID and version-independent ProgID, ProgIDs with
// verbs, a name table), plus the register of used table keys. Everything is emptied by
// ClearKnowledgeBase at the end of a conversion.
//
// Letter case: file paths, CLSIDs and AppIDs of the component index and the ProgIDs of the
// ProgID-to-extension index are lower-cased, the CLSIDs of the CLSID-to-ProgID index upper-cased;
// the other indexes compare exactly, except where a function says otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace capture {

using ComponentRef = qv::ComPtr<qv::IComponent>;

// Component index ("KB::Components"): captured file path, CLSID or AppID to component.
// GetComponentFor first removes one pair of surrounding double quotes; it answers an empty
// reference when there is none.
void SetComponentFor(const std::string& key, const ComponentRef& component);
bool HasComponentFor(const std::string& key);
ComponentRef GetComponentFor(const std::string& key);

// ProgID to component.
void SetProgIdComponent(const std::string& progId, const ComponentRef& component);
bool HasProgIdComponent(const std::string& progId);
ComponentRef GetProgIdComponent(const std::string& progId);

// ProgID and file extension, both directions.
void LinkProgIdExtension(const std::string& progId, const std::string& extension);
bool HasProgIdExtension(const std::string& progId);
std::string GetProgIdExtension(const std::string& progId);  // adds an empty entry when absent
bool HasExtensionProgId(const std::string& extension);
std::string GetExtensionProgId(const std::string& extension);  // empty when absent

// CLSID to ProgID.
void SetClsidProgId(const std::string& clsid, const std::string& progId);
bool HasClsidProgId(const std::string& clsid);
std::string GetClsidProgId(const std::string& clsid);  // adds an empty entry when absent
// True when some CLSID's ProgID equals progId without regard to case.
bool IsProgIdOfSomeClsid(const std::string& progId);

// ProgID and version-independent ProgID, both directions. The getters add an empty entry when
// absent.
void LinkVersionIndependent(const std::string& progId, const std::string& viProgId);
bool HasVersionIndependent(const std::string& progId);
std::string GetVersionIndependent(const std::string& progId);
bool HasProgIdForVersionIndependent(const std::string& viProgId);
std::string GetProgIdForVersionIndependent(const std::string& viProgId);

// ProgIDs that have verbs; the search ignores case.
void AddProgIdWithVerbs(const std::string& progId);
bool HasProgIdWithVerbs(const std::string& progId);

// The name table: the value stored under text (looked up without regard to case); an entry with
// an empty value is added when there is none, and the reference is for filling it.
std::string& GetNameTableEntry(const std::string& text);

// The register of used table keys: key text (exact case) to a set of key-space bits.
void MarkKeyUsed(uint32_t bits, const std::string& key);
// True when every bit of bits is set for the key (false for an unknown key).
bool IsKeyUsed(uint32_t bits, const std::string& key);

// Writes the dumps to the conversion log when its trace mask has bit 0x2000, then empties every
// index and the register of used keys.
void ClearKnowledgeBase();

}  // namespace capture
