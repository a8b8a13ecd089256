#include "decode/reception.h"

#include "core/device_queries.h"
#include "core/library_state.h"
#include "core/scan_engine.h"
#include "core/settings.h"
#include "core/workers.h"
#include "decode/code_types.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/receiver.h"
#include "link/serial_port.h"
#include "link/transaction.h"
#include "link/wire_trace.h"
#include "platform/clock.h"
#include "util/copy_out.h"

namespace bcr {

namespace {

constexpr uint32_t kStopDelay = 50;
// What a failed reception may discard: the rest of a broken frame, not a decode that comes later.
constexpr uint32_t kDiscardLimit = 4096;

// After a reception that failed, whatever is still arriving belongs to the broken frame (or is
// noise on the line): read it away until the line has been quiet for one byte time-out, so that
// the next reception starts at the next frame instead of inside the rest of this one.
void DiscardRest(EngineLink &link) {
  SetPortTimeout(link, kReplyByteTimeout, 'r');
  uint8_t byte;
  for (uint32_t i = 0; i < kDiscardLimit && ReadPortByte(link, &byte); ++i) {
  }
  TraceReceivedAs(link, "noise discarded");
}

// The receptions that take the link lock: the continuous trigger modes, and trigger mode 7 on
// the SE955 as well.
bool NeedsLinkLock(const ScanEngine &engine) {
  uint32_t mode = engine.triggerMode;
  int32_t type = engine.DeviceType();
  return (mode == 7 && IsKnownEngine(type)) || (type == kEngineSE955 && mode == 4);
}

void PostDecodeMessage() {
  platform::WindowPost(State().readerWindow, State().messages.decode, kDecodeMessageParam, 0);
}

}  // namespace

int ReceiveDecodeFrame(ScanEngine &engine, Decode *received) {
  EngineLink &link = engine.link;
  WString data;
  engine.SetDecodeData(data);
  if (!ReceiveFrame(link, data, link.transferWait, kDecodeDataMode)) {
    TraceReceivedAs(link, "no decode: frame broken");
    engine.SetDecodeData(data);
    DiscardRest(link);
    return 0;
  }
  TraceReceivedAs(link, "decode");
  WakeEngine(link);
  WString ack = DecodeAckFrame();
  SendAndWait(link, ack, kDecodeAckTimeout, nullptr, 1);
  Decode decode;
  decode.data.Assign(data);
  ParseDecodeData(link.deviceType, decode);
  engine.SetDecodeResult(decode);
  if (received != nullptr) *received = decode;
  return 1;
}

int ReceiveDecode(ScanEngine &engine, Decode &out, uint32_t waitMs) {
  if (engine.active == 0) return 0;
  bool locked = NeedsLinkLock(engine);
  // A parameter exchange waiting for the port goes first; the auto-trigger starts the next
  // reception a moment later.
  if (locked && engine.link.exchangesWaiting > 0) return 0;
  if (locked) platform::SemaphoreWait(engine.link.lock, platform::kInfinite);
  engine.link.transferWait = waitMs;
  Decode received;
  int result = ReceiveDecodeFrame(engine, &received);
  if (result) out = received;
  if (locked) platform::SemaphoreRelease(engine.link.lock, 1);
  return result;
}

int GetLastDecode(const ScanEngine &engine, Decode &out) {
  out = engine.DecodeResult();
  return 1;
}

int32_t ReadBarcode(ScanEngine &engine, uint32_t *codeType, char *buffer, int32_t size) {
  if (engine.DeviceType() == kNoEngine) return kResultNoEngine;
  if (buffer == nullptr || size < 1) return 0;
  Decode decode;
  bool received = false;
  if (StartDecode(engine, 1)) {
    received = ReceiveDecode(engine, decode, DecodeWaitMs()) == 1;
    platform::Sleep(kStopDelay);
    StopDecode(engine, 1);
    if (!received) return 0;
  }
  if (codeType != nullptr) {
    SetLastCodeType(static_cast<int32_t>(decode.codeType));
    *codeType = static_cast<uint32_t>(DecodeTypeResult(engine.DeviceType(), LastCodeType()));
  }
  CopyOut(decode.data, buffer, size);
  if (received) PostDecodeMessage();
  return static_cast<int32_t>(decode.data.Size());
}

int32_t CopyLastDecodeData(const ScanEngine &engine, char *buffer, int32_t size) {
  if (engine.DeviceType() == kNoEngine) return kResultNoEngine;
  if (buffer == nullptr || size < 1) return kResultBadBuffer;
  WString data = LastDecodeData();
  return CopyOut(data, buffer, size) ? static_cast<int32_t>(data.Size()) : size;
}

// Collects one decode per wake-up and hands it to the window; it sends the engine no command.
void DecodeThread(void *) {
  RunWorker(kDecodeWorker, [] {
    Decode decode;
    if (!ReceiveDecode(Engine(), decode, DecodeWaitMs())) return;
    PublishDecode(decode);
    PostDecodeMessage();
  });
}

}  // namespace bcr
