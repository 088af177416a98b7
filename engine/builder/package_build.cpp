#include "package_build.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <optional>

#include "compound_file.h"
#include "merge_modules.h"
#include "msi_file.h"
#include "package_compiler.h"
#include "package_summary.h"
#include "platform/guid.h"
#include "platform/host_paths.h"
#include "platform/processors.h"
#include "platform/temporaries.h"
#include "platform/windows_names.h"
#include "qv/builder.h"
#include "qv/project_tables.h"
#include "setup_launcher.h"
#include "source_image.h"
#include "temp_file.h"
#include "validator.h"

#ifndef FERNCLIP_VERSION
#define FERNCLIP_VERSION "0"
#endif

namespace builder {
namespace {

namespace fs = std::filesystem;

// The date that every time stamp of a build with fixed time stamps carries (2000-01-01 UTC).
constexpr int64_t kFixedUnixTime = 946684800;

struct ReleaseSettings {
  bool compressed = true;
  bool setupExe = false;
  bool fixedTimestamps = false;
  bool failOnValidationErrors = false;
  std::string buildLocation = qv::kProjectFolderVariable;
  std::string packageName;
  std::string packageCode;
};

// The release's settings as the saved project holds them (table QvRelease: configuration,
// release, setting, value).
bool ReadReleaseSettings(const qv::engine::Database& database, const BuildRequest& request, BuildMessages& messages,
                         ReleaseSettings* settings) {
  using qv::engine::CellText;
  using qv::engine::TextCell;
  const qv::engine::Table* releases = database.FindTable(qv::kReleaseTable);
  const std::vector<qv::engine::RowId> rows =
      releases ? releases->RowsWhere(0, TextCell(request.configuration)) : std::vector<qv::engine::RowId>();
  if (rows.empty()) {
    messages.Error("The project has no product configuration '" + request.configuration + "'.");
    return false;
  }
  std::map<std::string, std::string> values;
  for (qv::engine::RowId id : rows) {
    const qv::engine::Row& row = *releases->Get(id);
    if (CellText(row[1]) == request.release) values[std::string(CellText(row[2]))] = std::string(CellText(row[3]));
  }
  if (values.empty()) {
    messages.Error("The product configuration '" + request.configuration + "' has no release '" + request.release + "'.");
    return false;
  }
  auto text = [&](const char* name) {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
  };
  auto flag = [&](const char* name, bool fallback) {
    const std::string value = text(name);
    return value.empty() ? fallback : std::atoi(value.c_str()) != 0;
  };
  settings->compressed = flag("Compressed", true);
  settings->setupExe = flag("SetupExe", false);
  settings->fixedTimestamps = flag("FixedTimestamps", false);
  settings->failOnValidationErrors = flag(qv::kSettingFailOnValidationErrors, false);
  if (std::string location = text("BuildLocation"); !location.empty()) settings->buildLocation = location;
  settings->packageName = text("PackageName");
  settings->packageCode = text("PackageCode");
  return true;
}

// The folder a release's location names: "<QvProjectFolder>" is the project file's folder.
std::string ResolveLocation(const std::string& location, const std::string& projectPath) {
  const size_t cut = platform::LastSeparator(projectPath);
  const std::string projectFolder = cut == std::string::npos ? "." : projectPath.substr(0, cut);
  std::string folder = location;
  const std::string variable = qv::kProjectFolderVariable;
  if (size_t at = folder.find(variable); at != std::string::npos) folder.replace(at, variable.size(), projectFolder);
  while (folder.size() > 1 && platform::IsSeparator(folder.back())) folder.pop_back();
  return platform::ResolveHostPath(folder);
}

// Removes the paths it holds when it goes: the temporaries of a build, however it ends.
class Leftovers {
 public:
  void Add(const std::string& path) { paths_.push_back(path); }
  ~Leftovers() {
    std::error_code ignored;
    for (const std::string& path : paths_) fs::remove_all(path, ignored);
  }

 private:
  std::vector<std::string> paths_;
};

// Where each file lies in an uncompressed image (relative path by File key, in package order).
// Two files at one place would install the same bytes twice: that is an error, found before
// anything is written. A Windows machine reading the image sees names without regard to case.
bool ImageLayout(const qv::engine::Database& database, const CompiledPackage& package, BuildMessages& messages,
                 std::vector<std::string>* relativePaths) {
  std::vector<DirectoryEntry> directories;
  if (const qv::engine::Table* table = database.FindTable("Directory"); table && table->Columns().size() >= 3) {
    for (const auto& [key, id] : table->KeyOrder()) {
      const qv::engine::Row& row = *table->Get(id);
      directories.push_back({std::string(qv::engine::CellText(row[0])), std::string(qv::engine::CellText(row[1])), std::string(qv::engine::CellText(row[2]))});
    }
  }
  const auto folders = SourceImageFolders(directories, /*shortNames=*/false);
  std::map<std::string, std::string> keyAtPath;
  bool ok = true;
  for (const PackageFile& file : package.files) {
    auto folder = folders.find(file.directory);
    const std::string relative = (folder == folders.end() ? std::string() : folder->second) +
                                 FileNameOf(file.fileName, /*shortNames=*/false);
    std::string caseless = relative;
    for (char& c : caseless) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (auto [other, added] = keyAtPath.emplace(caseless, file.key); !added) {
      messages.Error("Table 'File', row '" + file.key + "', column 'FileName': the source image would hold it and file '" +
                     other->second + "' at the same place, " + relative + ".");
      ok = false;
    }
    relativePaths->push_back(relative);
  }
  return ok;
}

// The installer's validation rules on the package as it will be written: a summary record, a
// record for each error and the warnings in the log. The errors fail the build only when the
// release asks for it.
int ErrorsAmong(const validation::Findings& findings) {
  int errors = 0;
  for (const validation::Finding& finding : findings) errors += finding.level == validation::Level::Error;
  return errors;
}

void ReportFindings(const validation::Findings& findings, const std::string& packageFile, bool failOnErrors,
                    BuildMessages& messages) {
  const int errors = ErrorsAmong(findings);
  const int warnings = int(findings.size()) - errors;
  messages.Info("Validation: " + std::to_string(errors) + " errors, " + std::to_string(warnings) + " warnings");
  for (const validation::Finding& finding : findings)
    messages.Record(finding.level == validation::Level::Error ? qv::kBuildError : qv::kBuildLogOnly,
                    validation::FormatFinding(packageFile, finding));
  if (errors && failOnErrors)
    messages.Error("The package has " + std::to_string(errors) +
                   " validation errors and FailOnValidationErrors is set: it is not written.");
}

void ReportValidation(const qv::engine::Database& database, const std::string& packageFile, bool failOnErrors,
                      BuildMessages& messages) {
  ReportFindings(validation::ValidatePackage(database), packageFile, failOnErrors, messages);
}

// The validation rules checked on a thread of their own while the cabinets are compressed: the
// check only reads the database, which nothing changes until the files' facts are recorded. The
// findings are reported before anything that the build says after it has begun.
class BackgroundValidation {
 public:
  BackgroundValidation(const qv::engine::Database& database, bool failOnErrors)
      : failOnErrors_(failOnErrors), findings_(std::async(std::launch::async, [this, &database] {
          validation::Findings findings = validation::ValidatePackage(database);
          if (failOnErrors_ && ErrorsAmong(findings) > 0) failing_ = true;
          return findings;
        })) {}
  // Once the findings are known to stop the build: the compression need not go on.
  bool Failing() const { return failing_; }
  // Waits for the findings and reports them, the first time it is asked.
  void Report(const std::string& packageFile, BuildMessages& messages) {
    if (findings_.valid()) ReportFindings(findings_.get(), packageFile, failOnErrors_, messages);
  }

 private:
  const bool failOnErrors_;
  std::atomic<bool> failing_{false};
  std::future<validation::Findings> findings_;  // last: the thread uses the members above
};

bool CopyImageFiles(const CompiledPackage& package, const std::vector<std::string>& relativePaths,
                    const std::string& outputFolder, BuildMessages& messages) {
  for (size_t i = 0; i < package.files.size(); ++i) {
    if (messages.Cancelled()) return false;
    const PackageFile& file = package.files[i];
    const std::string target = outputFolder + "/" + relativePaths[i];
    // A plain copy into the new image folder: the folder is flushed to disk once, whole, before
    // it takes the old image's place.
    std::error_code failure;
    fs::create_directories(fs::path(target).parent_path(), failure);
    if (!failure) fs::copy_file(file.hostPath, target, fs::copy_options::overwrite_existing, failure);
    if (failure) {
      messages.Error("Table 'File', row '" + file.key + "', column 'FileName': cannot copy '" + file.hostPath +
                     "' into the source image as " + target + ".");
      return false;
    }
  }
  return true;
}

void ReportUnreadable(const PackageFile& file, BuildMessages& messages) {
  messages.Error("Table 'File', row '" + file.key + "', column 'FileName': the source file '" + file.hostPath +
                 "' cannot be read, or changed while the package was built.");
}

// The request's thread count, else FERNCLIP_BUILD_THREADS, else one per usable processor.
unsigned CompressionThreads(const BuildRequest& request) {
  if (request.threads > 0) return request.threads;
  if (const char* text = std::getenv("FERNCLIP_BUILD_THREADS")) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > 0 && value <= 256) return unsigned(value);
  }
  return platform::UsableProcessorCount();
}

// Puts a complete new image folder in the place of the old one: the two are exchanged in one
// step where the file system can, so the image is always the old one or the new one whole; the
// old one then goes.
bool SwapIntoPlace(const std::string& built, const std::string& target) {
  if (const int fd = ::open(built.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    ::syncfs(fd);  // every file of the new image, in one go
    ::close(fd);
  }
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0) return ::rename(built.c_str(), target.c_str()) == 0;
  if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
    // Without the exchange: the old image steps aside first, under a name the next run removes.
    const std::string aside = platform::TemporaryPathBeside(target);
    if (::rename(target.c_str(), aside.c_str()) != 0) return false;
    if (::rename(built.c_str(), target.c_str()) != 0) {
      ::rename(aside.c_str(), target.c_str());
      return false;
    }
    std::error_code ignored;
    fs::remove_all(aside, ignored);
  } else {
    std::error_code ignored;
    fs::remove_all(built, ignored);  // now the old image
  }
  qv::engine::SyncFolderOf(target);
  return true;
}

}  // namespace

bool RunBuild(const BuildRequest& request, BuildMessages& messages, std::string* packagePath) {
  const std::string& projectPath = request.projectPath;
  if (projectPath.empty()) {
    messages.Error("The project must be saved before it is built.");
    return false;
  }
  // The build works on its own copy of the saved project, loaded into the engine's database.
  std::unique_ptr<qv::engine::Database> database;
  if (qv::Failed(qv::engine::LoadDatabase(projectPath, &database))) {
    messages.Error("Cannot read the saved project " + projectPath + ".");
    return false;
  }
  ReleaseSettings settings;
  if (!ReadReleaseSettings(*database, request, messages, &settings)) return false;

  CompileSettings compileSettings;
  // The project's merge modules join the package before it is compiled; their files, unpacked
  // for the build, follow the package's own.
  // They are unpacked beside the project, under a temporary's name that tells whose they are, so
  // that the next run there removes them should this one be killed outright.
  Leftovers moduleFiles;
  if (const qv::engine::Table* modules = database->FindTable(qv::kMergeModuleTable); modules && modules->RowCount()) {
    const std::string unpackFolder = platform::TemporaryPathBeside(qv::engine::FolderOf(projectPath) + "/merge-modules");
    moduleFiles.Add(unpackFolder);
    if (!MergeProjectModules(*database, unpackFolder, messages, &compileSettings.moduleFiles)) return false;
  }
  compileSettings.compressed = settings.compressed;
  compileSettings.engineFolder = request.engineFolder;
  compileSettings.cabinetLimits = request.cabinetLimits;
  CompiledPackage package;
  CompilePackage(*database, compileSettings, messages, &package);
  if (messages.Cancelled()) return false;
  // A plain file name in the output folder, whatever the project holds.
  settings.packageName = platform::PlainFileName(
      settings.packageName.empty() ? package.productName : settings.packageName, "Package");

  const std::string location = ResolveLocation(settings.buildLocation, projectPath);
  // What builds that were killed outright left behind.
  platform::RemoveTemporaries(location, platform::TemporaryOwner::kDeadProcesses);
  const std::string outputFolder = settings.compressed ? location : location + "/" + settings.packageName;
  *packagePath = outputFolder + "/" + settings.packageName + ".msi";
  // After errors the package is not written: no announcement of it then.
  if (messages.ErrorCount() == 0)
    messages.Info("Building " + std::string(settings.compressed ? "compressed" : "uncompressed") + " package " +
                  *packagePath + " (" + std::to_string(package.files.size()) + " files).");

  PackageSummary summary;
  summary.title = "Installation Database";
  summary.subject = package.productName;
  summary.author = package.manufacturer;
  summary.keywords = "Installer,MSI,Database";
  summary.comments = "This installer database contains the logic and data required to install " +
                     package.productName + ".";
  summary.templateText = SummaryTemplate(package.is64Bit, package.language);
  summary.packageCode = settings.packageCode.empty() ? platform::NewGuid() : settings.packageCode;
  summary.creatingApplication = std::string("fernclip ") + FERNCLIP_VERSION;
  summary.wordCount = settings.compressed ? kWordCountCompressed : 0;  // long names either way
  if (!settings.fixedTimestamps) summary.createdTime = FileTimeFromUnixSeconds(int64_t(std::time(nullptr)));
  ApplyPackageSummary(*database, summary);

  const std::string packageFile = settings.packageName + ".msi";
  std::optional<BackgroundValidation> validation;
  if (settings.compressed && messages.ErrorCount() == 0)
    validation.emplace(*database, settings.failOnValidationErrors);
  else
    ReportValidation(*database, packageFile, settings.failOnValidationErrors, messages);
  auto reportValidation = [&] {
    if (validation) validation->Report(packageFile, messages);
  };
  std::vector<std::string> imagePaths;
  if (!settings.compressed) ImageLayout(*database, package, messages, &imagePaths);
  if (messages.ErrorCount() > 0) return false;

  // An uncompressed image is made in a new folder beside the old one, which stays untouched
  // until the new one is complete.
  const std::string buildFolder = settings.compressed ? outputFolder : platform::TemporaryPathBeside(outputFolder);
  Leftovers leftovers;  // the temporary package, cabinets or image
  if (!settings.compressed) {
    leftovers.Add(buildFolder);
    if (fs::exists(outputFolder) && !fs::is_directory(outputFolder)) {
      messages.Error("Cannot create the output folder " + outputFolder + ".");
      return false;
    }
  }
  if (!platform::CreateDirectories(buildFolder)) {
    reportValidation();
    messages.Error("Cannot create the output folder " + outputFolder + ".");
    return false;
  }
  const std::string temporary =
      settings.compressed ? platform::TemporaryPathBeside(*packagePath) : buildFolder + "/" + settings.packageName + ".msi";
  if (settings.compressed) leftovers.Add(temporary);
  auto cancelled = [&messages] { return messages.Cancelled(); };
  auto stopCompressing = [&] { return messages.Cancelled() || (validation && validation->Failing()); };

  std::string error;
  qv::engine::SaveOptions saveOptions;
  saveOptions.fixedTimestamps = settings.fixedTimestamps;
  std::vector<FileFacts> facts;
  if (settings.compressed) {
    // The cabinets go straight into the package's file, one after another after the room for
    // its header, and the database is then written around them: a large package's bytes are
    // written once, not copied from cabinet files.
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(temporary.c_str(), "wb"), &std::fclose);
    if (!file) {
      reportValidation();
      messages.Error("Cannot write " + temporary + ".");
      return false;
    }
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);
    using Writer = qv::engine::CompoundFileWriter;
    constexpr uint64_t kAlignment = Writer::kPlacedStreamAlignment;
    const std::string zeros(std::max(Writer::kPlacedStreamsBegin, kAlignment), '\0');
    uint64_t offset = Writer::kPlacedStreamsBegin;
    bool written = std::fwrite(zeros.data(), 1, offset, file.get()) == offset;
    CabinetOptions cabinetOptions;
    if (settings.fixedTimestamps) cabinetOptions.fixedTime = kFixedUnixTime;
    cabinetOptions.threads = CompressionThreads(request);
    cabinetOptions.cancelled = stopCompressing;
    size_t begin = 0;
    for (size_t i = 0; written && i < package.cabinetEnds.size(); ++i) {
      std::vector<CabinetFile> files;
      for (size_t f = begin; f < package.cabinetEnds[i]; ++f)
        files.push_back({package.files[f].key, package.files[f].hostPath, package.files[f].size});
      const std::string name = CabinetStreamName(i + 1);
      std::vector<FileFacts> cabinetFacts;
      CabinetFailure failure;
      uint64_t size = 0;
      if (!WriteCabinet(file.get(), files, cabinetOptions, &cabinetFacts, &failure, &size)) {
        reportValidation();
        // Stopped by the validation's errors or by the user: both have said so already.
        if (messages.ErrorCount() > 0 || messages.Cancelled()) return false;
        if (failure.file)
          ReportUnreadable(package.files[begin + *failure.file], messages);
        else
          messages.Error("Cannot write cabinet " + name + ": " + failure.message);
        return false;
      }
      facts.insert(facts.end(), std::make_move_iterator(cabinetFacts.begin()),
                   std::make_move_iterator(cabinetFacts.end()));
      begin = package.cabinetEnds[i];
      saveOptions.placedStreams.push_back({name, offset, size});
      // The next cabinet begins at a sector boundary of the package's file.
      const uint64_t padding = (kAlignment - size % kAlignment) % kAlignment;
      written = std::fwrite(zeros.data(), 1, padding, file.get()) == padding;
      offset += size + padding;
    }
    reportValidation();
    if (std::fclose(file.release()) != 0 || !written) {
      messages.Error("Cannot write " + temporary + ".");
      return false;
    }
    if (messages.ErrorCount() > 0) return false;
  } else {
    facts.resize(package.files.size());
    for (size_t i = 0; i < package.files.size(); ++i) {
      if (messages.Cancelled()) return false;
      if (!InspectFile(package.files[i].hostPath, &facts[i])) {
        ReportUnreadable(package.files[i], messages);
        return false;
      }
    }
  }
  RecordFileFacts(*database, package, facts, messages);
  if (messages.ErrorCount() > 0) return false;
  saveOptions.cancelled = cancelled;
  if (const qv::HResult saved = qv::engine::SaveDatabase(*database, temporary, saveOptions); qv::Failed(saved)) {
    if (saved != qv::kAbort) messages.Error("Cannot write " + temporary + ".");
    return false;
  }

  if (!settings.compressed && !CopyImageFiles(package, imagePaths, buildFolder, messages)) return false;
  if (settings.setupExe &&
      !PlaceSetupLauncher(request.engineFolder + "/setup-launcher.exe", settings.packageName + ".msi",
                          buildFolder + "/setup.exe", &error)) {
    messages.Error(error);
    return false;
  }
  // The last moment to stop: from here on the new package takes the old one's place.
  if (messages.Cancelled()) return false;
  const bool placed = settings.compressed ? platform::RenameFile(temporary, *packagePath) : SwapIntoPlace(buildFolder, outputFolder);
  if (!placed) {
    messages.Error("Cannot write " + *packagePath + ".");
    return false;
  }
  if (settings.compressed) qv::engine::SyncFolderOf(*packagePath);
  messages.Info("Package written: " + *packagePath);
  return true;
}

}  // namespace builder
