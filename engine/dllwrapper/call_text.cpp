#include "call_text.h"

#include <cctype>
#include <cstdio>

namespace dllcall {
namespace {

struct TypeName {
  const char* name;
  ValueKind kind;
};

constexpr TypeName kTypes[] = {
    {"VOID", ValueKind::kVoid},
    {"INT", ValueKind::kSigned},           {"LONG", ValueKind::kSigned},
    {"SHORT", ValueKind::kSigned},         {"HRESULT", ValueKind::kSigned},
    {"UINT", ValueKind::kUnsigned},        {"DWORD", ValueKind::kUnsigned},
    {"ULONG", ValueKind::kUnsigned},       {"WORD", ValueKind::kUnsigned},
    {"BYTE", ValueKind::kUnsigned},        {"BOOL", ValueKind::kBool},
    {"LPSTR", ValueKind::kAnsiString},     {"LPCSTR", ValueKind::kAnsiString},
    {"STRING", ValueKind::kAnsiString},    {"LPWSTR", ValueKind::kWideString},
    {"LPCWSTR", ValueKind::kWideString},   {"WSTRING", ValueKind::kWideString},
    {"LPINT", ValueKind::kIntegerPointer}, {"LPLONG", ValueKind::kIntegerPointer},
    {"LPDWORD", ValueKind::kIntegerPointer}, {"LPUINT", ValueKind::kIntegerPointer},
    {"LPBOOL", ValueKind::kIntegerPointer}, {"LPVOID", ValueKind::kPointer},
    {"HANDLE", ValueKind::kPointer},       {"HWND", ValueKind::kPointer},
    {"HINSTANCE", ValueKind::kPointer},    {"HMODULE", ValueKind::kPointer},
    {"POINTER", ValueKind::kPointer},
};

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && !b[i];
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && IsSpace(text[first])) ++first;
  while (last > first && IsSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool IsIdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@' || c == '?' || c == '$';
}

// "TYPE name=" at pos (after blanks): the start of an argument. Gives the position after '='.
bool ArgumentHeadAt(const std::string& text, size_t pos, Argument* argument, size_t* valueStart) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  const size_t typeStart = pos;
  while (pos < text.size() && std::isalnum(static_cast<unsigned char>(text[pos]))) ++pos;
  const std::string typeName = text.substr(typeStart, pos - typeStart);
  ValueKind kind;
  if (typeName.empty() || !KindOfType(typeName, &kind) || kind == ValueKind::kVoid) return false;
  if (pos >= text.size() || !IsSpace(text[pos])) return false;
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  const size_t nameStart = pos;
  while (pos < text.size() && IsIdentifierChar(text[pos])) ++pos;
  if (pos == nameStart) return false;
  const std::string name = text.substr(nameStart, pos - nameStart);
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  if (pos >= text.size() || text[pos] != '=') return false;
  argument->kind = kind;
  argument->typeName = typeName;
  argument->name = name;
  *valueStart = pos + 1;
  return true;
}

// The argument list: each argument runs up to the next ", TYPE name=" (so that a literal value
// may hold commas) or the end.
bool ParseArguments(const std::string& text, std::vector<Argument>* arguments, std::string* error) {
  if (Trim(text).empty()) return true;
  Argument current;
  size_t valueStart = 0;
  if (!ArgumentHeadAt(text, 0, &current, &valueStart)) {
    *error = "argument 1 is not 'TYPE name=value' with a known type";
    return false;
  }
  for (size_t pos = valueStart;; ++pos) {
    Argument next;
    size_t nextValue = 0;
    const bool end = pos >= text.size();
    if (end || (text[pos] == ',' && ArgumentHeadAt(text, pos + 1, &next, &nextValue))) {
      current.value = Trim(text.substr(valueStart, (end ? text.size() : pos) - valueStart));
      if (arguments->size() == kMaxArguments) {
        *error = "more than " + std::to_string(kMaxArguments) + " arguments";
        return false;
      }
      arguments->push_back(current);
      if (end) return true;
      current = next;
      valueStart = nextValue;
      pos = nextValue - 1;
    }
  }
}

}  // namespace

bool KindOfType(const std::string& typeName, ValueKind* kind) {
  for (const TypeName& type : kTypes)
    if (EqualsNoCase(typeName, type.name)) {
      *kind = type.kind;
      return true;
    }
  return false;
}

bool ParseCall(const std::string& input, Call* call, std::string* error) {
  *call = Call{};
  const std::string text = Trim(input);
  // Return type: up to '=' or a blank.
  size_t pos = 0;
  while (pos < text.size() && std::isalnum(static_cast<unsigned char>(text[pos]))) ++pos;
  call->returnTypeName = text.substr(0, pos);
  if (call->returnTypeName.empty() || !KindOfType(call->returnTypeName, &call->returnKind)) {
    *error = "unknown return type '" + call->returnTypeName + "'";
    return false;
  }
  while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == '=')) ++pos;
  // The property that receives the result: "[NAME]".
  if (pos < text.size() && text[pos] == '[') {
    const size_t close = text.find(']', pos);
    if (close == std::string::npos) {
      *error = "the return property has no closing ']'";
      return false;
    }
    call->returnProperty = Trim(text.substr(pos + 1, close - pos - 1));
    pos = close + 1;
  }
  if (call->returnKind != ValueKind::kVoid && call->returnProperty.empty()) {
    *error = "a " + call->returnTypeName + " result needs a property in brackets";
    return false;
  }
  if (call->returnKind == ValueKind::kVoid) call->returnProperty.clear();

  const size_t scope = text.find("::", pos);
  const size_t open = text.find('(', pos);
  if (scope == std::string::npos || open == std::string::npos || open < scope) {
    *error = "no 'module::function(' in the call";
    return false;
  }
  call->module = Trim(text.substr(pos, scope - pos));
  call->function = Trim(text.substr(scope + 2, open - scope - 2));
  if (call->module.empty() || call->function.empty()) {
    *error = "the module or function name is empty";
    return false;
  }
  for (char c : call->function)
    if (!IsIdentifierChar(c)) {
      *error = "the function name '" + call->function + "' is no identifier";
      return false;
    }
  if (text.back() != ')') {
    *error = "the call does not end with ')'";
    return false;
  }
  return ParseArguments(text.substr(open + 1, text.size() - open - 2), &call->arguments, error);
}

bool ParseInteger(ValueKind kind, const std::string& input, int64_t* value) {
  const std::string text = Trim(input);
  if (kind == ValueKind::kBool) {
    for (const char* word : {"TRUE", "YES", "Y"})
      if (EqualsNoCase(text, word)) return *value = 1, true;
    for (const char* word : {"FALSE", "NO", "N", ""})
      if (EqualsNoCase(text, word)) return *value = 0, true;
  }
  if (text.empty()) return false;
  size_t pos = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    pos = 1;
  }
  unsigned base = 10;
  if (text.size() > pos + 1 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= text.size()) return false;
  uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    unsigned digit;
    if (std::isdigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit(c)) digit = unsigned(std::toupper(c) - 'A' + 10);
    else return false;
    if (magnitude > (UINT64_MAX - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  if (negative) {
    if (magnitude > uint64_t(INT64_MAX) + 1) return false;
    *value = magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(magnitude);
  } else {
    *value = int64_t(magnitude);
  }
  return true;
}

std::string FormatReturn(ValueKind kind, uint64_t raw) {
  char text[32];
  switch (kind) {
    case ValueKind::kSigned:
    case ValueKind::kBool:
      std::snprintf(text, sizeof text, "%ld", long(int32_t(uint32_t(raw))));
      break;
    case ValueKind::kUnsigned:
      std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(uint32_t(raw)));
      break;
    default:
      std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(raw));
      break;
  }
  return text;
}

bool SplitLocation(const std::string& input, std::string* location, std::string* callText) {
  const size_t bar = input.find('|');
  if (bar == std::string::npos || bar == 0) return false;
  *location = input.substr(0, bar);
  *callText = input.substr(bar + 1);
  return true;
}

}  // namespace dllcall
