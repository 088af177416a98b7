/* The runtime library of the test merge module: the tests only read its version resource. */
#include <windows.h>

__declspec(dllexport) int WINAPI FernrtVersion(void) { return 0x02050001; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance, (void)reason, (void)reserved;
  return TRUE;
}
