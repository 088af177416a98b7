/* setup.exe: installs the Windows Installer package that lies beside it.
 *
 * Runs "<system folder>\msiexec.exe /i "<folder of setup.exe>\<package>" <own arguments>",
 * waits for it and returns its exit code. The package name is written into package_name by the
 * build that places this launcher (the slot starts with the marker until then); without a name
 * the first .msi file in the launcher's folder is installed. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#define SLOT_CHARS 260

/* Patched by the build: the marker below is replaced by the package's file name. */
wchar_t package_name[SLOT_CHARS] = L"<<FERNCLIP-SETUP-PACKAGE-NAME>>";

static size_t Length(const wchar_t* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

/* Appends text to buffer (capacity in characters); 0 when it does not fit. */
static int Append(wchar_t* buffer, size_t capacity, const wchar_t* text) {
  size_t used = Length(buffer), add = Length(text);
  if (used + add + 1 > capacity) return 0;
  for (size_t i = 0; i <= add; ++i) buffer[used + i] = text[i];
  return 1;
}

/* The arguments of our own command line, after the program name. */
static const wchar_t* OwnArguments(void) {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

static void Fail(const wchar_t* text) {
  DWORD written;
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err != INVALID_HANDLE_VALUE && err != NULL) WriteConsoleW(err, text, (DWORD)Length(text), &written, NULL);
}

/* A console program, so that scripts get msiexec's exit code when they run it. */
int wmain(void) {
  static wchar_t folder[32768], package[32768], msiexec[MAX_PATH + 16], command[65536];

  DWORD n = GetModuleFileNameW(NULL, folder, 32768);
  if (n == 0 || n >= 32768) return 1;
  while (n > 0 && folder[n - 1] != L'\\' && folder[n - 1] != L'/') --n;
  folder[n] = 0;

  package[0] = 0;
  Append(package, 32768, folder);
  /* '<' cannot begin a file name: the slot still holds its marker. */
  if (package_name[0] && package_name[0] != L'<') {
    if (!Append(package, 32768, package_name)) return 1;
  } else {
    WIN32_FIND_DATAW found;
    wchar_t pattern[32768] = {0};
    Append(pattern, 32768, folder);
    Append(pattern, 32768, L"*.msi");
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
      Fail(L"setup: no installer package found beside setup.exe\r\n");
      return ERROR_FILE_NOT_FOUND;
    }
    FindClose(search);
    if (!Append(package, 32768, found.cFileName)) return 1;
  }

  UINT systemLength = GetSystemDirectoryW(msiexec, MAX_PATH);
  if (systemLength == 0 || systemLength >= MAX_PATH) return 1;
  Append(msiexec, MAX_PATH + 16, L"\\msiexec.exe");

  command[0] = 0;
  const wchar_t* arguments = OwnArguments();
  if (!Append(command, 65536, L"\"") || !Append(command, 65536, msiexec) ||
      !Append(command, 65536, L"\" /i \"") || !Append(command, 65536, package) ||
      !Append(command, 65536, L"\"") || (*arguments && (!Append(command, 65536, L" ") ||
      !Append(command, 65536, arguments)))) {
    Fail(L"setup: command line too long\r\n");
    return ERROR_FILENAME_EXCED_RANGE;
  }

  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessW(msiexec, command, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process)) {
    Fail(L"setup: cannot start msiexec.exe\r\n");
    return (int)GetLastError();
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)exitCode;
}
