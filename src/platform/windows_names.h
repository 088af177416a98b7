// The rules of Windows file names: what a name may not hold, and the device names that no file
// can have.
#pragma once

#include <string>

namespace platform {

// Whether name (without its extension) is one of Windows's device names: CON, PRN, AUX, NUL,
// COM1 to COM9, LPT1 to LPT9, in any letter case.
bool IsReservedDeviceName(const std::string& name);

// Why Windows cannot create a file of this name (it holds a control character or one of
// < > : " / \ | ? *, is a device name, or is longer than 255 characters); empty when it can.
std::string WindowsNameFault(const std::string& name);
// The same for the name of a file to be removed, which may hold the wildcards '*' and '?'.
std::string RemovedNameFault(const std::string& name);

// The first folder name of a path below its root (a leading "[Property]" or "X:") that Windows
// cannot create, as "'name' <why>"; empty when it can create them all.
std::string FolderNameFault(const std::string& folderPath);

// Why Windows cannot create the file name in folderPath, as "its name <why>" or "its folder
// 'x' <why>"; empty when it can.
std::string InstallPathFault(const std::string& folderPath, const std::string& name);

// name as one plain file name that every Windows file system takes: the characters no Windows
// file name may hold (< > : " / \ | ? * and control characters) and every dot of a run of two or
// more become '_', a device name gets '_' appended, and an empty name becomes fallback. The
// result never leads out of the folder it is put in.
std::string PlainFileName(const std::string& name, const std::string& fallback);

}  // namespace platform
