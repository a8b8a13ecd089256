/* A module of an application, linked with the library and unloaded together with it. Its own
 * unload runs first, while the dynamic loader's lock is already held for the library's unload:
 * it delivers one decode, which wakes the sound worker, and leaves the worker time to reach its
 * play before the library's unload begins. */
#include <unistd.h>

#include "bcreader_posix.h"

__attribute__((destructor)) static void DeliverWhileUnloading(void) {
  BcrPostMessage(BcrFindWindow("Quenrix"), BcrRegisterWindowMessage("WM_DECODE"), 2, 0);
  BcrDispatchMessages(0);
  usleep(300000);
}
