// Text encoding. Captures are single-byte ANSI text: Windows-1252 unless the environment
// variable FERNCLIP_CODEPAGE names another code page. Text stays bytes inside the conversion and
// is converted to Unicode (UTF-8) when it is handed to the project engine.
#pragma once

#include <string>

namespace platform {

// The ANSI code page of the conversion (1252 unless FERNCLIP_CODEPAGE says otherwise).
int ActiveCodePage();

// ANSI (the active code page) to UTF-8, and back. Bytes that the code page does not define are
// carried as U+FFFD one way and '?' the other.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);

}  // namespace platform
