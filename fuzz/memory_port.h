// The serial port of the fuzz targets: the engine's side of the line is the fuzz input.
//
// The input is everything the engine sends during one exchange, in the order it arrives. A read
// hands out the next bytes; once they are used up every read times out at once and advances the
// virtual clock by the port's read time-out, as the real port would have waited. A purge drops
// nothing: on the real line the bytes of the input would only arrive after the write that
// purged, so an input for a multi-packet decode carries no checksum bytes between its packets
// (the real port's purge before each acknowledgement would discard them). Writes always succeed
// and are recorded for the target to check.
#ifndef BCREADER_FUZZ_MEMORY_PORT_H
#define BCREADER_FUZZ_MEMORY_PORT_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bcr::fuzz {

using Frame = std::vector<uint8_t>;

// Starts a new exchange on the line: the engine will send data (which must outlive the
// exchange), nothing has been written yet. More than failedReadLimit reads that find nothing
// abort the process: a receiver that keeps reading a silent line never ends.
void PortFeed(const uint8_t *data, size_t size, size_t failedReadLimit);

size_t PortConsumed();
// Every write since PortFeed, one entry per write call.
const std::vector<Frame> &PortWrites();
// The name of the last port opened.
const char *PortOpenedName();

}  // namespace bcr::fuzz

#endif  // BCREADER_FUZZ_MEMORY_PORT_H
