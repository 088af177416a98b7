#include "support/msi_dump.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/test_env.h"

namespace test_support {

namespace fs = std::filesystem;

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BuildWixlPackage(const std::string& folder) {
  testenv::WriteText(folder + "/hello.txt", "hello\n");
  testenv::WriteText(folder + "/p.wxs",
                     "<?xml version='1.0' encoding='utf-8'?>\n"
                     "<Wix xmlns='http://schemas.microsoft.com/wix/2006/wi'>\n"
                     " <Product Id='*' Name='Hello' Language='1033' Version='1.0.0' Manufacturer='Fern'\n"
                     "          UpgradeCode='12345678-1234-1234-1234-123456789012'>\n"
                     "  <Package InstallerVersion='200' Compressed='yes' />\n"
                     "  <Media Id='1' Cabinet='hello.cab' EmbedCab='yes' />\n"
                     "  <Directory Id='TARGETDIR' Name='SourceDir'><Directory Id='ProgramFilesFolder'>\n"
                     "   <Directory Id='INSTALLDIR' Name='Hello'>\n"
                     "    <Component Id='Main' Guid='12345678-1234-1234-1234-123456789013'>\n"
                     "     <File Id='hello.txt' Source='hello.txt' KeyPath='yes' />\n"
                     "    </Component></Directory></Directory></Directory>\n"
                     "  <Feature Id='Complete' Level='1'><ComponentRef Id='Main' /></Feature>\n"
                     " </Product>\n</Wix>\n");
  std::string output;
  if (RunCommand("cd " + ShellQuote(folder) + " && wixl -o wixl.msi p.wxs", &output) != 0) return {};
  return folder + "/wixl.msi";
}

Rows DumpTable(const std::string& database, const std::string& table) {
  const testenv::TempDir folder;
  Rows rows;
  // msidump writes the data of binary columns below the current folder ("Icon/Icon.<key>"):
  // run it in the temporary folder, so that nothing lands where the tests were started.
  if (RunCommand("cd " + ShellQuote(folder.path()) + " && msidump -d . " + ShellQuote(fs::absolute(database).string()) + " " +
                 ShellQuote(table)) == 0) {
    const std::vector<std::string> lines = SplitLines(testenv::ReadText(folder / (table + ".idt")));
    // Three header lines: column names, column types, table name and keys.
    for (size_t i = 3; i < lines.size(); ++i) {
      std::vector<std::string> columns;
      size_t start = 0;
      for (size_t tab; (tab = lines[i].find('\t', start)) != std::string::npos; start = tab + 1)
        columns.push_back(lines[i].substr(start, tab - start));
      columns.push_back(lines[i].substr(start));
      rows.push_back(columns);
    }
  }
  return rows;
}

std::map<std::string, std::string> DumpProperties(const std::string& database) {
  std::map<std::string, std::string> properties;
  for (const auto& row : DumpTable(database, "Property"))
    if (row.size() >= 2) properties[row[0]] = row[1];
  return properties;
}

std::vector<std::string> ListTables(const std::string& database) {
  std::string output;
  if (RunCommand("msiinfo tables " + ShellQuote(database), &output) != 0) return {};
  return SplitLines(output);
}

std::vector<std::string> RowWithKey(const Rows& rows, const std::string& key) {
  for (const auto& row : rows)
    if (!row.empty() && row[0] == key) return row;
  return {};
}

}  // namespace test_support
