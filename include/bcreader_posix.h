/* Windows and messages on Linux: the message system that the library's hidden window lives in,
 * for applications that play the parts other modules play on the terminal (posting the trigger
 * messages, receiving the decode broadcast).
 *
 * The calls behave as the Win32 calls of the same purpose. Windows are top-level and belong to
 * the thread that creates them; messages posted to a window are queued for that thread and its
 * window procedure runs only when that thread calls BcrDispatchMessages. Any thread may make any
 * call at any time. Handles are checked, never followed: a stale handle is refused.
 *
 * A trigger press:
 *   BcrPostMessage(BcrFindWindow("Quenrix"), BcrRegisterWindowMessage("WM_USER1DOWN"), 0, 0);
 */
#ifndef BCREADER_POSIX_H
#define BCREADER_POSIX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct BcrWindow_ *BcrWindow;
#define BCR_BROADCAST ((BcrWindow)0xFFFF)
typedef intptr_t (*BcrWindowProc)(BcrWindow w, uint32_t msg, uintptr_t wParam, intptr_t lParam);

/* The number of the message registered under name: the same name (compared without regard to
 * case, as on Windows) gives the same number, process-wide; 0xC000..0xFFFF. 0 for an empty or
 * null name. */
uint32_t BcrRegisterWindowMessage(const char *name);

/* A top-level window owned by the calling thread, whose messages go to proc (run by that
 * thread's BcrDispatchMessages). A class of that name need not exist: it is made for the window
 * (and goes with its last window). With a null proc the window is made of an existing class and
 * runs that class's procedure. NULL on failure. */
BcrWindow BcrCreateWindow(const char *className, BcrWindowProc proc);

/* 1 when the window was destroyed (its queued messages are dropped), 0 for a handle that is not
 * a live window. */
int BcrDestroyWindow(BcrWindow w);

/* The most recently created window of that class (e.g. "Quenrix"), NULL when there is none. */
BcrWindow BcrFindWindow(const char *className);

/* Queues a message for the window's thread and returns at once: 1 when queued, 0 for a handle
 * that is not a live window or a full queue. BCR_BROADCAST: every top-level window (1). */
int BcrPostMessage(BcrWindow w, uint32_t msg, uintptr_t wParam, intptr_t lParam);

/* Runs the queued messages of the calling thread's windows, in the order posted; waits up to
 * timeoutMs for the first (0: no wait; negative: no limit); returns how many ran. Messages that
 * the procedures post meanwhile wait for the next call. The thread that called InitReader must
 * call it in its loop: the library's window procedure (trigger presses, delivery of each decode
 * as broadcast, event and keystrokes) runs only inside it. */
int BcrDispatchMessages(int timeoutMs);

#ifdef __cplusplus
}
#endif

#endif /* BCREADER_POSIX_H */
