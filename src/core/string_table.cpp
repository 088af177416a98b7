#include "core/string_table.h"

#include <algorithm>
#include <cstdarg>
#include <iterator>

#include "platform/text.h"

namespace core {

namespace {

struct StringEntry {
  int id;
  const char* text;
};

// Every user-visible message, by number (kept in ascending order for the look-up).
constexpr StringEntry kStrings[] = {
    {1, "Converter engine could not be found."},
    {2, "The converter engine is corrupt."},
    {3, "The .inc file could not be found."},
    {4, "The options.ini file could not be found."},
    {21001, "Starting..."},
    {21002, "Finished successfully."},
    {21003, "Applying language '%s' to the project"},
    {21005, "Cancelled by user action."},
    {21010, "Creating Lanthorn project: %s"},
    {21011, "Saving vpx file..."},
    {21012, "Creating components from file list..."},
    {21020, "Can't open .vpx template. "},
    {21021, "Can't open .vpx template.  It needs to be upgraded first."},
    {21022, "Upgrading project file to current version"},
    {21023, "Upgrade failed."},
    {21024, "Unable to upgrade the template file."},
    {21025, "Checking version of template file '%s'"},
    {21080, "Building..."},
    {21081, "Build failed."},
    {21082, "Skipping shortcut '%s' for file '%s'"},
    {21083, "Copying compressed package to '%s'"},
    {21084, "          Including merge module '%s'"},
    {21085, "Snapshot"},
    {21086, "InstallMonitor"},
    {21087, "Unknown"},
    {21088, "A non-advertised shortcut must be created for %s in folder %s.  Autorepair cannot be enabled for this shortcut."},
    {22001, "Can't open file."},
    {22002, "File not found."},
    {22003, "Can't find template file '%s'."},
    {22004, "Unrecognized line in .inc file."},
    {22005, "Unrecognized line in .nir file."},
    {22006, "Can't create .vpx file."},
    {22007, "Can't create component."},
    {22008, "Invalid path: %s"},
    {22100, "Can't insert custom action '%s' into the %s table."},
    {22101, "Undefined file extension '%s':  the ProgID '%s' is undefined.  This may result in ICE33 warnings."},
    {22102, "Undefined shell verb '%s' (for ProgID '%s'):  no defined file extension could be found.  This may result in ICE33 warnings."},
    {22103, "Undefined CLSID '%s':  no component exists for file '%s'.  COM registry entries for CLSID '%s' will remain in the Registry table because file '%s' was not listed in the .inc file list.  This may result in ICE33 warnings."},
    {22104, "Undefined typelib '%s':  no component exists for file '%s'.  This may result in ICE33 warnings."},
    {22105, "Undefined ProgID '%s': the CLSID '%s' is undefined.  This may result in ICE33 warnings."},
    {22106, "Undefined NT Service '%s':  service type '%i' is not supported by Windows Installer 2.0.  This may result in ICE33 warnings."},
    {22107, "Undefined NT Service '%s':  an 'ImagePath' value was expected.  This may result in ICE33 warnings."},
    {22108, "Undefined default icon file for ProgID '%s':  no component exists for file '%s'.  This may result in ICE33 warnings."},
    {22109, "Undefined ProgID '%s':  no file was associated with it.  This may result in ICE33 warnings."},
    {22110, "Undefined AppID '%s':  no associated CLSID could be found.  This may result in ICE33 warnings."},
    {22111, "Undefined default icon for ProgId '%s':  at least one shell extension verb for the ProgId is required.  This may result in ICE33 warnings."},
    {22112, "Undefined typelib '%s': the captured data does not match the type information.  This may result in ICE33 warnings."},
    {22113, "Undefined application path value for '%s':  no file path was provided.  This may result in a build warning."},
    {22114, "Can't open file '%s'"},
    {22115, "ProgID '%s' is not fully defined (missing CLSID).  This may result in ICE33 warnings."},
    {22200, "Merge module '%s' will not be included because there is a shortcut that points to a file owned by the merge module."},
    {22201, "No INSTALLDIR definition was found in the Options.ini file.  This may lead to unexpected results unless a suitable value exists in the project template."},
    {22202, "This installation includes changes to base operating system file '%s'.  These changes are not supported and may require a custom action be created manually for the application to work. The installation performed the following changes:"},
    {22600, "lies outside the capture folder '%s': only files of the capture are read."},
    {22601, "is not a regular file: only regular files are read."},
    {22602, "The capture names %i file(s) that cannot be read for it; no project was written."},
    {22603, "%s: registry value '%s' of key '%s' was left out: %s."},
    {22604, "%s: registry value '%s' of key '%s' was left out: its type %s has no form in the Registry table."},
    {22605, "%s: registry value '%s' of key '%s' is given twice in different letter case; the last one is kept."},
    {22606, "%s: %i character(s) have no form in code page %i and were read as '?'."},
    {22607, "cannot be installed: its name %s. It was left out."},
    {22608, "installs to the same path as '%s' (line %i): Windows does not tell names apart by letter case. It was left out."},
    {22609, "cannot be installed: its folder %s. It was left out."},
    {22610, "The folder '%s' cannot be created: its folder %s. It was left out."},
    {22611, "gets no removal: its %s %s."},
    {23000, "Starting conversion"},
    {23001, "Reading options"},
    {23002, "Creating project file"},
    {23003, "Reading repackager output file"},
    {23004, "Loading registry entries"},
    {23005, "Creating components for the files captured"},
    {23006, "          Mapping typelib data from registry information to the TypeLib table"},
    {23007, "          Mapping COM data from registry information"},
    {23008, "          Mapping ProgIDs from registry information"},
    {23009, "          Mapping file extensions and MIME types from registry information to the Extension and Mime tables"},
    {23010, "          Mapping shell extension verbs from registry information to the Verb table"},
    {23011, "Mapping NT services from registry information to the ServiceInstall and ServiceControl tables"},
    {23012, "Processing .INI file changes and writing to the IniFile table"},
    {23013, "Creating directory folders and writing to the CreateFolders table"},
    {23014, "Mapping application paths from registry information"},
    {23015, "Mapping environment variables from registry information to the Environment table"},
    {23016, "Writing unmapped registry information to the Registry table"},
    {23017, "Creating shortcuts and writing to the Shortcut table"},
    {23018, "Scanning for ODBC drivers and writing to the ODBCSource and ODBCDriver tables"},
    {23019, "Applying merge modules"},
    {23020, "          Mapping Application IDs from registry information and writing to the AppId table"},
    {23021, "          Mapping COM categories"},
    {23022, "Mapping registry information to the Advertising tables"},
    {23023, "          Writing to the Class table"},
    {23024, "          Writing to the ProgId table"},
    {23030, "Building .msi package"},
    {23035, "Saving project file"},
    {23036, "Writing information to the RemoveRegistry table"},
    {25100, "This component consists of a Windows executable."},
    {25101, "This component consists of a Windows dynamic link library."},
    {25102, "This component consists of a custom control."},
    {25103, "This component consists of a Windows Help file and Help contents."},
    {25104, "This component consists of font files to be registered on the target system."},
    {25105, "This component consists of files not belonging to other components."},
    {25106, "FontFiles"},
    {25107, "AllOther"},
    {25109, "This component consists of a Type Library"},
    {25110, "This object consists of an Object Library."},
    {25111, "This component consists of a .SYS file"},
    {25112, "This component consists of an .ini file"},
    {25113, "QvPro Logging"},
};

constexpr bool IsSortedById() {
  for (size_t i = 1; i < std::size(kStrings); ++i)
    if (kStrings[i - 1].id >= kStrings[i].id) return false;
  return true;
}
static_assert(IsSortedById(), "the string table must stay sorted by id");

}  // namespace

std::string LoadString(int id) {
  const auto found = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const StringEntry& entry, int wanted) { return entry.id < wanted; });
  if (found == std::end(kStrings) || found->id != id) return std::string();
  return found->text;
}

std::string FormatString(int id, ...) {
  const std::string format = LoadString(id);
  if (format.empty()) return format;
  va_list args;
  va_start(args, id);
  std::string text = platform::FormatV(format.c_str(), args);
  va_end(args);
  return text;
}

}  // namespace core
