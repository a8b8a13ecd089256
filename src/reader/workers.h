// The worker threads and the protocol they all follow: wait without limit on the start
// semaphore; after each wake-up end when the quit flag is set (releasing the done semaphore as
// the last action), otherwise run one cycle, whose waits are all bounded, and wait again.
#ifndef BCREADER_READER_WORKERS_H
#define BCREADER_READER_WORKERS_H

#include "state/library_state.h"

namespace bcr {

// Runs cycle once per wake-up of the worker until the quit flag ends it.
void RunWorker(Worker worker, void (*cycle)());
// Releases the worker's start semaphore once; a release beyond its maximum of 1 is lost.
void WakeWorker(Worker worker);
// Creates the worker's thread unless it exists.
void StartWorker(Worker worker, platform::ThreadFunction body, void *parameter);
// Ends a worker: up to 200 ms for the thread to end by itself, else the quit handshake.
void StopWorker(Worker worker);

// Thread bodies.
void DecodeThread(void *window);
void AutoTriggerThread(void *window);
void VibrateThread(void *);
void LedThread(void *);
void BeepThread(void *);
void RecoveryThread(void *);

}  // namespace bcr

#endif  // BCREADER_READER_WORKERS_H
