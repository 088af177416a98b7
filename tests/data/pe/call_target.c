/* A small DLL for the install tests: a package calls its functions through the DLL wrapper, and
 * each call leaves a line in the file named by its first argument. */
#include <stdio.h>
#include <windows.h>

/* Appends "Record <number> <flag>" and returns twice the number. */
__declspec(dllexport) int WINAPI Record(const char* path, int number, BOOL flag) {
  FILE* file = fopen(path, "ab");
  if (!file) return -1;
  fprintf(file, "Record %d %d\n", number, flag);
  fclose(file);
  return number * 2;
}

/* Appends "Note <text>". */
__declspec(dllexport) void WINAPI Note(const char* path, const char* text) {
  FILE* file = fopen(path, "ab");
  if (!file) return;
  fprintf(file, "Note %s\n", text);
  fclose(file);
}
