// Captured text in the installer's formatted-text syntax: brackets and braces escaped so that
// the installer takes them literally, with its own references ([\x], [~], [!File]) kept.
#pragma once

#include <string>

namespace capture {

// Exactly 38 characters: '{', 8-4-4-4-12 hexadecimal digits with '-', '}'.
bool IsBracedGuid(const std::string& text);

// Every '[' and ']' becomes "[\[]" / "[\]]", except the references "[\x]", "[~]" and "[!...]",
// which are kept.
std::string EscapeFormattedText(const std::string& text);

// Captured text taken literally: every '[', ']', '{' and '}' becomes the installer's escape
// ("[\[]", "[\]]", "[\{]", "[\}]"), whatever it looked like in the capture ("[~]" in a captured
// string is no list separator, "[!x]" no file reference).
std::string EscapeLiteralText(const std::string& text);
// A captured registry key path for the Key column: each key name taken literally, except a
// braced GUID (a class key "CLSID\{...}"), which the installer takes as it is.
std::string EscapeKeyPath(const std::string& keyPath);

// A braced GUID stays as it is. Any other text is taken literally (EscapeLiteralText), and the
// first pair of "%%" becomes an environment reference: "%%USERPROFILE%%\x" gives
// "[%USERPROFILE]\x".
std::string ConvertStringValue(const std::string& text);

}  // namespace capture
