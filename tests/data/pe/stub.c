/* The smallest program body: the tests only read these files' resources. */
int __stdcall start(void) { return 0; }
