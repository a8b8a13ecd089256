// Loading, starting and unloading the reader.
#ifndef BCREADER_READER_LIFECYCLE_H
#define BCREADER_READER_LIFECYCLE_H

#include <cstdint>

namespace bcr {

class ScanEngine;

// What opening the engine did. The failures carry the error codes the engine open reports.
enum class EngineOpen : uint32_t {
  kOpen = 0,
  kKindKnownDown = 30007,  // the engine kind was known, the engine did not come up
  kNoKind = 30010,         // no engine kind was found
};

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
EngineOpen ConnectEngine(ScanEngine &reader);

}  // namespace bcr

#endif  // BCREADER_READER_LIFECYCLE_H
