// Reading back what the conversion wrote, through other programs (msitools), and the small
// process helpers shared by the test programs.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace test_support {

using Rows = std::vector<std::vector<std::string>>;

// The rows of a table of an MSI-format database as msidump writes them (columns split at tabs);
// empty when the table is missing.
Rows DumpTable(const std::string& database, const std::string& table);
// The Property table as a map.
std::map<std::string, std::string> DumpProperties(const std::string& database);
// The table names that msiinfo lists.
std::vector<std::string> ListTables(const std::string& database);
// The first row whose first column is key; empty when there is none.
std::vector<std::string> RowWithKey(const Rows& rows, const std::string& key);

// A package that another tool made: wixl builds, in folder, "wixl.msi" with one file
// ("hello.txt", 6 bytes) in component "Main" of feature "Complete", product "Hello" by "Fern".
// The path of the package; empty when wixl fails.
std::string BuildWixlPackage(const std::string& folder);

// Runs a shell command (standard error joined to standard output); its exit code, with its
// output in *output when given.
int RunCommand(const std::string& command, std::string* output = nullptr);
// The text quoted for the shell.
std::string ShellQuote(const std::string& text);
// Text split into lines, without line ends.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace test_support
