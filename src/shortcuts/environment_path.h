// Environment rows that append to a variable: each non-empty ';'-separated element of the data
// becomes one row that adds it to the variable's existing value at install and takes it away
// again at removal (an empty element, as in "C:\A;;C:\B", is skipped, not the end of the list).
// Used for the capture's AppendPath command and for captured environment variables.
#pragma once

#include <string>

namespace shortcuts {

// machine: the machine environment (the row's name gets the leading '*'), else the user's.
// Every row goes to the component "RegistryData_Machine".
void AppendPath(const std::string& variableName, const std::string& data, bool machine);

}  // namespace shortcuts
