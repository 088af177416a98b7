// Fuzzes the capture script reader with arbitrary bytes, then walks what it read through the
// path translation as the conversion steps would. A repackager_exception is the reader's defined
// answer to bad input; anything else (a crash, a hang, a sanitizer report) is a fault.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "core/repackager_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool environment = [] {
    setenv("FERNCLIP_REGISTRY", "/nonexistent/fernclip-fuzz/registry.reg", 1);
    return true;
  }();
  (void)environment;

  capture::RegistryModel model(size > 0 && (data[0] & 1));
  capture::CaptureScript script("fuzz.inc");
  script.AttachRegistryModel(&model);
  capture::SetCurrentCaptureScript(&script);
  try {
    script.ReadScriptText(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const core::repackager_exception&) {
  }

  for (const auto& [name, value] : script.ScriptVariables()) capture::SetInstallDirPath(value);
  for (const auto& [folder, files] : script.InstalledFiles()) {
    std::string path = folder;
    capture::ToInstallerFolder(path, false, false);
    for (const auto& file : files) {
      script.ContainsFile(capture::MakeSourcePath(file.name, folder));
      std::string embedded = file.name;
      capture::ConvertEmbeddedPaths(embedded, false, true);
      std::string normalized = folder + "\\" + file.name;
      capture::NormalizeFolderAndFile(normalized);
    }
  }
  for (const auto& shortcut : script.Shortcuts()) {
    std::string folder = shortcut.folder;
    capture::MapShortcutFolder(folder);
    std::string executable, arguments;
    capture::SplitCommandLine(shortcut.commandLine, executable, arguments);
    std::string text = shortcut.workingDirectory;
    capture::ToFormattedText(text);
  }
  capture::SetInstallDirPath("");
  capture::SetCurrentCaptureScript(nullptr);
  return 0;
}
