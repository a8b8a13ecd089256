// The hidden window's procedure: the hub between trigger messages from outside, the worker
// threads and the delivery of each decode (keyboard output, notifications, broadcast, event).
// It runs on the thread that called InitReader, when that thread dispatches its messages.
#ifndef BCREADER_READER_WINDOW_PROC_H
#define BCREADER_READER_WINDOW_PROC_H

#include <cstdint>

#include "platform/window.h"

namespace bcr {

intptr_t ReaderWindowProc(platform::Window *window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam);

}  // namespace bcr

#endif  // BCREADER_READER_WINDOW_PROC_H
