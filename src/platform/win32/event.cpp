// The named event as a Win32 automatic-reset event in the session's namespace. Its name is
// $BCREADER_EVENT_PREFIX followed by the given name, the prefix read at every open. The handle is
// the Event pointer.
#include "platform/event.h"

#include <windows.h>

#include <string>

#include "platform/win32/ce_shims.h"
#include "platform/win32/text.h"

namespace bcr::platform {

Event *EventOpen(const char *name) {
  if (name == nullptr || *name == '\0') return nullptr;
  std::wstring full = EnvironmentText(L"BCREADER_EVENT_PREFIX") + Widen(name);
  // A '\' would name a namespace ("Global\", "Local\"): the event stays in the session's own.
  if (full.find(L'\\') != std::wstring::npos || full.size() >= MAX_PATH) return nullptr;
  // Automatic reset, not set; an existing event of that name is opened instead.
  return static_cast<Event *>(CreateEventW(nullptr, FALSE, FALSE, full.c_str()));
}

bool EventSet(Event *event) {
  return event != nullptr && EventModify(static_cast<HANDLE>(event), EVENT_SET);
}

void EventClose(Event *event) {
  if (event != nullptr) CloseHandle(static_cast<HANDLE>(event));
}

}  // namespace bcr::platform
