// The registry mapping stage of a conversion: the chain of registry mappers that turn captured
// registry data into the advertising tables and other dedicated tables, each announced as a
// step of the progress plan. What no mapper consumes goes to the Registry table afterwards.
#pragma once

namespace capture {
class RegistryModel;
}
namespace project {
class VpxWriter;
}

namespace frontend {

// Runs the mappers in their order when the "Sequence" switch "Mapping" is on: type libraries,
// COM classes, AppIDs, ProgIDs (then the Class table), extensions and MIME types, verbs (then
// the ProgId table), component categories (COMMapping decides whether these write and mark),
// then NT services (with ServiceControlEvents), application paths and environment variables,
// each under its own switch; then, independently of "Mapping", the AddIni edits as IniFile rows
// (with the "Sequence" switch "INI") and ODBC drivers and data sources (with ODBCMapping).
void MapRegistry(capture::RegistryModel& registry, project::VpxWriter& project);

}  // namespace frontend
