// Custom actions that call a function of a DLL through the DLL wrapper (the project's types
// 0x20000, a DLL of the capture, and 0x20020, a DLL in a folder of the target machine; the
// Target holds the call text). The build puts the DLL and the call into the property
// QvDllCall_<action> and turns the action into two installer actions: one that sets the property
// QvDllWrapperCall to that property's name, sequenced just before, and the action itself as a
// call of the wrapper's entry point CallDllFunction, carried in the Binary table, its failures
// ignored. The wrapper's machine type matches the captured DLL's (a DLL in a folder of
// the target machine: the package's platform); the captured DLL gets a Binary row of its own.
#pragma once

#include <string>

#include "build_messages.h"
#include "database.h"

namespace builder {

struct WrapperSettings {
  std::string engineFolder;     // where QvDLLWrapper-x64.dll and QvDLLWrapper-x86.dll lie
  std::string sourceFilePath;   // the SOURCEFILEPATH property, for the captured DLLs
  bool package64Bit = false;
};

// Changes the database in place. A call that cannot be compiled (malformed call text, a file that
// is no Windows DLL) is left out with a warning; a missing captured DLL or wrapper is an error.
void CompileWrapperActions(qv::engine::Database& database, const WrapperSettings& settings, BuildMessages& messages);

// The machine type of a PE file's header (0x14c i386, 0x8664 x64); 0 when the bytes are no PE file.
uint16_t PeMachineOf(const std::string& bytes);

}  // namespace builder
