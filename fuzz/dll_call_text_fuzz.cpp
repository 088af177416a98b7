// Fuzzes the DLL wrapper's reading of its input (the DLL, a '|', the call text) with arbitrary
// bytes, and every argument value as a number of its kind. Any answer is fine; a crash, a hang
// or undefined behaviour is a fault.
#include <cstdint>
#include <string>

#include "call_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string location, callText, error;
  if (!dllcall::SplitLocation(input, &location, &callText)) callText = input;
  dllcall::Call call;
  if (!dllcall::ParseCall(callText, &call, &error)) return 0;
  for (const dllcall::Argument& argument : call.arguments) {
    int64_t value = 0;
    if (dllcall::ParseInteger(argument.kind, argument.value, &value))
      dllcall::FormatReturn(call.returnKind, uint64_t(value));
  }
  return 0;
}
