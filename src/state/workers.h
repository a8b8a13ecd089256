// The worker threads and the protocol they all follow: wait without limit on the start
// semaphore; after each wake-up end when the quit flag is set (releasing the done semaphore as
// the last action), otherwise run one cycle, whose waits are all bounded, and wait again.
#ifndef BCREADER_STATE_WORKERS_H
#define BCREADER_STATE_WORKERS_H

#include <functional>

#include "state/library_state.h"

namespace bcr {

// Runs cycle once per wake-up of the worker until the quit flag ends it.
void RunWorker(LibraryState &state, Worker worker, const std::function<void()> &cycle);
// Releases the worker's start semaphore once; a release beyond its maximum of 1 is lost.
void WakeWorker(LibraryState &state, Worker worker);
// Creates the worker's thread unless it exists.
void StartWorker(LibraryState &state, Worker worker, platform::ThreadFunction body,
                 void *parameter);
// Ends a worker: up to 200 ms for the thread to end by itself, else the quit handshake.
void StopWorker(LibraryState &state, Worker worker);

}  // namespace bcr

#endif  // BCREADER_STATE_WORKERS_H
