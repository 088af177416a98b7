// QvUpgrd.dll: tells a current project file from one that needs an upgrade (an MSI-format
// database without the current project tables: a plain package, an older project) and from a
// file that is no MSI-format database at all, and brings upgradable files to the current
// format in place.
#include <cstdio>

#include "com_object.h"
#include "msi_file.h"
#include "project_upgrade.h"
#include "temp_file.h"

namespace qv::engine {

namespace {

// An address inside this library, to find the folder it was loaded from.
void Anchor() {}

class Upgrader : public ComObject<IUpgrader> {
 public:
  HResult GetVersionState(const std::string& path, int32_t* state) override {
    if (!state) return kPointer;
    *state = kVersionNotDatabase;
    std::unique_ptr<Database> db;
    HResult hr = LoadDatabase(path, &db);
    if (hr == kFileNotFound) return hr;
    if (Failed(hr)) return kOk;  // not a database: state 1
    *state = VersionStateOf(*db);
    return kOk;
  }
  HResult GetOutputFileName(const std::string& path, std::string* outputPath) override {
    if (!outputPath) return kPointer;
    *outputPath = path + ".upgrade";
    return kOk;
  }
  HResult SetOption(int32_t option, bool on) override {
    if (option == 1) keepBackup_ = on;
    else if (option == 2) silent_ = on;
    else return kInvalidArg;
    return kOk;
  }
  HResult Advise(IUpgradeEvents* events) override {
    events_ = ComPtr<IUpgradeEvents>(events);
    return kOk;
  }
  HResult Unadvise() override {
    events_.Reset();
    return kOk;
  }
  HResult Upgrade(const std::string& path) override {
    result_ = 1;
    std::unique_ptr<Database> db;
    HResult hr = LoadDatabase(path, &db);
    if (Failed(hr)) return Report(hr, "The file is not an MSI-format database: " + path);
    int32_t state = VersionStateOf(*db);
    if (state == kVersionCurrent) {
      result_ = 0;
      return kOk;
    }
    if (state != kVersionNeedsUpgrade) return Report(kBadFormat, "The project was written by a newer version: " + path);
    Tell("Upgrading " + path);

    std::unique_ptr<Database> blank;
    std::string templatePath = LibraryFolder(reinterpret_cast<const void*>(&Anchor)) + "QvProjBlankTpl.vpx";
    if (FileExists(templatePath) && Failed(LoadDatabase(templatePath, &blank))) blank.reset();
    hr = UpgradeDatabase(*db, blank.get());
    if (Failed(hr)) return Report(hr, "The project tables could not be added to " + path);

    // Written beside the file first; the original is replaced only by a complete result.
    std::string output;
    GetOutputFileName(path, &output);
    SaveOptions options;
    hr = SaveDatabase(*db, output, options);
    if (Failed(hr)) return Report(hr, "The upgraded project could not be written: " + output);
    if (keepBackup_ && !CopyFile(path, path + ".bak")) {
      std::remove(output.c_str());
      return Report(kAccessDenied, "No backup could be made of " + path);
    }
    if (std::rename(output.c_str(), path.c_str()) != 0) {
      std::remove(output.c_str());
      return Report(kAccessDenied, "The upgraded project could not replace " + path);
    }
    result_ = 0;
    Tell("Upgrade complete");
    return kOk;
  }
  HResult GetResult(int32_t* result) override {
    if (!result) return kPointer;
    *result = result_;
    return kOk;
  }

 private:
  void Tell(const std::string& text) {
    if (events_ && !silent_) events_->OnMessage(text);
  }
  HResult Report(HResult hr, const std::string& text) {
    if (events_) events_->OnMessage(text);
    return hr;
  }
  static bool CopyFile(const std::string& from, const std::string& to) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    FILE* out = std::fopen(to.c_str(), "wb");
    if (!out) {
      std::fclose(in);
      return false;
    }
    char buffer[65536];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
      if (std::fwrite(buffer, 1, n, out) != n) ok = false;
    std::fclose(in);
    return std::fclose(out) == 0 && ok;
  }

  ComPtr<IUpgradeEvents> events_;
  bool keepBackup_ = false;
  bool silent_ = false;
  int32_t result_ = 0;
};

}  // namespace
}  // namespace qv::engine

QV_EXPORT_CLASS_OBJECT(qv::CLSID_Upgrader, qv::engine::Upgrader)
