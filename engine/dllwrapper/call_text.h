// The call text of a DLL custom action, as the DLL wrapper reads it:
//   VOID util::Init(INT a=[DLLCA1_PARAM1], LPSTR b=[DLLCA1_PARAM2])
//   INT=[DLLCA2_RETURN] sys::Query()
// a return type (with the property that receives the result unless it is VOID), the module and
// function names, and typed arguments. Plain portable C++: the wrapper DLL and the host tests
// share it. Parsing never trusts the text: any malformed call is an error, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dllcall {

// How a value is passed to and returned from the called function.
enum class ValueKind {
  kVoid,            // VOID (return type only)
  kSigned,          // INT, LONG, SHORT, HRESULT: a signed integer
  kUnsigned,        // UINT, DWORD, ULONG, WORD, BYTE: an unsigned integer
  kBool,            // BOOL: 1 for "1", "TRUE", "YES", "Y"; 0 for "0", "FALSE", "NO", "N", ""
  kAnsiString,      // LPSTR, LPCSTR, STRING: a pointer to the text in the code page of the system
  kWideString,      // LPWSTR, LPCWSTR, WSTRING: a pointer to the text in UTF-16
  kIntegerPointer,  // LPINT, LPLONG, LPDWORD, LPUINT, LPBOOL: a pointer to a 32-bit integer holding the value
  kPointer,         // LPVOID, HANDLE, HWND, HINSTANCE, HMODULE, POINTER: the value as an address (usually 0)
};

struct Argument {
  ValueKind kind = ValueKind::kSigned;
  std::string typeName;
  std::string name;
  std::string value;  // as written: a literal or a property reference "[NAME]"
};

struct Call {
  ValueKind returnKind = ValueKind::kVoid;
  std::string returnTypeName;
  std::string returnProperty;  // without brackets; empty for VOID
  std::string module;
  std::string function;
  std::vector<Argument> arguments;
};

// The most arguments a call may pass.
constexpr size_t kMaxArguments = 16;

// The kind of a type name (any letter case); false for a type the wrapper cannot pass.
bool KindOfType(const std::string& typeName, ValueKind* kind);

// Parses a call text; on failure *error says what is wrong.
bool ParseCall(const std::string& text, Call* call, std::string* error);

// A value for an integer, boolean or pointer kind: decimal or 0x hexadecimal, with an optional
// sign; booleans also as words. False when the text is no such value or does not fit 64 bits.
bool ParseInteger(ValueKind kind, const std::string& text, int64_t* value);

// The text of a returned value for an integer, boolean or pointer kind: 32-bit integers are
// shown signed or unsigned by their kind, pointers unsigned.
std::string FormatReturn(ValueKind kind, uint64_t raw);

// The wrapper's input: the DLL to load, a "|" and the call text. The DLL is "binary:<key>" for a
// DLL of the package's Binary table, or a file path.
bool SplitLocation(const std::string& input, std::string* location, std::string* callText);

}  // namespace dllcall
