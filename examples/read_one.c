/* read_one: bring the reader up, press its trigger, wait for the decode broadcast and print the
 * decode. Run it with BCREADER_COM2 naming the engine's port (or a bcreader-sim pseudo-terminal
 * that is sent a decode). */
#include <stdio.h>

#include "bcreader.h"
#include "bcreader_posix.h"

static uint32_t decodeData;
static int delivered;

static intptr_t OnMessage(BcrWindow window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  (void)window;
  (void)lParam;
  if (msg == decodeData && wParam == 7) delivered = 1;
  return 0;
}

int main(void) {
  int32_t result = InitReader();
  if (result != 1) {
    fprintf(stderr, "InitReader: %d\n", (int)result);
    return 1;
  }
  decodeData = BcrRegisterWindowMessage("WM_DECODEDATA");
  if (BcrCreateWindow("ReadOneExample", OnMessage) == NULL) return 1;

  /* What the scan key does on the terminal. */
  BcrPostMessage(BcrFindWindow("Quenrix"), BcrRegisterWindowMessage("WM_USER1DOWN"), 0, 0);
  for (int waited = 0; !delivered && waited < 5000; waited += 100) BcrDispatchMessages(100);
  if (!delivered) {
    fprintf(stderr, "no decode\n");
    return 2;
  }
  char data[4096];
  int32_t length = GetDecodeData(data, sizeof data);
  printf("type %c, %d bytes: %s\n", GetDecodeType() > 0 ? GetDecodeType() : '?', (int)length, data);
  return 0;
}
