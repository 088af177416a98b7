// The string table: numbered user-visible messages, loaded by number at the moment of use.
#pragma once

#include <string>

namespace core {

// The text of a message id; empty for an unknown id.
std::string LoadString(int id);

// The text of a message id, filled printf-style (%s with const char*, %i with int).
std::string FormatString(int id, ...);

}  // namespace core
