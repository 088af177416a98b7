#include "mappers/verb_mapper.h"

#include "capture/path_translation.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr int kUndefinedVerb = 22102;
constexpr const char* kClassesRoot = "HKEY_CLASSES_ROOT\\";

}  // namespace

KeyPosition VerbMapper::MapRegistry(KeyPosition start) {
  if (!ComMapping()) return start;
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\\\shell\\\\command");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    MapVerb(start, key, captures[0], captures[1]);
  });
  return start;
}

void VerbMapper::MapVerb(KeyPosition start, capture::RegKey& key, const std::string& name, const std::string& verb) {
  std::string command;
  if (!GetValueData(start, key.FullPath(), "@", command, false) || command.empty() || name == ".") return;
  const bool isExtension = name.front() == '.';
  std::string extension;
  if (isExtension) {
    extension = name.substr(1);
  } else if (capture::HasProgIdExtension(name)) {
    extension = capture::GetProgIdExtension(name);
  } else {
    core::LogMessage(core::kWarning, core::FormatString(kUndefinedVerb, verb.c_str(), name.c_str()));
    return;
  }

  // The installer writes the command with the key file of the extension's component: the verb's
  // program must be that component's.
  std::string program, arguments;
  capture::SplitCommandLine(command, program, arguments);
  const ComponentRef component = ComponentOfFile(program);
  const ExtensionRecord* record = extensions_.Find(extension);
  if (!component || !record || ComponentName(component) != ComponentName(record->component)) {
    const std::string text =
        isExtension ? platform::Format("Registry entries for shell extension verb '%s' will remain in the Registry "
                                       "table because no matching component exists for extension '%s'",
                                       verb.c_str(), extension.c_str())
                    : platform::Format("Registry entries for shell extension verb '%s' for progid '%s' will remain "
                                       "in the Registry table because no matching component exists for file '%s'",
                                       verb.c_str(), name.c_str(), program.c_str());
    core::LogMessage(core::kWarning, text);
    return;
  }

  if (!isExtension) capture::AddProgIdWithVerbs(name);
  MarkMapped(key.FullPath(), "@");
  const std::string verbKey = kClassesRoot + name + "\\shell\\" + verb;
  std::string displayText;
  if (!GetValueData(start, verbKey, "@", displayText, true) || displayText.empty()) displayText = verb;
  project::MSIRecord row(project_, "Verb");
  row.SetField(1, extension);
  row.SetField(2, verb);
  row.SetField(3, NextSequence(name));
  row.SetField(4, displayText);
  if (!arguments.empty()) row.SetField(5, arguments);
}

int32_t VerbMapper::NextSequence(const std::string& name) {
  if (!platform::EqualsNoCase(name, sequenceName_)) {
    sequenceName_ = name;
    sequence_ = 1;
    return 0;
  }
  return sequence_++;
}

}  // namespace mappers
