// A library without DllGetClassObject, for the engine-loading tests.
extern "C" __attribute__((visibility("default"))) int NotTheExport() { return 1; }
