// Loading, starting and unloading the reader.
#ifndef BCREADER_READER_LIFECYCLE_H
#define BCREADER_READER_LIFECYCLE_H

#include <cstdint>

namespace bcr {

class ScanEngine;

// Engine-open failures: the engine kind was known but the engine did not come up, or no kind.
constexpr uint32_t kOpenFailedKindKnown = 30007;
constexpr uint32_t kOpenFailedNoKind = 30010;

// Starts afresh (what a load earlier in this process left is forgotten), registers the messages,
// creates the named event and the workers' semaphores.
void ProcessAttach(void *module);
// Stops every worker, closes the semaphores and removes the hidden window.
void ProcessDetach();

// 1, or -102 (no window), -103 (no engine found), -111 (engine kind known, engine not up).
int32_t InitReader();
int32_t InitReaderForNet();

// Loads the system library, then opens and identifies the engine once; later calls succeed
// while the port is open.
int ConnectEngine(ScanEngine &reader, uint32_t *error);

}  // namespace bcr

#endif  // BCREADER_READER_LIFECYCLE_H
