// Text encoding. Captures are single-byte ANSI text: Windows-1252 unless the environment
// variable FERNCLIP_CODEPAGE names another code page. Text stays bytes inside the conversion and
// is converted to Unicode (UTF-8) when it is handed to the project engine.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The ANSI code page of the conversion (1252 unless FERNCLIP_CODEPAGE says otherwise).
int ActiveCodePage();

// ANSI (the active code page) to UTF-8, and back. Bytes that the code page does not define are
// carried as U+FFFD one way and '?' the other.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
// Whether every byte of the ANSI text is a character of the active code page.
bool IsConvertible(const std::string& ansi);

// Double-byte code pages (932, 936, 949, 950): a lead byte and the byte after it are one
// character, and that trail byte may look like '\', '[' or '{'. Text that is split or escaped
// is walked character by character.
bool IsLeadByte(unsigned char c);
// The length in bytes of the character at position (2 for a lead byte with a byte after it).
size_t CharacterLength(std::string_view text, size_t position);
// The first / last occurrence of an ASCII character that stands for itself (not a trail byte);
// npos when there is none.
size_t FindCharacter(std::string_view text, char c, size_t from = 0);
size_t FindLastCharacter(std::string_view text, char c);
// The last occurrence of any of these ASCII characters that stands for itself; npos when none.
size_t FindLastOfCharacters(std::string_view text, std::string_view characters);

// Text to show to the user, which may mix UTF-8 (host paths, as the command line gave them) and
// ANSI (captured text): well-formed UTF-8 stays, every other byte is read in the active code
// page. The conversion log is written so.
std::string ToUtf8ForDisplay(const std::string& text);
// The same in the encoding of the user's terminal (its locale's character set; UTF-8 for the
// plain C locale), for the console; '?' for what that encoding cannot show.
std::string ToConsole(const std::string& text);

}  // namespace platform
