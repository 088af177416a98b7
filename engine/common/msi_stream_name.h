// Names of the streams of an MSI-format database. Table streams carry the marker U+4840 before
// the table name; in every name, pairs of the characters 0-9, A-Z, a-z, '.' and '_' are packed
// into one character of the range U+3800..U+47FF and a single one into U+4800..U+483F, so that
// longer names fit the container's limit of 31 characters.
#pragma once

#include <string>
#include <string_view>

namespace qv::engine {

std::u16string EncodeStreamName(std::string_view utf8Name, bool isTable);
// The name as written before encoding; *isTable tells whether it carried the table marker.
std::string DecodeStreamName(std::u16string_view name, bool* isTable);

// UTF-8 and UTF-16 forms of a name; malformed UTF-8 becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace qv::engine
