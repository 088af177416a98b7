// 8.3 short names for the DefaultDir and FileName columns ("short|long").
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qv::engine {

// A name the file systems accept: not empty, none of \ / : * ? " < > | or control characters,
// not "." or "..", no trailing blank or dot.
bool IsValidLongName(std::string_view name);
// An 8.3 name: at most 8 characters, optionally a dot and at most 3 more, of the characters
// short names allow (no blanks).
bool IsValidShortName(std::string_view name);

// The short name for longName: the name itself (upper-cased letters kept as given) when it is
// a valid short name and not taken, else "BASE~N.EXT" with the first N that is not taken.
// taken() is asked with upper-case candidates. firstNumber, when given, is where the search for
// N starts and receives the number after the one used, so that many siblings with one stem do
// not try every number again.
std::string MakeShortName(std::string_view longName, const std::function<bool(const std::string&)>& taken,
                          int* firstNumber = nullptr);
// The part of a long name its generated short names share ("PROGRA" and "TXT" for
// "Program Files.txt"), as one text: siblings with the same stem compete for the numbers.
std::string ShortNameStem(std::string_view longName);

// "short|long", or just the name when the short name is the name itself.
std::string ShortLongName(const std::string& shortName, const std::string& longName);

// Splits a DefaultDir or FileName value into its short and long name (target part only).
void SplitShortLong(std::string_view value, std::string* shortName, std::string* longName);

// Upper- and lower-case of ASCII letters; other bytes are kept.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

}  // namespace qv::engine
