// The captured registry: keys by full path (ordered, without regard to case), each with its
// values in file order, and the marks that the registry mappers set on what they consume.
// The registry data files of a capture (REGEDIT4 text) and the INI edits of its AddIni blocks
// (under the pseudo root HKEY_INIFILES) are read into it line by line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/key_classes.h"
#include "platform/text.h"
#include "qv/com.h"
#include "qv/entity.h"

namespace capture {

// Registry root handle values; 0 for any other root (HKEY_INIFILES).
enum RegistryRoot : uint32_t {
  kNoRoot = 0,
  kHKeyClassesRoot = 0x80000000u,
  kHKeyCurrentUser = 0x80000001u,
  kHKeyLocalMachine = 0x80000002u,
  kHKeyUsers = 0x80000003u,
};

// "HKEY_CLASSES_ROOT" and the others; empty for kNoRoot.
const char* RootName(uint32_t root);

enum RegValueType : int {
  kNotParsed = 0,
  kString = 1,
  kDword = 2,
  kBinary = 4,
  kMultiStringHex = 12,
  kExpandStringHex = 20,
  kMultiStringList = 36,
};

// Marks shared by keys and values.
class RegistryItem {
 public:
  virtual ~RegistryItem() = default;
  // A mapped value has become a row of a dedicated table; the Registry table skips it.
  virtual void SetMapped(bool mapped) { mapped_ = mapped; }
  // A key-mapped key is skipped by the Registry table as a whole.
  virtual void SetKeyMapped(bool keyMapped) { keyMapped_ = keyMapped; }
  bool IsMapped() const { return mapped_; }
  bool IsKeyMapped() const { return keyMapped_; }

 private:
  bool mapped_ = false;
  bool keyMapped_ = false;
};

class RegValue : public RegistryItem {
  enum class Problem : uint8_t { kNone, kFault, kUnsupportedType };
  static inline const std::string kNoProblem;

 public:
  // The first line of a value ("name"=text, or name=text in an INI section, whose text is never
  // quoted). utf16Strings: hex(2) and hex(7) data are UTF-16LE (files of the later export format).
  static RegValue Parse(const std::string& line, bool iniMode = false, bool utf16Strings = false);
  // Appends one line of data in the value's encoding. firstLine: the line that started the value.
  void AppendLine(std::string line, bool firstLine);
  // Decodes the data of "hex(n):" values once their last line is read.
  void Finish();

  // Why the value is damaged (no data, an unclosed string, a number or byte that is none): empty
  // when it is sound. A damaged value is left out.
  const std::string& Fault() const { return problem_ == Problem::kFault ? problemText_ : kNoProblem; }
  // The type of "hex(n):" data that the Registry table cannot hold ("hex(b)", "hex(0)"): empty
  // for every other value.
  const std::string& UnsupportedType() const {
    return problem_ == Problem::kUnsupportedType ? problemText_ : kNoProblem;
  }
  // "name"=- : the value is removed.
  bool IsRemoval() const { return removal_; }

  const std::string& Name() const { return name_; }
  const std::string& Data() const { return data_; }
  int Type() const { return type_; }
  int ListMode() const { return listMode_; }
  bool ContinuationPending() const { return continuationPending_; }
  // "#" (numbers and text that starts with '#'), "#x" (binary data), "#%" (expandable text), or
  // empty.
  std::string_view Prefix() const { return prefix_; }
  // For INI edits whose line ended with a backslash.
  void AppendRawData(const std::string& text) { data_ += text; }

 private:
  void SetProblem(Problem problem, std::string text);

  // A capture holds hundreds of thousands of values: what only parsing needs shares the data's
  // string, and a value's problem takes one string for both kinds.
  std::string name_;
  std::string data_;  // the hex digits as written until Finish decodes "hex(n):" data
  const char* prefix_ = "";
  int type_ = kNotParsed;
  int listMode_ = 0;
  int hexType_ = -1;  // n of "hex(n):" data until Finish, -1 for other data
  Problem problem_ = Problem::kNone;
  bool continuationPending_ = false;
  bool utf16_ = false;
  bool removal_ = false;
  std::string problemText_;
};

class RegKey : public RegistryItem {
 public:
  RegKey() = default;
  RegKey(uint32_t root, std::string subkeyPath, std::string componentTag);

  // Clearing the mapped mark of a mapped key first clears the marks of its values.
  void SetMapped(bool mapped) override;

  uint32_t Root() const { return root_; }
  const std::string& SubkeyPath() const { return subkeyPath_; }
  const std::string& FullPath() const { return fullPath_; }
  const std::string& ComponentTag() const { return componentTag_; }
  const KeyClass* Class() const { return keyClass_; }
  int ClassId() const { return keyClass_ ? keyClass_->id : 0; }

  std::vector<RegValue>& Values() { return values_; }
  const std::vector<RegValue>& Values() const { return values_; }
  // Adds a value. One whose name equals an earlier value's without regard to case takes that
  // value's place (the last one wins, as in the registry); returns whether it did.
  bool AddValue(RegValue value);
  // Frees the values (and their memory) once nothing reads them any more.
  void ReleaseValues();

  // The component a mapper assigned to the key.
  const qv::ComPtr<qv::IComponent>& Component() const { return component_; }
  void SetComponent(const qv::ComPtr<qv::IComponent>& component) { component_ = component; }

  // Re-roots the key under HKEY_USERS\.Default (the copy that stands in for the current user).
  void MoveToDefaultUser();

 private:
  void Rebuild();

  uint32_t root_ = kNoRoot;
  std::string subkeyPath_;
  qv::ComPtr<qv::IComponent> component_;
  std::vector<RegValue> values_;
  // name -> position in values_, made once the key holds many values
  std::map<std::string, size_t, platform::LessNoCase> valueIndex_;
  std::string fullPath_;
  std::string componentTag_;
  const KeyClass* keyClass_ = nullptr;
};

class RegistryModel {
 public:
  using KeyMap = std::map<std::string, RegKey, platform::LessNoCase>;

  // Takes "UseHKCUProxy" from the options.
  RegistryModel();
  explicit RegistryModel(bool useHKCUProxy);
  RegistryModel(const RegistryModel&) = delete;
  RegistryModel& operator=(const RegistryModel&) = delete;

  // Reads a REGEDIT4 file; an empty path does nothing. A file that cannot be read ends the
  // conversion with "Can't open file '%s'".
  void LoadRegistryFile(const std::string& path);
  // The same for text already in memory; fileName names it in messages.
  void LoadRegistryText(std::string contents, const std::string& fileName);
  // One line of a REGEDIT4 file, or of an AddIni block (iniMode). Returns true.
  bool ReadRegistryLine(std::string_view line, bool iniMode);
  // Completes the value read last (its lines may continue until the next value or key line):
  // a damaged value, or one of a type that the Registry table cannot hold, is left out with a
  // warning. Reading a file calls it at its end; the reader of AddIni blocks at a block's end.
  void FinishValue();
  // Where the removals that a file of written data holds go ("[-key]" and "name"=-). Without
  // one, the model keeps them itself: it is the model of removed data.
  void SetRemovalModel(RegistryModel* removals) { removals_ = removals; }
  // The model reads a file of removed data: the capture filters' deleted-registry lists apply
  // to its keys and values.
  void SetHoldsRemovedData(bool holdsRemovedData) { holdsRemovedData_ = holdsRemovedData; }

  KeyMap& Keys() { return keys_; }
  const KeyMap& Keys() const { return keys_; }
  RegKey* FindKey(const std::string& fullPath);
  const RegKey* FindKey(const std::string& fullPath) const;
  bool UseHKCUProxy() const { return useHKCUProxy_; }

 private:
  void ReadKeyLine(const std::string& line);
  void ReadValueLine(const std::string& line, bool iniMode);
  void ContinueValue(const std::string& line);
  void AddToCurrentKeys(RegValue value);
  void Warn(int messageId, const std::string& valueName, const std::string& detail) const;
  // Removes previous from the map when it has no values and the next key lies below it.
  void PruneIfEmptyParent(RegKey* previous, const std::string& nextFullPath);
  // The key of that path, added unless the model holds it already (*added tells which).
  RegKey* Insert(RegKey key, bool* added = nullptr);
  void DropKeyEmptiedByFilters();

  KeyMap keys_;
  RegKey* currentKey_ = nullptr;
  std::string currentCapturedPath_;  // the current key's path as the capture wrote it
  RegKey* currentShadowKey_ = nullptr;
  bool useHKCUProxy_ = false;
  bool multiStringPending_ = false;
  std::optional<RegValue> pendingValue_;  // the value being read, added once complete
  bool pendingExcluded_ = false;          // the capture filters exclude it: read, then dropped
  bool utf16Strings_ = false;             // the file has the later export format's header
  std::string fileName_;
  RegistryModel* removals_ = nullptr;
  bool holdsRemovedData_ = false;
  bool currentKeyLostValues_ = false;  // the filters left out a value of the current key
  bool currentKeyIsNew_ = false;       // the current key was not in the model before its line
};

}  // namespace capture
