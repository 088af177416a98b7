// The engine's own project tables: project data that the Windows Installer does not know. They
// live in the project file beside the installer tables, and the builder compiles them away: a
// package never carries a table whose name begins with "Qv".
//
// Columns (MSI column types; * marks primary-key columns):
//
//   QvProjectInfo     *Name s72, Value S0            format version ("FormatVersion"), product GUID
//   QvFileSource      *File_ s72, SourcePath s0      where the build reads each File row's file;
//                                                    "<SOURCEFILEPATH>\..." is resolved against the
//                                                    SOURCEFILEPATH property
//   QvComponentInfo   *Component_ s72, Description S0, Enabled i2
//   QvRelease         *Configuration s72, *Release s72, *Setting s72, Value S0
//                                                    product configurations, releases and their
//                                                    settings (see IRelease)
//   QvAppPath         *Component_ s72, *Executable s255, SearchPath S0
//                                                    application paths: the builder writes the
//                                                    App Paths registry rows into the component
//   QvDirectoryInfo   *Directory_ s72, Flags i4
//   QvMergeModule     *Name s255, *Feature s38, Path S0, Language S0, Version S0
//                                                    merge modules to include: the module's file
//                                                    name, the feature its components join, the
//                                                    host path of the .msm, and the module's
//                                                    language and version (ModuleSignature)
//   QvDllWrapper      *Name s72                      the DLL wrapper the project's custom actions use
#pragma once

#include <cstdint>

namespace qv {

constexpr const char* kProjectTablePrefix = "Qv";
constexpr const char* kProjectInfoTable = "QvProjectInfo";
constexpr const char* kFileSourceTable = "QvFileSource";
constexpr const char* kComponentInfoTable = "QvComponentInfo";
constexpr const char* kReleaseTable = "QvRelease";
constexpr const char* kAppPathTable = "QvAppPath";
constexpr const char* kDirectoryInfoTable = "QvDirectoryInfo";
constexpr const char* kMergeModuleTable = "QvMergeModule";
constexpr const char* kDllWrapperTable = "QvDllWrapper";

// The layouts above, for code that creates the tables. Each column: name, IDT type ("s72":
// string of up to 72 characters, "S0": nullable string of any length, "i2"/"i4": 16- or 32-bit
// integer, upper case: nullable), and whether it belongs to the primary key (key columns lead).
struct ProjectColumn {
  const char* name;
  const char* type;
  bool key;
};
struct ProjectTable {
  const char* name;
  const ProjectColumn* columns;
  int columnCount;
};

namespace detail {
constexpr ProjectColumn kProjectInfoColumns[] = {{"Name", "s72", true}, {"Value", "S0", false}};
constexpr ProjectColumn kFileSourceColumns[] = {{"File_", "s72", true}, {"SourcePath", "s0", false}};
constexpr ProjectColumn kComponentInfoColumns[] = {
    {"Component_", "s72", true}, {"Description", "S0", false}, {"Enabled", "i2", false}};
constexpr ProjectColumn kReleaseColumns[] = {{"Configuration", "s72", true},
                                             {"Release", "s72", true},
                                             {"Setting", "s72", true},
                                             {"Value", "S0", false}};
constexpr ProjectColumn kAppPathColumns[] = {
    {"Component_", "s72", true}, {"Executable", "s255", true}, {"SearchPath", "S0", false}};
constexpr ProjectColumn kDirectoryInfoColumns[] = {{"Directory_", "s72", true}, {"Flags", "i4", false}};
constexpr ProjectColumn kMergeModuleColumns[] = {{"Name", "s255", true},
                                                 {"Feature", "s38", true},
                                                 {"Path", "S0", false},
                                                 {"Language", "S0", false},
                                                 {"Version", "S0", false}};
constexpr ProjectColumn kDllWrapperColumns[] = {{"Name", "s72", true}};
}  // namespace detail

constexpr ProjectTable kProjectTables[] = {
    {kProjectInfoTable, detail::kProjectInfoColumns, 2},
    {kFileSourceTable, detail::kFileSourceColumns, 2},
    {kComponentInfoTable, detail::kComponentInfoColumns, 3},
    {kReleaseTable, detail::kReleaseColumns, 4},
    {kAppPathTable, detail::kAppPathColumns, 3},
    {kDirectoryInfoTable, detail::kDirectoryInfoColumns, 2},
    {kMergeModuleTable, detail::kMergeModuleColumns, 5},
    {kDllWrapperTable, detail::kDllWrapperColumns, 1},
};

// Rows of QvProjectInfo (Name column).
constexpr const char* kFormatVersionName = "FormatVersion";
constexpr const char* kProductGuidName = "ProductGuid";

// QvRelease: a release exists when it has at least one setting row; adding a release writes
// its default settings. Values are text; the 0/1 settings are written "0" or "1".
constexpr const char* kSettingCompressed = "Compressed";
constexpr const char* kSettingSetupExe = "SetupExe";
constexpr const char* kSettingBuildLocation = "BuildLocation";
constexpr const char* kSettingPackageName = "PackageName";
constexpr const char* kSettingPackageCode = "PackageCode";
constexpr const char* kSettingFixedTimestamps = "FixedTimestamps";
// 1: a package that breaks the installer's validation rules with errors fails the build.
constexpr const char* kSettingFailOnValidationErrors = "FailOnValidationErrors";

// The project format this engine writes ("FormatVersion" in QvProjectInfo). Format 1 had
// QvMergeModule without its Feature column.
constexpr const char* kProjectFormatVersion = "2";

// The placeholder of a source path that the builder resolves against SOURCEFILEPATH.
constexpr const char* kSourceFilePathPrefix = "<SOURCEFILEPATH>\\";
// The release's build location variable: the folder of the project file.
constexpr const char* kProjectFolderVariable = "<QvProjectFolder>";

// Custom action types that only projects know: a call of a DLL function, from the Binary table
// or from a folder of the target machine. The builder turns each into a call of the DLL wrapper
// (by default the one of this name).
constexpr int32_t kDllWrapperCallAction = 0x20000;
constexpr int32_t kDllWrapperCallInDirectoryAction = 0x20020;
constexpr const char* kDefaultDllWrapperName = "QvDLLWrapper";

}  // namespace qv
