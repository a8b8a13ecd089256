/* A terminal system library for tests: it records every call, one line each, appended to the
 * file that BREVALD_RECORD names (nothing when unset), with a monotonic millisecond time first:
 *
 *   <ms> GetSysInfo
 *   <ms> SetLEDLight <which> <on>
 *   <ms> SetVibratorPower <on>
 *
 * GetSysInfo answers as the shipped library does, from BCREADER_ENGINE_KIND. Each line is one
 * write to a file opened for appending, so lines of concurrent calls do not mix.
 *
 * With BREVALD_UNLOAD_PAUSE_MS set, unloading records "<ms> unload" and then lingers that long
 * before the library goes away; a call that reaches it meanwhile, which would have found the
 * library gone, is recorded with "late " in front of its name. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#define BREVALD_EXPORT __attribute__((visibility("default")))

enum { kEngineKindOffset = 32 };

static unsigned long long NowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (unsigned long long)now.tv_sec * 1000u + (unsigned long long)now.tv_nsec / 1000000u;
}

static volatile int unloading;

static void Record(const char *line) {
  const char *path = getenv("BREVALD_RECORD");
  if (path == NULL || *path == '\0') return;
  char text[128];
  int length = snprintf(text, sizeof text, "%llu %s%s\n", NowMs(), unloading ? "late " : "", line);
  if (length <= 0 || (size_t)length >= sizeof text) return;
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = write(fd, text, (size_t)length);
  (void)written;
  close(fd);
}

BREVALD_EXPORT int GetSysInfo(void *block512) {
  Record("GetSysInfo");
  if (block512 == NULL) return 1;
  const char *kind = getenv("BCREADER_ENGINE_KIND");
  char *block = (char *)block512;
  block[kEngineKindOffset] = kind != NULL ? kind[0] : '\0';
  block[kEngineKindOffset + 1] = '\0';
  return 0;
}

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

__attribute__((destructor)) static void Unload(void) {
  const char *pause = getenv("BREVALD_UNLOAD_PAUSE_MS");
  if (pause == NULL || *pause == '\0') return;
  Record("unload");
  unloading = 1;
  struct timespec wait = {atoi(pause) / 1000, (atoi(pause) % 1000) * 1000000L};
  nanosleep(&wait, NULL);
}
