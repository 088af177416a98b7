/* The setup library of an ODBC driver for the install tests: the installer's ODBC actions call
 * its ConfigDSN to add and remove data sources. A data source is written as the ODBC installer
 * keeps it (ODBC.INI below the machine's or the user's registry, as the configuration mode
 * that the caller set says): its entry in "ODBC Data Sources" and its attributes. */
#include <windows.h>
#include <wchar.h>

enum { kRemoveDsn = 3, kRemoveSystemDsn = 6 }; /* ODBC_REMOVE_DSN, ODBC_REMOVE_SYS_DSN */

static const WCHAR kIni[] = L"ODBC.INI";
static const WCHAR kSources[] = L"ODBC Data Sources";

/* SQLWritePrivateProfileStringW of the ODBC installer library that the caller has loaded
 * (looked up, not linked: the test build links no import libraries). */
typedef BOOL(WINAPI* OdbcIniWriter)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);
static BOOL WriteOdbcIni(LPCWSTR section, LPCWSTR entry, LPCWSTR text) {
  static OdbcIniWriter writer;
  if (!writer)
    writer = (OdbcIniWriter)(void*)GetProcAddress(LoadLibraryW(L"odbccp32.dll"), "SQLWritePrivateProfileStringW");
  return writer && writer(section, entry, text, kIni);
}

BOOL WINAPI ConfigDSNW(HWND parent, WORD request, LPCWSTR driver, LPCWSTR attributes) {
  (void)parent;
  const WCHAR* dsn = NULL;
  for (const WCHAR* p = attributes; p && *p; p += wcslen(p) + 1)
    if (!wcsncmp(p, L"DSN=", 4)) dsn = p + 4;
  if (!dsn || !*dsn) return FALSE;
  if (request == kRemoveDsn || request == kRemoveSystemDsn) {
    WriteOdbcIni(dsn, NULL, NULL);
    return WriteOdbcIni(kSources, dsn, NULL);
  }
  if (!WriteOdbcIni(kSources, dsn, driver)) return FALSE;
  for (const WCHAR* p = attributes; *p; p += wcslen(p) + 1) {
    const WCHAR* equals = wcschr(p, L'=');
    if (!equals || !wcsncmp(p, L"DSN=", 4) || equals - p >= 128) continue;
    WCHAR key[128];
    wcsncpy(key, p, equals - p);
    key[equals - p] = 0;
    WriteOdbcIni(dsn, key, equals + 1);
  }
  return TRUE;
}

BOOL WINAPI ConfigDSN(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
  WCHAR wideDriver[256], wideAttributes[2048];
  int length = 0;
  if (!MultiByteToWideChar(CP_ACP, 0, driver, -1, wideDriver, 256)) return FALSE;
  while (attributes[length] || attributes[length + 1]) ++length;
  if (length + 2 > 2048 || !MultiByteToWideChar(CP_ACP, 0, attributes, length + 2, wideAttributes, 2048)) return FALSE;
  return ConfigDSNW(parent, request, wideDriver, wideAttributes);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance, (void)reason, (void)reserved;
  return TRUE;
}
