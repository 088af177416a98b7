// The forms of text the installer's columns hold (the categories of the validation rows), and
// what conditions and formatted text refer to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace validation {

// Why value is not of the category, or empty when it is (or when the category has no form to
// check: Text, Binary, Path, Template, ...). Version values that name a companion file are
// checked by the caller.
std::string CategoryProblem(const std::string& category, std::string_view value);

// A condition's syntax: empty when it parses, otherwise what is wrong.
std::string ConditionProblem(std::string_view condition);
// The property names a condition reads (environment variables, component and feature states
// excluded).
std::vector<std::string> ConditionProperties(std::string_view condition);

// References of formatted text, by their sign: '$' component, '#' or '!' file, 0 a property
// ("[NAME]"); environment variables ("[%X]") and escapes ("[\x]") are left out.
struct FormattedReference {
  char sign = 0;
  std::string name;
};
std::vector<FormattedReference> FormattedReferences(std::string_view text);

bool IsIdentifier(std::string_view text);
bool IsGuid(std::string_view text);  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case
bool IsVersion(std::string_view text);  // 1 to 4 numbers of 0..65535 joined by '.'

}  // namespace validation
