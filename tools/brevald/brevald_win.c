/* The terminal system library as a Windows DLL (Brevald.dll), for running the library on a
 * desktop system or under Wine:
 *
 *   BCREADER_ENGINE_KIND  its first character is the engine kind ('1', '2': SE955; '3': 4507;
 *                         '4', '5': none); unset or empty: no kind
 *   BREVALD_RECORD        file that receives one line per call, a millisecond tick count first:
 *                           <ms> GetSysInfo
 *                           <ms> SetLEDLight <which> <on>
 *                           <ms> SetVibratorPower <on>
 *                         unset: nothing recorded
 *
 * The environment is read at every call. Each line is one write to a file opened for appending,
 * so lines of concurrent calls do not mix. */
#include <stdio.h>
#include <windows.h>

#define BREVALD_EXPORT __declspec(dllexport)

enum { kEngineKindOffset = 32 };

static void Record(const char *line) {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"BREVALD_RECORD", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char text[128];
  int size = snprintf(text, sizeof text, "%llu %s\n", (unsigned long long)GetTickCount64(), line);
  if (size <= 0 || (size_t)size >= sizeof text) return;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, (DWORD)size, &written, NULL);
  CloseHandle(file);
}

/* Fills the engine-kind text of a 512-byte block: the kind character, then a zero. 0 = success. */
BREVALD_EXPORT int GetSysInfo(void *block512) {
  Record("GetSysInfo");
  if (block512 == NULL) return 1;
  char value[256];
  DWORD length = GetEnvironmentVariableA("BCREADER_ENGINE_KIND", value, sizeof value);
  char *block = (char *)block512;
  /* Kinds are one character; a value too long for the buffer is no kind. */
  block[kEngineKindOffset] = length > 0 && length < sizeof value ? value[0] : '\0';
  block[kEngineKindOffset + 1] = '\0';
  return 0;
}

/* The terminal has one LED; which is recorded and not otherwise used. */
BREVALD_EXPORT void SetLEDLight(int which, int on) {
  char line[64];
  snprintf(line, sizeof line, "SetLEDLight %d %d", which, on);
  Record(line);
}

BREVALD_EXPORT void SetVibratorPower(int on) {
  char line[64];
  snprintf(line, sizeof line, "SetVibratorPower %d", on);
  Record(line);
}
