/* A Windows service for the install tests: it runs in a process of its own until the service
 * control manager stops it, and leaves a trace of both in C:\fernclip-service.txt ("started" with
 * the program's arguments, "stopped"). */
#include <stdio.h>
#include <windows.h>

static SERVICE_STATUS_HANDLE statusHandle;
static SERVICE_STATUS status;
static HANDLE stopEvent;
static int programArgc;
static char** programArgv;

static void Report(DWORD state) {
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  SetServiceStatus(statusHandle, &status);
}

static DWORD WINAPI Control(DWORD control, DWORD type, void* data, void* context) {
  (void)type, (void)data, (void)context;
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(stopEvent);
  }
  return NO_ERROR;
}

static void Trace(const char* what, int argc, char** argv) {
  FILE* file = fopen("C:\\fernclip-service.txt", "ab");
  if (!file) return;
  fputs(what, file);
  for (int i = 1; i < argc; ++i) fprintf(file, " %s", argv[i]);
  fputs("\n", file);
  fclose(file);
}

static void WINAPI ServiceMain(DWORD argc, char** argv) {
  (void)argc, (void)argv;
  statusHandle = RegisterServiceCtrlHandlerExA("", Control, NULL);
  if (!statusHandle) return;
  stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  Trace("started", programArgc, programArgv);
  Report(SERVICE_RUNNING);
  WaitForSingleObject(stopEvent, INFINITE);
  Trace("stopped", 0, NULL);
  Report(SERVICE_STOPPED);
}

int main(int argc, char** argv) {
  programArgc = argc;
  programArgv = argv;
  SERVICE_TABLE_ENTRYA services[] = {{"", ServiceMain}, {NULL, NULL}};
  return StartServiceCtrlDispatcherA(services) ? 0 : 1;
}
