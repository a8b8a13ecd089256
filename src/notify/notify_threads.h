// The three good-read workers: vibrator, LED and sound.
#ifndef BCREADER_NOTIFY_NOTIFY_THREADS_H
#define BCREADER_NOTIFY_NOTIFY_THREADS_H

namespace bcr {

// Thread bodies; their parameter is the library's globals.
void VibrateThread(void *globals);
void LedThread(void *globals);
void BeepThread(void *globals);

}  // namespace bcr

#endif  // BCREADER_NOTIFY_NOTIFY_THREADS_H
