// Project object model of QvEntity.DLL: the open project, its database of tables, and the
// product object with its typed collections.
//
// A project file (.vpx) is an MSI-format database holding every installer table plus the
// engine's own project tables. The open project lives in memory with an index on each table's
// primary key; SaveAs writes a new file and replaces the old one atomically.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qv/com.h"

namespace qv {

// ---------------------------------------------------------------------------------------------
// Tables, rows and fields

struct IField : IUnknown {
  virtual HResult GetName(std::string* name) = 0;
  virtual HResult GetValue(Variant* value) = 0;
  // Text for string columns, an integer for integer columns; an empty Variant is null.
  // kBadValue when the value does not fit the column (wrong kind, too long).
  virtual HResult SetValue(const Variant& value) = 0;
};
inline constexpr Guid IID_IField = MakeGuid("B6865988-8998-4C28-83D2-F938FA5C02B7");

struct IFieldCollection : IUnknown {
  virtual HResult GetCount(int32_t* count) = 0;
  // column is 1-based. kNotFound outside 1..count.
  virtual HResult Item(int32_t column, IField** field) = 0;
};
inline constexpr Guid IID_IFieldCollection = MakeGuid("DD7DFD70-4AEF-4365-BE5C-602B131FA6A0");

struct IRow : IUnknown {
  virtual HResult GetFields(IFieldCollection** fields) = 0;
  // A row from AddRow is inserted into its table by Commit; a row read through a view has its
  // changed fields written back. kDuplicateKey when another row already has the primary key;
  // the table is then unchanged. flags: 0.
  virtual HResult Commit(int32_t flags) = 0;
  // Removes a committed row from its table.
  virtual HResult Delete() = 0;
};
inline constexpr Guid IID_IRow = MakeGuid("F262652E-C88E-496C-9F76-891E060245AF");

// Walks the rows of a query, in the table's primary-key order.
struct IView : IUnknown {
  // kOk with the next row, kFalse (and *row null) after the last.
  virtual HResult Next(IRow** row) = 0;
  virtual HResult Reset() = 0;
};
inline constexpr Guid IID_IView = MakeGuid("EDE31B59-DD51-433B-A3ED-09D96224B429");

struct ITable : IUnknown {
  virtual HResult GetName(std::string* name) = 0;
  virtual HResult GetColumnCount(int32_t* count) = 0;
  virtual HResult GetRowCount(int32_t* count) = 0;
  // A new, uncommitted row with every column null.
  virtual HResult AddRow(IRow** row) = 0;
  // query: "SELECT * FROM <table>", optionally followed by
  // " WHERE `Column` = 'text'" or " WHERE `Column` = 123", joined by " AND ".
  virtual HResult OpenView(const std::string& query, IView** view) = 0;
  // The row whose primary-key columns equal key (in key-column order); kFalse when none.
  virtual HResult FindRow(const std::vector<Variant>& key, IRow** row) = 0;
};
inline constexpr Guid IID_ITable = MakeGuid("429AA83E-AE2A-468B-85F4-E22F99A4F038");

struct ITableCollection : IUnknown {
  virtual HResult GetCount(int32_t* count) = 0;
  virtual HResult Item(int32_t index, ITable** table) = 0;  // 0-based
  // filter: "Name ='<table>'". kFalse (and *table null) when no such table.
  virtual HResult Find(const std::string& filter, ITable** table) = 0;
};
inline constexpr Guid IID_ITableCollection = MakeGuid("73CDCFE5-540E-4421-8D4C-60A68D21B6C8");

// Asked from the project object.
struct IDatabase : IUnknown {
  virtual HResult GetTables(ITableCollection** tables) = 0;
};
inline constexpr Guid IID_IDatabase = MakeGuid("9B5909CD-4278-48DA-870B-639B17AD4066");

// ---------------------------------------------------------------------------------------------
// Typed collections of the product object

struct IFile;
struct IFileCollection;

struct IComponent : IUnknown {
  virtual HResult GetName(std::string* name) = 0;
  // Renaming re-keys the component and every reference to it. kDuplicateKey when taken.
  virtual HResult SetName(const std::string& name) = 0;
  virtual HResult GetGuid(std::string* guid) = 0;
  virtual HResult SetGuid(const std::string& guid) = 0;
  // The component takes part in the build (its "first flag").
  virtual HResult SetEnabled(bool enabled) = 0;
  // Directory key.
  virtual HResult GetDirectory(std::string* directoryKey) = 0;
  // A Directory key, or a folder in installer form ("[ProgramFilesFolder]App\Sub\"), whose
  // Directory entries are found or created as by IProduct::DirectoryForPath.
  virtual HResult SetDirectory(const std::string& directory) = 0;
  virtual HResult GetCondition(std::string* condition) = 0;
  virtual HResult SetCondition(const std::string& condition) = 0;
  virtual HResult GetAttributes(int32_t* attributes) = 0;
  virtual HResult SetAttributes(int32_t attributes) = 0;
  virtual HResult GetKeyPath(std::string* keyPath) = 0;
  virtual HResult SetKeyPath(const std::string& keyPath) = 0;
  virtual HResult GetDescription(std::string* description) = 0;
  virtual HResult SetDescription(const std::string& description) = 0;
  // Features the component belongs to (the engine keeps the FeatureComponents rows).
  virtual HResult AddFeature(const std::string& featureKey) = 0;
  virtual HResult GetFeatures(std::vector<std::string>* featureKeys) = 0;
  // The component's files, in the order they were added.
  virtual HResult GetFiles(IFileCollection** files) = 0;
  // Application path of an executable of this component (kind 13 in the original model).
  virtual HResult SetAppPath(const std::string& executableName, const std::string& searchPath) = 0;
};
inline constexpr Guid IID_IComponent = MakeGuid("6C7BD6D3-A29F-4949-AC80-488DD6DD8517");

struct IComponentCollection : IUnknown {
  // A series of AddNew calls is bracketed by BeginAdditions and EndAdditions.
  virtual HResult BeginAdditions() = 0;
  virtual HResult EndAdditions() = 0;
  // A new component with a unique placeholder name; the caller names it with SetName.
  virtual HResult AddNew(IComponent** component) = 0;
  virtual HResult GetCount(int32_t* count) = 0;
  virtual HResult Item(int32_t index, IComponent** component) = 0;  // 0-based, key order
  // kFalse when none (case-sensitive key).
  virtual HResult Find(const std::string& name, IComponent** component) = 0;
  // Removes the component with its files, FeatureComponents and other rows that belong to it.
  virtual HResult Remove(const std::string& name) = 0;
};
inline constexpr Guid IID_IComponentCollection = MakeGuid("7EA12681-EB92-40D8-A5A9-17986FB8ED69");

struct IFile : IUnknown {
  virtual HResult GetKey(std::string* key) = 0;
  virtual HResult SetKey(const std::string& key) = 0;
  virtual HResult GetComponent(std::string* componentName) = 0;
  virtual HResult SetComponent(const std::string& componentName) = 0;
  // "short|long" or one name. kBadValue when not a valid file name.
  virtual HResult GetFileName(std::string* fileName) = 0;
  virtual HResult SetFileName(const std::string& fileName) = 0;
  // Where the build reads the file: a host path, or "<SOURCEFILEPATH>\..." resolved against the
  // SOURCEFILEPATH property at build time.
  virtual HResult GetSourcePath(std::string* sourcePath) = 0;
  virtual HResult SetSourcePath(const std::string& sourcePath) = 0;
  // File table attributes (msidbFileAttributes*).
  virtual HResult GetAttributes(int32_t* attributes) = 0;
  virtual HResult SetAttributes(int32_t attributes) = 0;
};
inline constexpr Guid IID_IFile = MakeGuid("B7E62546-BF83-4FBC-9F0B-CAF2AB33C974");

// The cells of one new File row, with where the build reads the file (IFile::SetSourcePath).
struct FileRow {
  std::string key;
  std::string component;
  std::string fileName;  // "short|long" or one name
  std::string sourcePath;
};

struct IFileCollection : IUnknown {
  virtual HResult BeginAdditions() = 0;
  virtual HResult EndAdditions() = 0;
  virtual HResult AddNew(IFile** file) = 0;
  virtual HResult GetCount(int32_t* count) = 0;
  virtual HResult Item(int32_t index, IFile** file) = 0;  // 0-based
  virtual HResult Find(const std::string& key, IFile** file) = 0;
  // Adds the whole row at once, for writers of many files; nothing is added on failure:
  // kBadValue when the file name is not a valid one (before the key is looked at), then
  // kDuplicateKey when the key is taken, kNotFound when the component is not in the project,
  // kInvalidArg when a component's own collection is given another component.
  virtual HResult Add(const FileRow& row) = 0;
};
inline constexpr Guid IID_IFileCollection = MakeGuid("3663649F-0F55-4E25-8C5D-FFB21E271FE6");

struct IRegistryEntry : IUnknown {
  virtual HResult SetKey(const std::string& key) = 0;
  virtual HResult SetRoot(int32_t root) = 0;
  virtual HResult SetKeyPath(const std::string& keyPath) = 0;
  virtual HResult SetName(const std::string& name) = 0;    // empty: null
  virtual HResult SetValue(const std::string& value) = 0;  // empty: null
  virtual HResult SetComponent(const std::string& componentName) = 0;
};
inline constexpr Guid IID_IRegistryEntry = MakeGuid("A3E0E32E-5C0C-44A9-AB98-C053671F5DEB");

// The cells of one Registry row; an empty name or value is null.
struct RegistryRow {
  std::string key;
  int32_t root = 2;  // -1: per user or per machine; 0..3: HKCR, HKCU, HKLM, HKU
  std::string keyPath;
  std::string name;
  std::string value;
  std::string component;
};

// Items of the typed collections are live rows: AddNew inserts a row under a unique placeholder
// key, and SetKey / SetName re-key it (kDuplicateKey when the key is taken).
struct IRegistryCollection : IUnknown {
  virtual HResult BeginAdditions() = 0;
  virtual HResult EndAdditions() = 0;
  virtual HResult AddNew(IRegistryEntry** entry) = 0;
  virtual HResult GetCount(int32_t* count) = 0;
  // Adds the whole row at once, for writers of many rows: kDuplicateKey when its key is taken,
  // kBadValue when a cell does not fit its column (nothing is added then).
  virtual HResult Add(const RegistryRow& row) = 0;
};
inline constexpr Guid IID_IRegistryCollection = MakeGuid("E6B57F81-04EC-4C23-9DEA-D7482C0035A8");

struct IDirectory : IUnknown {
  virtual HResult GetKey(std::string* key) = 0;
  // Re-keys the directory and every reference to it. kDuplicateKey when taken.
  virtual HResult SetKey(const std::string& key) = 0;
  virtual HResult GetParent(std::string* parentKey) = 0;  // empty for a root
  virtual HResult GetDefaultDir(std::string* defaultDir) = 0;
  // A per-directory setting of the project (the shortcut step passes 3).
  virtual HResult SetFlags(int32_t flags) = 0;
};
inline constexpr Guid IID_IDirectory = MakeGuid("DFA3D1D4-3E40-4637-B9B6-044FFCEB844A");

struct IDirectoryCollection : IUnknown {
  virtual HResult GetCount(int32_t* count) = 0;
  virtual HResult Find(const std::string& key, IDirectory** directory) = 0;  // kFalse when none
};
inline constexpr Guid IID_IDirectoryCollection = MakeGuid("3ED872EE-0E80-4A56-8E55-2413D65A90E2");

// Release settings by name: "Compressed" (0/1), "SetupExe" (0/1), "BuildLocation" (text, may use
// "<QvProjectFolder>"), "PackageName" (text), "PackageCode" (GUID text), "FixedTimestamps" (0/1).
struct IRelease : IUnknown {
  virtual HResult GetName(std::string* name) = 0;
  virtual HResult GetSetting(const std::string& name, Variant* value) = 0;
  virtual HResult SetSetting(const std::string& name, const Variant& value) = 0;
};
inline constexpr Guid IID_IRelease = MakeGuid("F7ADB801-DDAC-49E6-A08A-68C4C9CFE11A");

struct IReleaseCollection : IUnknown {
  virtual HResult Find(const std::string& name, IRelease** release) = 0;  // kFalse when none
  // A new release with the default settings (compressed, no setup launcher, built in
  // "<QvProjectFolder>"). kDuplicateKey when it exists.
  virtual HResult Add(const std::string& name, IRelease** release) = 0;
};
inline constexpr Guid IID_IReleaseCollection = MakeGuid("E0920928-F77D-4E5C-8CFD-A54E25B598D9");

struct IProductConfig : IUnknown {
  virtual HResult GetName(std::string* name) = 0;
  virtual HResult GetReleases(IReleaseCollection** releases) = 0;
};
inline constexpr Guid IID_IProductConfig = MakeGuid("F3925B49-B24E-4D04-8C67-0FB25E357661");

struct IProductConfigCollection : IUnknown {
  virtual HResult Find(const std::string& name, IProductConfig** config) = 0;  // kFalse when none
  // kDuplicateKey when it exists. A configuration is kept in the project once it has a release.
  virtual HResult Add(const std::string& name, IProductConfig** config) = 0;
};
inline constexpr Guid IID_IProductConfigCollection = MakeGuid("FF77F246-69D5-4F48-80EA-A23A9ECF1F61");

// Asked from the project object.
struct IProduct : IUnknown {
  virtual HResult GetComponents(IComponentCollection** components) = 0;
  virtual HResult GetFiles(IFileCollection** files) = 0;
  virtual HResult GetRegistryEntries(IRegistryCollection** entries) = 0;
  virtual HResult GetDirectories(IDirectoryCollection** directories) = 0;
  virtual HResult GetConfigurations(IProductConfigCollection** configs) = 0;

  // Property table; GetProperty gives kFalse when the property is absent.
  virtual HResult GetProperty(const std::string& name, std::string* value) = 0;
  virtual HResult SetProperty(const std::string& name, const std::string& value) = 0;

  // ProductName property and the package title.
  virtual HResult GetName(std::string* name) = 0;
  virtual HResult SetName(const std::string& name) = 0;
  virtual HResult SetVersion(const std::string& version) = 0;  // ProductVersion
  // The product's own identity in the project (kept in the project tables).
  virtual HResult SetProductGuid(const std::string& guid) = 0;
  virtual HResult SetSummaryAuthor(const std::string& author) = 0;
  virtual HResult SetSummarySubject(const std::string& subject) = 0;
  // ProductLanguage and the package's template language.
  virtual HResult SetLanguage(int32_t languageId) = 0;
  // The main installation folder, in installer form ("[ProgramFilesFolder]Vendor\App\") or an
  // absolute path: INSTALLDIR is placed there.
  virtual HResult SetMainFolder(const std::string& folder) = 0;
  // The Directory key of a folder, creating the Directory entries along the path. The folder is
  // in installer form ("[Key]Sub\Dir"), an absolute path ("D:\Apps\Tool", below TARGETDIR) or a
  // bare directory key.
  virtual HResult DirectoryForPath(const std::string& folder, std::string* directoryKey) = 0;
};
inline constexpr Guid IID_IProduct = MakeGuid("BF41FD80-E25E-4823-B436-0B13281C341C");

struct IProject : IUnknown {
  // Opens a project file (or any MSI-format database of the current project format).
  // kBadFormat for a file that is no MSI-format database or lacks the current project tables
  // (the upgrader brings those to the current format), kFileNotFound when it is missing.
  virtual HResult Open(const std::string& path) = 0;
  virtual HResult GetPath(std::string* path) = 0;
  // Writes the open project to path (a temporary file beside it, flushed to disk, then renamed
  // over it). kAbort, and path unchanged, when the cancel check said stop.
  virtual HResult SaveAs(const std::string& path) = 0;
  // Asked between the steps of SaveAs; null: never cancelled.
  virtual HResult SetCancelCheck(CancelCheck check) = 0;
  virtual HResult Close() = 0;
  // The code page of the text the database stores (default 1252).
  virtual HResult SetCodePage(int32_t codePage) = 0;
  // With fixed time stamps, every time the engine writes (summary information) is fixed, so that
  // saving the same content twice gives identical files.
  virtual HResult SetFixedTimestamps(bool fixed) = 0;
};
inline constexpr Guid IID_IProject = MakeGuid("3EA47941-6743-489B-8C53-D84BABDFE813");
inline constexpr Guid CLSID_Project = MakeGuid("E119A1AE-C919-4D03-B947-344A844196EC");

}  // namespace qv
