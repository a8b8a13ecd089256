#include "decode/reception.h"

#include "decode/code_types.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/receiver.h"
#include "link/serial_port.h"
#include "link/transaction.h"
#include "link/wire_trace.h"
#include "platform/clock.h"
#include "state/library_state.h"
#include "state/results.h"
#include "state/scan_engine.h"
#include "state/settings.h"
#include "state/workers.h"
#include "util/copy_out.h"

namespace bcr {

namespace {

constexpr uint32_t kStopDelay = 50;
// What a failed reception may discard: the rest of a broken frame, not a decode that comes later.
constexpr uint32_t kDiscardLimit = 4096;
// A reception listens in slices of this length, so that it notices an unload (and, in the
// continuous modes, a waiting option call) between them.
constexpr uint32_t kListenSlice = 100;

// After a reception that failed, whatever is still arriving belongs to the broken frame (or is
// noise on the line): read it away until the line has been quiet for one byte time-out, so that
// the next frame is read from its start instead of inside the rest of this one.
uint32_t DiscardRest(EngineLink &link, const char *traceNote = "noise discarded") {
  SetPortTimeout(link, kReplyByteTimeout, 'r');
  uint8_t byte;
  uint32_t count = 0;
  while (count < kDiscardLimit && ReadPortByte(link, &byte)) ++count;
  TraceReceivedAs(link, traceNote);
  return count;
}

// What arrived while no reception was listening (a decode after its press's wait ran out, or
// scanned before the press) is not the answer to this press or read: it is read away and
// counted. When the press noted where the input stood, exactly what came before it goes (the
// rest of a frame then arriving is a broken frame to the reception); otherwise whatever is there
// when the reception starts goes, with the rest of a frame still arriving.
void DiscardStale(EngineLink &link, uint64_t pressMark) {
  const uint32_t before = pressMark == kNoInputMark ? ~0u : BytesBefore(link, pressMark);
  SetPortTimeout(link, 0, 'r');
  uint8_t byte;
  if (before == 0 || !ReadPortByte(link, &byte)) return;
  uint32_t count = 1;
  if (pressMark == kNoInputMark) {
    count += DiscardRest(link, "stale, discarded");
  } else {
    while (count < before && ReadPortByte(link, &byte)) ++count;
    TraceReceivedAs(link, "stale, discarded");
  }
  ++link.staleDiscards;
  link.staleBytes += count;
}

void PostDecodeMessage(const LibraryState &state) {
  platform::WindowPost(state.readerWindow, state.messages.decode, kDecodeMessageParam, 0);
}

int Command(ScanEngine &reader, uint32_t on, uint32_t enable) {
  if (enable == 0 || reader.active == 0) return 0;
  return static_cast<int>(SetDecoding(reader.link, on) & enable);
}

// One decode-data frame within waitMs: acknowledged, parsed, kept as the DecodeResult. A frame
// that breaks (noise, a wrong checksum, a cut) is read away and the reception listens on,
// resynchronised, until its wait runs out. The caller holds the port.
int ListenForDecode(ScanEngine &reader, uint32_t waitMs, bool givesWay, Decode *received) {
  EngineLink &link = reader.link;
  const uint64_t deadline = platform::NowMs() + waitMs;
  WString data;
  reader.SetDecodeData(data);
  for (bool first = true;; first = false) {
    const uint64_t now = platform::NowMs();
    // A lost engine's port is closed to this thread: the reception ends at once.
    if (link.portLock.Cancelled() || PortBarred(link.health) || now >= deadline) return 0;
    const uint64_t left = deadline - now;
    // A reception that may give way looks first only for what is already arriving.
    const uint32_t longest = givesWay && first ? kReplyByteTimeout : kListenSlice;
    const uint32_t slice = left < longest ? static_cast<uint32_t>(left) : longest;
    const uint32_t before = link.bytesRead;
    if (ReceiveFrame(link, data, slice, kDecodeDataMode)) break;
    reader.SetDecodeData(data);
    if (link.bytesRead != before) {
      TraceReceivedAs(link, "no decode: frame broken");
      DiscardRest(link);
      link.portLock.SetFrameInFlight(false);
      continue;
    }
    // A quiet line at the start of an auto-trigger reception: a waiting option call goes first.
    // Once listening, the reception keeps the port for its wait, so that the engine's next scan
    // finds it listening rather than an exchange purging the input.
    if (givesWay && first && link.portLock.OthersWaiting()) return 0;
  }
  TraceReceivedAs(link, "decode");
  WakeEngine(link);
  WString ack = DecodeAckFrame();
  SendAndWait(link, ack, kDecodeAckTimeout, nullptr, 1);
  link.portLock.SetFrameInFlight(false);
  Decode decode;
  decode.data.Assign(data);
  ParseDecodeData(link.deviceType, decode);
  reader.SetDecodeResult(decode);
  if (received != nullptr) *received = decode;
  return 1;
}

}  // namespace

int ReceiveDecodeFrame(ScanEngine &reader, Decode *received) {
  PortHold hold(reader.link.portLock, reader.link.transferWait);
  if (!hold.Held()) return 0;
  return ListenForDecode(reader, reader.link.transferWait, false, received);
}

void NotePress(ScanEngine &reader) {
  EngineLink &link = reader.link;
  PortHold hold(link.portLock, 0);
  if (!hold.Held()) return;
  const uint64_t mark = InputMark(link);
  // Presses that one reception serves: what came after the first of them is its answer.
  uint64_t none = kNoInputMark;
  if (mark != kNoInputMark) link.pressMark.compare_exchange_strong(none, mark);
}

int ReceiveDecode(ScanEngine &reader, Decode &out, uint32_t waitMs, Reception kind) {
  EngineLink &link = reader.link;
  const uint64_t pressMark =
      kind == Reception::kPressed ? link.pressMark.exchange(kNoInputMark) : kNoInputMark;
  if (reader.active == 0) return 0;
  const uint64_t start = platform::NowMs();
  // Whoever uses the port first is served first; this reception waits at most its own wait.
  PortHold hold(link.portLock, waitMs);
  if (!hold.Held()) return 0;
  const bool continuous = kind == Reception::kAutomatic;
  // The auto-trigger's receptions keep what the engine sent between two of them: it is the next
  // scan. They give way to a waiting option call only when the line is quiet at their start, so
  // that such a scan is read before the call's purge could discard it.
  if (kind == Reception::kPressed) DiscardStale(link, pressMark);
  const uint64_t spent = platform::NowMs() - start;
  const uint32_t left = spent >= waitMs ? 0 : static_cast<uint32_t>(waitMs - spent);
  link.transferWait = left;
  Decode received;
  int result = ListenForDecode(reader, left, continuous, &received);
  if (result) out = received;
  return result;
}

int GetLastDecode(const ScanEngine &reader, Decode &out) {
  out = reader.DecodeResult();
  return 1;
}

int32_t ReadBarcode(ScanEngine &reader, const LibraryState &state, uint32_t *codeType, char *buffer,
                    int32_t size) {
  if (reader.DeviceType() == kNoEngine) return kResultNoEngine;
  if (buffer == nullptr || size < 1) return 0;
  Decode decode;
  bool received = false;
  const uint32_t wait = DecodeWaitMs();
  // The whole read holds the port: no other reception takes its decode, no exchange purges it.
  // A read that does not get the port within its decode wait fails like a refused start.
  PortHold hold(reader.link.portLock, wait);
  if (hold.Held() && reader.active != 0) DiscardStale(reader.link, kNoInputMark);
  if (hold.Held() && StartDecode(reader, 1)) {
    received = ReceiveDecode(reader, decode, wait, Reception::kSynchronous) == 1;
    platform::Sleep(kStopDelay);
    StopDecode(reader, 1);
    if (!received) return 0;
  }
  if (codeType != nullptr) {
    // The type of this read's own decode, not whatever another thread set meanwhile.
    SetLastCodeType(static_cast<int32_t>(decode.codeType));
    *codeType = static_cast<uint32_t>(
        DecodeTypeResult(reader.DeviceType(), static_cast<int32_t>(decode.codeType)));
  }
  CopyOut(decode.data, buffer, size);
  if (received) PostDecodeMessage(state);
  return static_cast<int32_t>(decode.data.Size());
}

int32_t CopyLastDecodeData(const ScanEngine &reader, char *buffer, int32_t size) {
  if (reader.DeviceType() == kNoEngine) return kResultNoEngine;
  if (buffer == nullptr || size < 1) return kResultBadBuffer;
  WString data = LastDecodeData();
  return CopyOut(data, buffer, size) ? static_cast<int32_t>(data.Size()) : size;
}

int StartDecode(ScanEngine &reader, uint32_t enable) {
  return Command(reader, 1, enable);
}

int StopDecode(ScanEngine &reader, uint32_t enable) {
  return Command(reader, 0, enable);
}

// Sends the engine no command.
void DecodeThread(void *globals) {
  LibraryGlobals &library = *static_cast<LibraryGlobals *>(globals);
  RunWorker(library.state, kDecodeWorker, [&library] {
    Decode decode;
    const Reception kind =
        library.state.triggerPressed.exchange(false) ? Reception::kPressed : Reception::kAutomatic;
    if (!ReceiveDecode(library.reader, decode, DecodeWaitMs(), kind)) return;
    PublishDecode(decode);
    PostDecodeMessage(library.state);
  });
}

}  // namespace bcr
