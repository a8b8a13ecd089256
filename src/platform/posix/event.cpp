// The named event as a POSIX named semaphore whose count never goes above 1.
#include "platform/event.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <semaphore.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace bcr::platform {

struct Event {
  sem_t *semaphore = nullptr;
};

namespace {

// Sets of this process are serialised, so that two of them cannot both see 0 and post twice.
// A set from another process between the look and the post can still leave a count of 2; the
// semaphore offers no atomic "post unless set".
pthread_mutex_t setLock = PTHREAD_MUTEX_INITIALIZER;

}  // namespace

Event *EventOpen(const char *name) {
  if (name == nullptr || *name == '\0') return nullptr;
  const char *prefix = std::getenv("BCREADER_EVENT_PREFIX");
  std::string full = "/";
  if (prefix != nullptr) full += prefix;
  full += name;
  // sem_open adds "sem." in front; the whole must be a single file name.
  if (full.find('/', 1) != std::string::npos || full.size() > NAME_MAX - 4) return nullptr;

  Event *event = new (std::nothrow) Event;
  if (event == nullptr) return nullptr;
  // Readable and writable by everyone the umask allows: the event is meant for other programs.
  event->semaphore = sem_open(full.c_str(), O_CREAT, 0666, 0);
  if (event->semaphore == SEM_FAILED) {
    delete event;
    return nullptr;
  }
  return event;
}

bool EventSet(Event *event) {
  if (event == nullptr) return false;
  pthread_mutex_lock(&setLock);
  int value = 0;
  bool ok = sem_getvalue(event->semaphore, &value) == 0;
  if (ok && value <= 0) ok = sem_post(event->semaphore) == 0;
  pthread_mutex_unlock(&setLock);
  return ok;
}

void EventClose(Event *event) {
  if (event == nullptr) return;
  sem_close(event->semaphore);
  delete event;
}

}  // namespace bcr::platform
