// The summary information of a database: the property set stream "\x05SummaryInformation"
// (one section of the summary information format, properties by number).
#pragma once

#include <map>
#include <string>

#include "database.h"

namespace qv::engine {

// The properties of the stream (numbers, 32-bit integers, texts, FILETIMEs; other kinds are
// left out). Texts read in the code page the set names (else the database's); a text that is
// well-formed UTF-8 beyond ASCII is taken as UTF-8, as older files were written. False when
// the stream is damaged.
bool ParseSummary(const std::string& stream, int databaseCodePage, std::map<int, SummaryValue>* properties);

// The stream for the properties. Texts are written in the code page of property 1, else the
// database's (property 1 is then added when a text needs it). kBadValue when a text cannot be
// stored in that code page; kFail for a property number the format does not know or a value of
// the wrong kind for its property.
HResult BuildSummary(const std::map<int, SummaryValue>& properties, int databaseCodePage, std::string* stream);

}  // namespace qv::engine
