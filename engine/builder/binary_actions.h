// Custom actions that run code carried in the package's Binary table (a DLL, a program or a
// script: the types whose source location bits are 0). The project names the file's source
// path in the action's Source column, because the conversion only knows where the captured file
// lies; the build puts the file into a Binary row and makes that row's key the action's Source.
// An action whose Source already is a Binary key keeps it.
#pragma once

#include <string>

#include "build_messages.h"
#include "database.h"

namespace builder {

// Changes the database in place. A source file that cannot be found or read is an error naming
// the action and the path.
void CompileBinaryActions(qv::engine::Database& database, const std::string& sourceFilePath,
                          BuildMessages& messages);

// A valid Binary key for a file name: the characters an identifier allows (others become '_'),
// beginning with a letter or '_', short enough for the stream that holds the data.
std::string BinaryKeyBase(const std::string& fileName);

// A Binary row holding data under keyBase, or keyBase with a number when that key is taken;
// returns the key, empty when the row cannot be added. The table has columns Name and Data.
std::string AddBinaryRow(qv::engine::Table& binary, const std::string& keyBase, std::string data);

}  // namespace builder
