// Table keys: valid identifiers made from free text, and keys unique within a key space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace project {

// Key spaces of MakeUniqueKey (bits; all spaces share one register of used keys).
enum KeySpace : uint32_t {
  kFileKeys = 0x01,
  kComponentKeys = 0x02,
  kUserProfileRegistryKeys = 0x04,
  kServiceInstallKeys = 0x08,
  kIniFileKeys = 0x10,
  kEnvironmentKeys = 0x20,
  kShortcutKeys = 0x40,
  kIconKeys = 0x80,  // extension kept
  kRemoveFileKeys = 0x100,
  kODBCDriverKeys = 0x200,
  kODBCDataSourceKeys = 0x400,
  kServiceControlKeys = 0x1000,
};

// The longest feature key the conversion makes (the Feature table's key column holds 38).
constexpr size_t kMaxFeatureKeyLength = 38;

enum class IdentifierLimit {
  kGeneral,         // at most 71 characters
  kFeature,         // then the first 38 characters
  kNumberedFeature  // longer than 38: the first 31 and the last 7 characters
};

// Turns free text into a valid table key, in place.
void MakeIdentifier(std::string& text, IdentifierLimit limit = IdentifierLimit::kGeneral);

// A key unique within its key space: number 0 numbers "%s%i" from 1 while the name is taken;
// another number is appended once ("%s%d"), then numbering goes on while still taken.
std::string MakeUniqueKey(uint32_t kind, const std::string& name, int number, bool appendOne);

// The register of used keys (kept in the knowledge base); cleared at the end of a conversion.
// Keys are compared case-sensitively. IsKeyUsed is true when every bit of bits is set for key.
void MarkKeyUsed(uint32_t bits, const std::string& key);
bool IsKeyUsed(uint32_t bits, const std::string& key);
void ClearUsedKeys();

// Keys of one kind made from a fixed prefix and a running number ("Registry_0", "Registry_1",
// ...). Uniqueness rests on the counter alone: the keys are never checked against the table.
class RunningKey {
 public:
  explicit RunningKey(std::string prefix) : prefix_(std::move(prefix)) {}
  std::string Next();
  void Reset() { next_ = 0; }

 private:
  std::string prefix_;
  int next_ = 0;
};

}  // namespace project
