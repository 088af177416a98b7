// Custom actions and their places in the sequence tables.
#pragma once

#include <cstdint>
#include <string>

namespace project {

// Writes the CustomAction row unless one of that name exists, then inserts the action after the
// anchor into InstallExecuteSequence, InstallUISequence and AdvtExecuteSequence.
void AddCustomAction(const std::string& name, const std::string& anchor, int32_t type,
                     const std::string& source, const std::string& target,
                     const std::string& condition);

// Inserts action after anchor (the first free number after it; 700 when the anchor is missing).
void InsertIntoSequence(const std::string& table, const std::string& action,
                        const std::string& anchor, const std::string& condition);

// The sequence number of an action in a sequence table; false when the table holds no such action.
bool SequenceNumberOf(const std::string& table, const std::string& action, int* number);

// A custom action of the capture script: the CustomAction row (unless one of that name
// exists), its place after the anchor in InstallExecuteSequence and, with inUiSequence, in
// InstallUISequence.
void AddScriptCustomAction(const std::string& name, const std::string& anchor, bool inUiSequence,
                           int32_t type, const std::string& source, const std::string& target,
                           const std::string& condition);

// Forgets the in-memory sequence lists (at the end of a conversion).
void ResetSequenceLists();

}  // namespace project
