/* A small program for the install tests: a custom action that runs it leaves a trace. Appends
 * "ran" and its further arguments into the file named by its first argument; returns 0, or 1
 * when the file cannot be written. */
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc < 2) return 0;
  FILE* file = fopen(argv[1], "ab");
  if (!file) return 1;
  fputs("ran", file);
  for (int i = 2; i < argc; ++i) fprintf(file, " %s", argv[i]);
  fputs("\n", file);
  return fclose(file) == 0 ? 0 : 1;
}
