// The frame receiver. Bytes are read one at a time: the first byte of a frame may take the long
// wait, every later byte at most 20 ms (500 ms between the packets of a 4507 decode), so a silent
// or stalled engine costs a bounded time. The two checksum bytes of every packet are read and
// checked: a reply with a wrong checksum is no reply, a decode packet with one fails the
// reception.
#ifndef BCREADER_LINK_RECEIVER_H
#define BCREADER_LINK_RECEIVER_H

#include <cstdint>

#include "link/engine_link.h"
#include "util/wstring.h"

namespace bcr {

constexpr int kReplyMode = 0;
constexpr int kDecodeDataMode = 1;

// Longest decode the receiver assembles from continuation packets; an engine that keeps sending
// beyond it is taken as broken and the reception fails.
constexpr uint32_t kMaxDecodeUnits = 65536;

// Reply mode: out receives the L bytes of one frame (length through last data byte).
// Decode-data mode (any mode but 0): out receives the engine code type and the decoded bytes,
// gathered from every packet of the decode in the format of the engine; continuation packets are
// acknowledged with 04 D0 04 03. On failure out keeps what arrived before it. Marks the link lock's
// holder as inside a frame once the first byte has come (the reception clears the mark).
// 0 at once when the link has no engine type.
int ReceiveFrame(EngineLink &link, WString &out, uint32_t firstByteWait, int mode);

}  // namespace bcr

#endif  // BCREADER_LINK_RECEIVER_H
