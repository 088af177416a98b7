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
//   QvMergeModule     *Name s255, Path S0, Language S0, Version S0
//                                                    merge modules to include
//   QvDllWrapper      *Name s72                      the DLL wrapper the project's custom actions use
#pragma once

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

// The project format this engine writes ("FormatVersion" in QvProjectInfo).
constexpr const char* kProjectFormatVersion = "1";

// The placeholder of a source path that the builder resolves against SOURCEFILEPATH.
constexpr const char* kSourceFilePathPrefix = "<SOURCEFILEPATH>\\";
// The release's build location variable: the folder of the project file.
constexpr const char* kProjectFolderVariable = "<QvProjectFolder>";

}  // namespace qv
