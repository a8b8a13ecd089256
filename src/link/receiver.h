// The frame lexer of the line: reads one frame off the port, whatever its kind, and says what it
// was. Bytes are read one at a time: the first byte of a frame may take the long wait, every
// later byte at most 20 ms (500 ms between the packets of a 4507 decode), so a silent or stalled
// engine costs a bounded time. The two checksum bytes of every packet are read and checked.
//
// A decode (opcode F3) is read whole: its continuation packets are acknowledged (04 D0 04 03,
// after a wake step on the SE955) as they come, and its data are assembled in the format of the
// engine kind. The final acknowledgement of a decode is the line reader's.
//
// Bytes that begin no frame (line noise, a frame cut short, a wrong checksum) are skipped one at a
// time, so a frame right behind them of whatever length is still found. While the reader is
// switched off nothing is written to the engine: a decode is read whole as far as it comes, not
// acknowledged.
#ifndef BCREADER_LINK_RECEIVER_H
#define BCREADER_LINK_RECEIVER_H

#include <cstdint>
#include <vector>

#include "link/engine_link.h"

namespace bcr {

// Longest decode the receiver assembles from continuation packets; an engine that keeps sending
// beyond it is taken as broken and the reception fails.
constexpr uint32_t kMaxDecodeUnits = 65536;

enum class FrameKind {
  kQuiet,        // nothing came within the wait
  kReply,        // a whole frame of any opcode but decode data, checksum right
  kDecode,       // a whole decode, every packet's checksum right
  kBroken,       // bytes that make no frame: noise, a frame cut short, a length too small
  kBadChecksum,  // a whole frame whose checksum does not fit
  kAbandoned,    // a decode the engine gave up: another frame came instead of its next packet
  kFailed,       // the port failed or was closed to the line reader
};

struct LineFrame {
  FrameKind kind = FrameKind::kQuiet;
  // Reply: the L bytes of the frame (length through last data byte). Decode: the engine code
  // type and the decoded bytes. Otherwise what arrived of a decode, or nothing.
  std::vector<uint8_t> units;
  uint64_t firstByteMs = 0;
  // Bytes of noise skipped before the frame (or, when none was found, the noise read away).
  uint32_t skipped = 0;
};

// Reads one frame, waiting up to firstByteWait for its first byte. Marks the line busy from the
// first byte on (the caller frees it when done with the frame). Nothing is read when the link has
// no engine type.
LineFrame ReadFrame(EngineLink &link, uint32_t firstByteWait);

// The frame's opcode is the engine's negative acknowledgement 05 D1 00 00.
bool IsNegativeAck(const std::vector<uint8_t> &reply);

}  // namespace bcr

#endif  // BCREADER_LINK_RECEIVER_H
