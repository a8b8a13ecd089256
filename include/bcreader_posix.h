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

/* The reader on D-Bus. While its reader runs (InitReader to unload), the library owns the name
 * org.bcreader.Reader1 on the bus BCREADER_BUS names (session, system or none), with the object
 * /org/bcreader/Reader1: the decode broadcast, the reader state and the image message are signals
 * there, and other processes post the trigger messages through it (see the README). When the bus
 * goes away the library connects again as soon as it can; in between it goes on as without a bus.
 *
 * A program that serves the reader to others (bcreader serve) adds interfaces of its own to that
 * object. attach(bus, context) runs on the library's bus thread, with bus the sd_bus connection
 * (sd_bus *, <systemd/sd-bus.h>), each time the library has connected and before it asks for the
 * name, so that what it adds is there again after the bus comes back. That connection is the bus
 * thread's alone: use it only in attach, in the handlers of what attach added, or in a function
 * given to BcrBusRun. Handlers run one at a time on the bus thread and must return at once: a
 * method that takes time keeps its call (sd_bus_message_ref) and answers it later through
 * BcrBusRun. BcrBusServe returns, once the bus has answered (waiting at most 5 s):
 *   BCR_BUS_OWNED  the library owns the name;
 *   BCR_BUS_TAKEN  another process owns it (this one waits in the bus's queue for it);
 *   BCR_BUS_NONE   no bus: BCREADER_BUS is none, the bus cannot be reached, or no InitReader.
 * attach stays registered until the library is unloaded; a second call replaces it. */
#define BCR_BUS_NONE 0
#define BCR_BUS_OWNED 1
#define BCR_BUS_TAKEN (-1)
typedef void (*BcrBusFunction)(void *bus, void *context);
int BcrBusServe(BcrBusFunction attach, void *context);

/* Runs fn(bus, context) on the library's bus thread and returns when it has run (at once, in
 * place, when called on the bus thread): 1 when it ran, 0 when there is no bus connection now
 * (fn does not run). */
int BcrBusRun(BcrBusFunction fn, void *context);

#ifdef __cplusplus
}
#endif

#endif /* BCREADER_POSIX_H */
