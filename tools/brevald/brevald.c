/* The terminal system library for Linux: tells which scan engine is fitted and drives the LED
 * and the vibrator.
 *
 *   BCREADER_ENGINE_KIND  its first character is the engine kind ('1', '2': SE955; '3': 4507;
 *                         '4', '5': none); unset or empty: no kind
 *   BCREADER_LED          file that receives "1\n" / "0\n" when the LED goes on / off (a LED
 *                         class brightness file on a real terminal); unset: LED not driven
 *   BCREADER_VIBRATOR     the same for the vibrator
 *
 * The environment is read at every call. */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define BREVALD_EXPORT __attribute__((visibility("default")))

/* Offset of the engine-kind text in the system-information block. */
enum { kEngineKindOffset = 32 };

static void WriteState(const char *variable, int on) {
  const char *path = getenv(variable);
  if (path == NULL || *path == '\0') return;
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = write(fd, on ? "1\n" : "0\n", 2);
  (void)written; /* nothing to report to: the calls have no result */
  close(fd);
}

/* Fills the engine-kind text of a 512-byte block: the kind character, then a zero. 0 = success. */
BREVALD_EXPORT int GetSysInfo(void *block512) {
  if (block512 == NULL) return 1;
  const char *kind = getenv("BCREADER_ENGINE_KIND");
  char *block = (char *)block512;
  block[kEngineKindOffset] = kind != NULL ? kind[0] : '\0';
  block[kEngineKindOffset + 1] = '\0';
  return 0;
}

/* The terminal has one LED; which is accepted and not used. */
BREVALD_EXPORT void SetLEDLight(int which, int on) {
  (void)which;
  WriteState("BCREADER_LED", on);
}

BREVALD_EXPORT void SetVibratorPower(int on) {
  WriteState("BCREADER_VIBRATOR", on);
}
