// The package validator: checks an MSI-format database against the Windows Installer's
// validation rules (ICE02 ... ICE99) and returns what it finds, rule by rule. It works on the
// engine's in-memory database and costs time linear in the package's rows.
#pragma once

#include <string>

#include "database.h"
#include "finding.h"

namespace validation {

Findings ValidatePackage(const qv::engine::Database& database);

// "<package>: error ICE38: <text>", as a compiler reports.
std::string FormatFinding(const std::string& package, const Finding& finding);
// A JSON object with the finding's rule, level, table, row and text.
std::string FindingJson(const Finding& finding);
// text as a JSON string, with its quotes.
std::string JsonString(const std::string& text);

}  // namespace validation
