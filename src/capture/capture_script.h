// The capture script (.inc): what the repackager recorded while a setup ran, read into memory
// once and then only read. Files per target folder, deleted files, folders to create,
// shortcuts, features, DLL and program calls, edits of base operating-system files, script
// variables and the names of the two registry data files; INI edits go to the registry model.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"

namespace capture {

class RegistryModel;

enum CaptureMethod : int {
  kSnapshot = 0,
  kInstallMonitor = 1,
  kUnknownCaptureMethod = 2,
  kLoggingCapture = 3,
};

// One file of a file list: "name|a1|a2|a3|a4|a5|a6|a7|a8|a9" (field numbers as in the line;
// field 5 is read and dropped).
struct FileEntry {
  std::string name;
  std::string field3;
  std::string condition;  // the install condition of its file list
  int32_t field1 = 0;
  int32_t field2 = 0;
  int32_t field4 = 0;
  bool field6 = false;
  bool field7 = false;
  std::string field8;
  bool field9 = false;
  size_t scriptLine = 0;  // where the script lists it, for messages
};

struct FolderEntry {
  std::string folder;
  std::string fourthArgument;
};

struct ShortcutEntry {
  std::string linkName;          // argument 1
  std::string commandLine;       // argument 2
  std::string workingDirectory;  // argument 3
  std::string iconFile;          // argument 4 without its ",<index>"
  std::string folder;            // argument 5
  int32_t iconIndex = -1;        // -1: none
  std::string feature;           // argument 8
};

struct FeatureEntry {
  std::string argument1;
  std::string argument2;
  std::string argument3;
  std::string argument4;
  std::string blockText;  // the block's lines, tab-separated
};

struct DllCallEntry {
  std::string dllPath;       // field 1
  std::string locationKind;  // field 2
  std::string functionName;  // field 3
  std::string returnType;    // field 4
  std::string anchorAction;  // field 5
  std::string blockText;     // parameter lines, tab-separated
  bool inUiSequence = false;  // field 6
  size_t scriptLine = 0;
};

struct ExeCallEntry {
  std::string programPath;   // field 1
  std::string locationKind;  // field 2
  std::string arguments;     // field 3
  std::string anchorAction;  // field 4
  bool inUiSequence = false;  // field 5
  size_t scriptLine = 0;
};

using FileMap = std::map<std::string, std::vector<FileEntry>>;
using OemBlock = std::vector<std::string>;

class CaptureScript {
 public:
  explicit CaptureScript(std::string scriptPath);
  ~CaptureScript();
  CaptureScript(const CaptureScript&) = delete;
  CaptureScript& operator=(const CaptureScript&) = delete;

  // INI edits of AddIni blocks go into this model (none attached: they are dropped).
  void AttachRegistryModel(RegistryModel* model) { registry_ = model; }

  // Reads the whole script. A missing script is left unread; one that cannot be read, and any
  // line that cannot be understood, end the conversion (repackager_exception).
  void ReadScript();
  // Reads script text already in memory, as ReadScript reads the file's.
  void ReadScriptText(std::string contents);
  void HandleScriptLine(const std::string& line);

  // True when some captured file's source path (MakeSourcePath) is targetPath in comparison form.
  bool ContainsFile(const std::string& targetPath) const;

  int CaptureMethod() const { return captureMethod_; }
  const std::string& ScriptVersion() const { return scriptVersion_; }
  float ScriptVersionNumber() const { return scriptVersionNumber_; }
  const std::string& ScriptPath() const { return scriptPath_; }
  // The script's folder with its trailing separator.
  const std::string& ScriptFolder() const { return scriptFolder_; }
  const std::string& CaptureLanguage() const { return captureLanguage_; }
  const FileMap& InstalledFiles() const { return installedFiles_; }
  const FileMap& DeletedFiles() const { return deletedFiles_; }
  const std::vector<FolderEntry>& Folders() const { return folders_; }
  const std::vector<ShortcutEntry>& Shortcuts() const { return shortcuts_; }
  const std::vector<FeatureEntry>& Features() const { return features_; }
  const std::vector<DllCallEntry>& DllCalls() const { return dllCalls_; }
  const std::vector<ExeCallEntry>& ExeCalls() const { return exeCalls_; }
  const std::map<std::string, OemBlock>& OemEdits() const { return oemEdits_; }
  const std::map<std::string, std::string>& ScriptVariables() const { return scriptVariables_; }
  const std::string& RegistryLoadFile() const { return registryLoadFile_; }
  const std::string& RegistryDeleteFile() const { return registryDeleteFile_; }
  // The script lines of the RegLoad and RegDelete commands (0: none).
  size_t RegistryLoadLine() const { return registryLoadLine_; }
  size_t RegistryDeleteLine() const { return registryDeleteLine_; }
  const std::string& AppendPathValue() const { return appendPath_; }
  bool AppendPathMachineFlag() const { return appendPathTS_; }
  const std::string& FileListExtra() const { return fileListExtra_; }
  RegistryModel* Registry() const { return registry_; }

 private:
  void HandleCommand(const std::string& line);
  bool HandleLeadingCommand(const std::string& line);
  bool HandleBlockLine(const std::string& line);
  bool HandleOtherCommand(const std::string& line);
  void SetScriptFolder();

  void ReadCreatedBy(const std::string& line);
  void ReadOsInfo(const std::string& line);
  void ReadModifyOemEx(const std::string& line);
  void CloseBlock();
  void ReadIniLine(const std::string& line);
  void ReadAddIni(const std::string& line);
  void ReadScriptVersion(const std::string& line);
  void ReadSet(const std::string& line);
  void ReadInstallFileList(const std::string& line);
  void ReadDeleteFileList(const std::string& line);
  void ReadFeature(const std::string& line);
  void ReadDll(const std::string& line);
  void ReadExe(const std::string& line);
  void ReadMakeDir(const std::string& line);
  std::string ReadRegistryFileName(const std::string& line, size_t openAt);
  void ReadCreateLink(const std::string& line);
  void ReadAppendPath(const std::string& line);
  void ReadFileEntry(const std::string& line);

  // Sources of the captured files, built on the first ContainsFile after reading.
  const std::set<std::string, platform::LessNoCase>& SourcePathIndex() const;

  int captureMethod_ = kUnknownCaptureMethod;
  std::string scriptVersion_;
  float scriptVersionNumber_ = 0.0f;
  std::string scriptPath_;
  std::string scriptFolder_;
  std::string captureLanguage_;
  FileMap installedFiles_;
  FileMap deletedFiles_;
  std::vector<FolderEntry> folders_;
  std::vector<ShortcutEntry> shortcuts_;
  std::vector<FeatureEntry> features_;
  std::vector<DllCallEntry> dllCalls_;
  std::vector<ExeCallEntry> exeCalls_;
  std::map<std::string, OemBlock> oemEdits_;
  std::map<std::string, std::string> scriptVariables_;
  std::string registryLoadFile_;
  std::string registryDeleteFile_;
  size_t registryLoadLine_ = 0;
  size_t registryDeleteLine_ = 0;
  std::string appendPath_;
  bool appendPathTS_ = false;
  std::string fileListExtra_;

  // Reader state.
  size_t currentLine_ = 0;
  std::string currentFolder_;
  std::string currentCondition_;
  std::string currentIniFile_;
  std::string currentOemBlock_;
  FeatureEntry currentFeature_;
  DllCallEntry currentDllCall_;
  bool inAddIni_ = false;
  bool inDeleteFileList_ = false;
  bool inModifyOemEx_ = false;
  bool inFeature_ = false;
  bool inDll_ = false;

  RegistryModel* registry_ = nullptr;
  mutable std::unique_ptr<std::set<std::string, platform::LessNoCase>> sourcePathIndex_;
};

// The process-wide current script (set by the pipeline while a conversion runs; null otherwise).
CaptureScript* CurrentCaptureScript();
void SetCurrentCaptureScript(CaptureScript* script);

}  // namespace capture
