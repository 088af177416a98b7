// Single-byte text helpers with the platform's comparison rules: case folding of the ANSI code
// page (ASCII and the Latin-1 letters of Windows-1252), and printf-style formatting.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace platform {

char ToLowerChar(char c);
char ToUpperChar(char c);
std::string ToLower(std::string_view text);
std::string ToUpper(std::string_view text);

// <0, 0, >0 like lstrcmpi, byte-wise after case folding.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of the first case-insensitive occurrence of what in text at or after from.
size_t FindNoCase(std::string_view text, std::string_view what, size_t from = 0);

// Ordering for maps and sets keyed without regard to case.
struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

std::string Trim(std::string_view text);       // blanks, tabs, CR and LF at both ends
std::string_view TrimView(std::string_view text);  // as Trim, a view into text
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// atol / atof on the leading part of the text (0 when there is no number).
long Atol(const std::string& text);
double Atof(const std::string& text);

// Captured text as messages echo it: control characters written as "\xNN", and a text longer
// than maxLength cut there with "..." and the count of characters left out.
std::string Excerpt(std::string_view text, size_t maxLength = 200);

// printf-style formatting into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

}  // namespace platform
