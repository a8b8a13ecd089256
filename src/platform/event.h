// Named events of the platform layer: an automatic-reset event that other processes can open
// by name and wait on. Setting an event that is already set leaves it set once: a waiter that
// comes later finds one signal, however many sets preceded it.
//
// On Linux the event is the POSIX named semaphore "/" + $BCREADER_EVENT_PREFIX + name (the
// prefix read at every open, empty when unset), so another process waits on it with sem_open
// and sem_wait. It is created with a count of 0 when it does not exist and never unlinked.
//
// Thread rules: EventSet may be called from any thread, several at once. EventClose must not
// race with another call on the same handle.
// Errors: a failed call returns false (or nullptr); no error code is kept.
#ifndef BCREADER_PLATFORM_EVENT_H
#define BCREADER_PLATFORM_EVENT_H

namespace bcr::platform {

struct Event;  // an open named event

// Opens the event of that name, creating it (not set) when it does not exist. Does not block.
// nullptr when the name is empty or unusable (a '/' in it or in the prefix, too long) or the
// system refuses.
Event *EventOpen(const char *name);

// Sets the event. Does not block.
bool EventSet(Event *event);

// Closes this process's handle; the event itself stays for the other processes. Null does
// nothing.
void EventClose(Event *event);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_EVENT_H
