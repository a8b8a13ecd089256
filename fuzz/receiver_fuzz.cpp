// The frame lexer of one engine kind (BCREADER_FUZZ_DEVICE_TYPE: 9 the SE955, 8 the 4507)
// against whatever the engine sends: the input is the bytes arriving after the receiver starts
// waiting.
//
// Time bound. The receiver spends virtual time only in 100 ms wake steps and in reads that find
// nothing, each costing at most the current read time-out, of which the first-byte wait is the
// longest. Generously, every input byte may cost one such wait and one wake step, and the end
// of the input one full frame count of silent reads (a frame counts at most 255 bytes, and the
// SE955's 0x99 format reads its whole count even from a silent line).
#include <cstddef>
#include <cstdint>

#include "harness.h"
#include "link/frame.h"
#include "link/receiver.h"
#include "link/transaction.h"
#include "memory_port.h"

namespace {

using namespace bcr;
using namespace bcr::fuzz;

constexpr int32_t kDeviceType = BCREADER_FUZZ_DEVICE_TYPE;
static_assert(kDeviceType == kEngineSE955 || kDeviceType == kImager4507);

// The link's TransferWait when the library loads.
constexpr uint32_t kFirstByteWait = 3000;
constexpr size_t kMaxFrameCount = 255;
// The shortest packet that can be acknowledged: length, opcode, source, status, one data byte.
constexpr size_t kSmallestPacket = 5;
// The most units one packet adds to a decode: its length counts itself, the opcode, the source
// and the status besides.
constexpr size_t kMostUnitsPerPacket = kMaxFrameCount - 4;

const Frame kWake = {0x00};
const Frame kContinuationAck = {0x04, 0xD0, 0x04, 0x03, 0xFF, 0x25};

uint64_t TimeBound(size_t size) {
  return (size + 1) * uint64_t{kFirstByteWait + kWakePause} +
         kMaxFrameCount * uint64_t{kFirstByteWait};
}

// line: the bytes the engine sent; the frame read is the one they begin with once the noise the
// receiver skipped is left out (noise alone is reported as what its first byte began).
void CheckReception(const LineFrame &received, const uint8_t *line, size_t lineSize) {
  const bool found = received.kind == FrameKind::kReply || received.kind == FrameKind::kDecode ||
                     received.kind == FrameKind::kAbandoned;
  Check(received.skipped <= lineSize, "only bytes that arrived are skipped as noise");
  if (found || !PortWrites().empty()) {
    const size_t skipped = received.skipped < lineSize ? received.skipped : lineSize;
    line += skipped;
    lineSize -= skipped;
  }
  Check(!found || received.skipped == 0 || (lineSize > 2 && line[2] == kSourceEngine),
        "a frame found behind noise carries the engine's source byte");
  const int result = received.kind == FrameKind::kDecode ? 1 : 0;
  const Frame &data = received.units;
  Check(data.size() <= PortConsumed(), "every unit of a decode is a byte that arrived");
  if (result == 1) {
    Check(!data.empty(), "a decode holds at least its code type");
    if (data.size() > kMaxDecodeUnits) {
      Fail("a decode of %zu units was accepted; the receiver's limit is %u", data.size(),
           kMaxDecodeUnits);
    }
  }

  size_t wakes = 0, acks = 0;
  for (const Frame &frame : PortWrites()) {
    if (frame == kWake) {
      ++wakes;
    } else if (frame == kContinuationAck) {
      ++acks;
    } else {
      Fail("the receiver wrote a frame other than the wake byte and 04 D0 04 03 FF 25");
    }
  }
  Check(wakes <= 1, "a reception wakes the engine at most once");
  Check(acks * kSmallestPacket <= PortConsumed(), "no packet is acknowledged that did not arrive");
  // Another frame than a decode keeps at most the bytes its length byte counts.
  if (lineSize < 2 || line[1] != kOpDecodeData) {
    Check(acks == 0, "only a decode is acknowledged");
    Check(lineSize == 0 || data.size() <= line[0], "a frame keeps no more than its length counts");
    return;
  }
  // Every packet but the last is acknowledged, and none adds more than its length announces.
  if (data.size() > (acks + 1) * kMostUnitsPerPacket) {
    Fail("a decode of %zu units from %zu packets: more than their lengths announce", data.size(),
         acks + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  EngineLink link;
  OpenLink(link, kDeviceType, data, size, TimeBound(size), kMaxFrameCount + 8);
  CheckReception(ReadFrame(link, kFirstByteWait), data, size);
  return 0;
}
