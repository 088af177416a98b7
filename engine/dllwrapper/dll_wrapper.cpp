// QvDLLWrapper: the custom action DLL through which a package calls a function of a captured DLL.
// Its entry point CallDllFunction reads the call (call_text.h) from CustomActionData in a
// deferred action, else from the property that the property QvDllWrapperCall names (the action
// before it sets that); it
// loads the captured DLL from the package's Binary table or from a path, calls the function with
// the typed arguments and stores the result in the call's return property. Whatever fails is
// written to the installer's log; the action always succeeds, so a call never rolls an install
// back.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "call_text.h"

namespace {

constexpr const wchar_t* kCallProperty = L"QvDllWrapperCall";
constexpr const char* kBinaryPrefix = "binary:";

std::wstring Widen(const std::string& text, UINT codePage = CP_UTF8) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage = CP_UTF8) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(size_t(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), narrow.data(), size, nullptr, nullptr);
  return narrow;
}

// A text that an installer function writes into a buffer: asked once for its size, then read.
template <typename Read>
std::wstring ReadText(Read read) {
  DWORD size = 0;
  wchar_t empty[1] = L"";
  if (read(empty, &size) != ERROR_MORE_DATA) return {};
  std::wstring text(size + 1, L'\0');
  DWORD capacity = size + 1;
  if (read(text.data(), &capacity) != ERROR_SUCCESS) return {};
  text.resize(capacity);
  return text;
}

std::wstring GetProperty(MSIHANDLE install, const wchar_t* name) {
  return ReadText([&](wchar_t* buffer, DWORD* size) { return MsiGetPropertyW(install, name, buffer, size); });
}

// A line in the installer's log.
void Log(MSIHANDLE install, const std::string& text) {
  PMSIHANDLE record = MsiCreateRecord(0);
  MsiRecordSetStringW(record, 0, Widen("QvDLLWrapper: " + text).c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

// Formatted text ("[PROPERTY]" references resolved), in an immediate action.
std::wstring Format(MSIHANDLE install, const std::wstring& text) {
  PMSIHANDLE record = MsiCreateRecord(0);
  MsiRecordSetStringW(record, 0, text.c_str());
  return ReadText([&](wchar_t* buffer, DWORD* size) { return MsiFormatRecordW(install, record, buffer, size); });
}

// A DLL of the Binary table written to a temporary file; empty when that fails.
std::wstring ExtractBinary(MSIHANDLE install, const std::string& key, std::string* error) {
  PMSIHANDLE database = MsiGetActiveDatabase(install);
  PMSIHANDLE view;
  if (!database ||
      MsiDatabaseOpenViewW(database, L"SELECT `Data` FROM `Binary` WHERE `Name` = ?", &view) != ERROR_SUCCESS) {
    *error = "the Binary table cannot be read";
    return {};
  }
  PMSIHANDLE parameters = MsiCreateRecord(1);
  MsiRecordSetStringW(parameters, 1, Widen(key).c_str());
  PMSIHANDLE row;
  if (MsiViewExecute(view, parameters) != ERROR_SUCCESS || MsiViewFetch(view, &row) != ERROR_SUCCESS) {
    *error = "the Binary table has no row '" + key + "'";
    return {};
  }
  wchar_t folder[MAX_PATH + 1];
  wchar_t path[MAX_PATH + 1];
  if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"qvw", 0, path)) {
    *error = "no temporary file";
    return {};
  }
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = file != INVALID_HANDLE_VALUE;
  char buffer[65536];
  for (DWORD size = sizeof buffer; written;) {
    size = sizeof buffer;
    if (MsiRecordReadStream(row, 1, buffer, &size) != ERROR_SUCCESS) written = false;
    if (!written || size == 0) break;
    DWORD done = 0;
    written = WriteFile(file, buffer, size, &done, nullptr) && done == size;
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!written) {
    DeleteFileW(path);
    *error = "the DLL of Binary row '" + key + "' cannot be written to a temporary file";
    return {};
  }
  return path;
}

// The exported function: its plain name, else the decorated names of a 32-bit __stdcall function.
FARPROC FindFunction(HMODULE module, const dllcall::Call& call) {
  if (FARPROC function = GetProcAddress(module, call.function.c_str())) return function;
  const std::string bytes = std::to_string(call.arguments.size() * sizeof(void*));
  for (const std::string& name : {"_" + call.function + "@" + bytes, call.function + "@" + bytes})
    if (FARPROC function = GetProcAddress(module, name.c_str())) return function;
  return nullptr;
}

template <size_t... I>
__attribute__((noinline, optimize("no-omit-frame-pointer"))) intptr_t CallWith(FARPROC function,
                                                                              const intptr_t* arguments,
                                                                              std::index_sequence<I...>) {
  // Called as __stdcall; the frame pointer restores the stack should the function be __cdecl.
  using Function = intptr_t(WINAPI*)(decltype((void)I, intptr_t())...);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(function))(arguments[I]...);
}

template <size_t... N>
intptr_t Invoke(FARPROC function, const std::vector<intptr_t>& arguments, std::index_sequence<N...>) {
  using Caller = intptr_t (*)(FARPROC, const intptr_t*);
  static const Caller callers[] = {
      [](FARPROC f, const intptr_t* a) { return CallWith(f, a, std::make_index_sequence<N>()); }...};
  return callers[arguments.size()](function, arguments.data());
}

// Values of the arguments; the texts and integers that pointers point to live in storage.
struct ArgumentStorage {
  std::vector<std::unique_ptr<std::string>> ansi;
  std::vector<std::unique_ptr<std::wstring>> wide;
  std::vector<std::unique_ptr<INT>> integers;
};

bool ArgumentValue(const dllcall::Argument& argument, const std::wstring& text, ArgumentStorage& storage,
                   intptr_t* value, std::string* error) {
  using dllcall::ValueKind;
  switch (argument.kind) {
    case ValueKind::kAnsiString:
      storage.ansi.push_back(std::make_unique<std::string>(Narrow(text, CP_ACP)));
      *value = reinterpret_cast<intptr_t>(storage.ansi.back()->c_str());
      return true;
    case ValueKind::kWideString:
      storage.wide.push_back(std::make_unique<std::wstring>(text));
      *value = reinterpret_cast<intptr_t>(storage.wide.back()->c_str());
      return true;
    default:
      break;
  }
  int64_t number = 0;
  if (!dllcall::ParseInteger(argument.kind, Narrow(text), &number)) {
    *error = "argument '" + argument.name + "' (" + argument.typeName + ") is no number: '" + Narrow(text) + "'";
    return false;
  }
  if (argument.kind == ValueKind::kIntegerPointer) {
    storage.integers.push_back(std::make_unique<INT>(INT(number)));
    *value = reinterpret_cast<intptr_t>(storage.integers.back().get());
  } else {
    *value = intptr_t(number);
  }
  return true;
}

// Runs one call; false and *error when it cannot be made.
bool RunCall(MSIHANDLE install, bool deferred, const std::string& input, std::string* error) {
  std::string location, callText;
  dllcall::Call call;
  if (!dllcall::SplitLocation(input, &location, &callText)) {
    *error = "no DLL named in '" + input + "'";
    return false;
  }
  if (!dllcall::ParseCall(callText, &call, error)) {
    *error = "cannot read the call '" + callText + "': " + *error;
    return false;
  }

  ArgumentStorage storage;
  std::vector<intptr_t> values;
  for (const dllcall::Argument& argument : call.arguments) {
    // Property references are resolved here; a deferred action's data was formatted when it was set.
    const std::wstring text = deferred ? Widen(argument.value) : Format(install, Widen(argument.value));
    intptr_t value = 0;
    if (!ArgumentValue(argument, text, storage, &value, error)) return false;
    values.push_back(value);
  }

  std::wstring path;
  bool temporary = false;
  if (location.rfind(kBinaryPrefix, 0) == 0) {
    path = ExtractBinary(install, location.substr(7), error);
    if (path.empty()) return false;
    temporary = true;
  } else {
    // "[SystemFolder]name.dll": the folder is known at install only.
    path = deferred ? Widen(location) : Format(install, Widen(location));
  }
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) {
    *error = "cannot load '" + location + "' (error " + std::to_string(GetLastError()) + ")";
    if (temporary) DeleteFileW(path.c_str());
    return false;
  }
  FARPROC function = FindFunction(module, call);
  if (!function) {
    *error = "'" + location + "' has no function '" + call.function + "'";
    FreeLibrary(module);
    if (temporary) DeleteFileW(path.c_str());
    return false;
  }
  const intptr_t result = Invoke(function, values, std::make_index_sequence<dllcall::kMaxArguments + 1>());

  std::string resultText;
  if (call.returnKind == dllcall::ValueKind::kAnsiString && result)
    resultText = Narrow(Widen(reinterpret_cast<const char*>(result), CP_ACP));
  else if (call.returnKind == dllcall::ValueKind::kWideString && result)
    resultText = Narrow(reinterpret_cast<const wchar_t*>(result));
  else if (call.returnKind != dllcall::ValueKind::kAnsiString && call.returnKind != dllcall::ValueKind::kWideString)
    resultText = dllcall::FormatReturn(call.returnKind, uint64_t(uintptr_t(result)));
  FreeLibrary(module);
  if (temporary) DeleteFileW(path.c_str());

  if (call.returnKind == dllcall::ValueKind::kVoid) {
    Log(install, "called " + call.module + "::" + call.function + ".");
  } else if (deferred) {
    Log(install, "called " + call.module + "::" + call.function + ", which returned " + resultText +
                     " (a deferred action cannot set " + call.returnProperty + ").");
  } else {
    MsiSetPropertyW(install, Widen(call.returnProperty).c_str(), Widen(resultText).c_str());
    Log(install, "called " + call.module + "::" + call.function + ", which returned " + resultText + " into " +
                     call.returnProperty + ".");
  }
  return true;
}

}  // namespace

extern "C" __declspec(dllexport) UINT WINAPI CallDllFunction(MSIHANDLE install) {
  std::wstring input = GetProperty(install, L"CustomActionData");
  const bool deferred = !input.empty();
  if (!deferred) input = GetProperty(install, GetProperty(install, kCallProperty).c_str());
  std::string error;
  if (!RunCall(install, deferred, Narrow(input), &error)) Log(install, error + "; the call is left out.");
  return ERROR_SUCCESS;
}
