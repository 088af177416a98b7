#include "capture_generator.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace bench {

namespace {

namespace fs = std::filesystem;

constexpr size_t kValuesPerKey = 10;

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The folder of folder number d: most below the product's folder, every 50th in the user's
// application data.
std::string FolderName(size_t d) {
  return d % 50 == 49 ? "AppDataFolder\\Gen\\Profile" + std::to_string(d)
                      : "ProgramFilesFolder\\Gen\\Dir" + std::to_string(d);
}

// File number i of a folder: a program, a DLL, a help file and its contents, the rest data.
std::string FileName(size_t d, size_t i) {
  const std::string n = std::to_string(d) + "_" + std::to_string(i);
  switch (i % 40) {
    case 0: return "app" + n + ".exe";
    case 1: return "lib" + n + ".dll";
    case 2: return "help" + std::to_string(d) + "_" + std::to_string(i / 40) + ".hlp";
    case 3: return "help" + std::to_string(d) + "_" + std::to_string(i / 40) + ".cnt";
    case 4: return "Read Me " + n + ".txt";
    default: return "data" + n + (i % 2 ? ".cfg" : ".dat");
  }
}

std::string ScriptText(const CaptureShape& shape) {
  std::string text =
      "!************************ Generated capture\r\nCreatedBy(1)\r\nOSInfo('5','1','2600','1033')\r\n"
      "ScriptVersion('4.0')\r\n";
  const size_t folders = shape.folders ? shape.folders : 1;
  size_t written = 0;
  for (size_t d = 0; d < folders; ++d) {
    const size_t count = shape.files / folders + (d < shape.files % folders ? 1 : 0);
    const std::string folder = FolderName(d);
    const size_t split = folder.find('\\');
    text += "InstallFileList('[" + folder.substr(0, split) + "]" + folder.substr(split + 1) + "'|0|0)\r\n";
    for (size_t i = 0; i < count; ++i, ++written)
      text += "%SCRIPTFOLDER%" + folder + "\\" + FileName(d, i) + (i % 40 == 1 ? "|0|0||0|0|1" : "") + "\r\n";
  }
  for (size_t d = 0; d < folders; ++d) {
    text += "DeleteFileList('[WindowsFolder]Temp\\Gen" + std::to_string(d) + "')\r\nold" + std::to_string(d) +
            ".log\r\nEndProc\r\n";
    if (d % 10 == 0) {
      text += "MakeDir('[ProgramFilesFolder]Gen\\Dir" + std::to_string(d) + "\\Logs',0,0,'')\r\n";
      text += "CreateLink('App " + std::to_string(d) + "','[ProgramFilesFolder]Gen\\Dir" + std::to_string(d) +
              "\\app" + std::to_string(d) + "_0.exe','','','Programs\\Gen')\r\n";
    }
  }
  text += "EXE(%SystemFolder%\\regsvr32.exe|System|/s gen.dll|InstallFinalize|0)\r\n";
  text += "DLL(%SCRIPTFOLDER%ProgramFilesFolder\\Gen\\Dir0\\lib0_1.dll||Init|VOID|CostFinalize|0)\r\n"
          "level|INT|3\r\nEndProc\r\n";
  text += "AppendPath('%ProgramFilesFolder%\\Gen\\Dir0')\r\n";
  text += "RegLoad('C:\\Capture\\app.reg')\r\nRegDelete('C:\\Capture\\appdel.reg')\r\n";
  return text;
}

std::string KeyLine(size_t k) {
  const std::string n = std::to_string(k);
  switch (k % 10) {
    case 0: return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Gen.Document" + n + "]";
    case 1:
    case 2: return "[HKEY_CURRENT_USER\\Software\\Gen\\Settings" + n + "]";
    default: return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gen\\Key" + n + "]";
  }
}

std::string ValueLine(size_t v) {
  const std::string name = "\"Value" + std::to_string(v) + "\"=";
  switch (v % 6) {
    case 0: return name + "\"%windir%\\\\gen\\\\file" + std::to_string(v) + ".dat\"";
    case 1: return name + "dword:" + std::to_string(10000000 + v % 80000000);
    case 2: return name + "hex:01,a2,ff,00,7f,\\\r\n  10,20";
    case 3: return name + "hex(7):61,00,62,00,00";
    case 4: return name + "hex(2):25,54,45,4d,50,25,00";
    default: return name + "\"Text with [brackets] and {braces} " + std::to_string(v) + "\"";
  }
}

std::string RegistryText(size_t values) {
  std::string text = "REGEDIT4\r\n";
  for (size_t v = 0; v < values; ++v) {
    if (v % kValuesPerKey == 0) text += "\r\n" + KeyLine(v / kValuesPerKey) + "\r\n";
    text += ValueLine(v) + "\r\n";
  }
  return text;
}

// One removed key in a hundred, with one value.
std::string DeletedRegistryText(size_t values) {
  std::string text = "REGEDIT4\r\n";
  for (size_t k = 0; k < values / kValuesPerKey; k += 100)
    text += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gen\\Old" + std::to_string(k) + "]\r\n\"Gone\"=\"1\"\r\n";
  return text;
}

// Words of a small vocabulary mixed with runs of random bytes.
std::string MixedContent(std::mt19937& random) {
  static const char* const words[] = {"install", "component", "registry", "value",   "folder",   "program",
                                      "data",    "\x01\x02\x03", "config",   "version", "resource", "string"};
  const size_t size = 512 + random() % 15000;
  std::string text;
  while (text.size() < size) {
    if (random() % 4 == 0) {
      for (int i = 0; i < 16; ++i) text.push_back(char(random()));
    } else {
      text += words[random() % 12];
      text.push_back(' ');
    }
  }
  text.resize(size);
  return text;
}

void WriteCapturedFiles(const fs::path& root, const CaptureShape& shape) {
  const size_t folders = shape.folders ? shape.folders : 1;
  std::mt19937 random(1);
  std::string bytes(shape.fileSize, 'x');
  for (size_t d = 0; d < folders; ++d) {
    const size_t count = shape.files / folders + (d < shape.files % folders ? 1 : 0);
    std::string folder = FolderName(d);
    for (char& c : folder)
      if (c == '\\') c = '/';
    fs::create_directories(root / folder);
    for (size_t i = 0; i < count; ++i) {
      std::ofstream out(root / folder / FileName(d, i), std::ios::binary | std::ios::trunc);
      if (shape.mixedContent) bytes = MixedContent(random);
      out << bytes;
    }
  }
}

}  // namespace

std::string GenerateCapture(const std::string& folder, const CaptureShape& shape) {
  const fs::path root(folder);
  fs::create_directories(root);
  WriteText(root / "app.inc", ScriptText(shape));
  WriteText(root / "app.reg", RegistryText(shape.registryValues));
  WriteText(root / "appdel.reg", DeletedRegistryText(shape.registryValues));
  WriteText(root / "Options.ini",
            "[General]\r\nINSTALLDIR=[ProgramFilesFolder]Gen\r\nProductName=Generated\r\nProductVersion=1.0\r\n"
            "ARPPublisher=Fernclip Benchmarks\r\nUseMergeModules=N\r\n");
  if (shape.writeFiles) WriteCapturedFiles(root, shape);
  return (root / "app.inc").string();
}

}  // namespace bench
