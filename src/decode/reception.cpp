#include "decode/reception.h"

#include "decode/code_types.h"
#include "link/commands.h"
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

void PostDecodeMessage(const LibraryState &state, const Decode &decode) {
  platform::WindowPost(state.readerWindow, state.messages.decode, kDecodeMessageParam,
                       static_cast<intptr_t>(decode.seq));
}

// Start (on 1) or stop decode; 0 without sending while the reader is not active.
int Command(ScanEngine &reader, uint32_t on, uint64_t *replySeq = nullptr) {
  if (reader.active == 0) return 0;
  return SetDecoding(reader.link, on, replySeq);
}

// The decode the road gave becomes one value, the DecodeResult, kept for the roads. A reception
// that got none empties the DecodeResult's data as it ends, unless another reception has received
// a decode since this one began (begun: the sequence number of the DecodeResult it found).
int Collect(ScanEngine &reader, uint64_t begun, DecodeWait wait, const LineDecode &received,
            Decode &out) {
  if (wait != DecodeWait::kReceived || received.units.empty()) {
    reader.EmptyDecodeData(begun);
    return 0;
  }
  Decode decode;
  for (uint8_t unit : received.units) decode.data.AppendUnit(unit);
  ParseDecodeData(reader.DeviceType(), decode);
  decode.seq = NextDecodeSeq();
  decode.arrivalMs = received.firstByteMs;
  reader.SetDecodeResult(decode);
  KeepDecode(decode);
  out = decode;
  return 1;
}

}  // namespace

void NotePress(ScanEngine &reader, uint64_t postedMs) {
  uint64_t none = ScanEngine::kNoPress;
  reader.pressLine.compare_exchange_strong(none, postedMs);
}

int ReceiveDecode(ScanEngine &reader, Decode &out, uint32_t waitMs, Reception kind) {
  // Before the press is taken: once its press is gone, the decode this reception began with is
  // settled.
  const uint64_t begun = reader.DecodeResult().seq;
  const uint64_t start = platform::NowMs();
  uint64_t press = ScanEngine::kNoPress;
  if (kind == Reception::kPressed) press = reader.pressLine.exchange(ScanEngine::kNoPress);
  if (reader.active == 0) return 0;
  DecodeLine line = DecodeLine::Any();
  if (kind == Reception::kPressed) {
    // A reception with no press of its own (served by an earlier one) starts its line now.
    line = DecodeLine::AfterTime(press != ScanEngine::kNoPress ? press : start);
  }
  LineDecode received;
  const DecodeWait wait = reader.link.Decodes().Receive(line, start + waitMs, &received);
  return Collect(reader, begun, wait, received, out);
}

int32_t ReadBarcode(ScanEngine &reader, const LibraryState &state, uint32_t *codeType, char *buffer,
                    int32_t size) {
  if (reader.DeviceType() == kNoEngine) return kResultNoEngine;
  if (buffer == nullptr || size < 1) return 0;
  Decode decode;
  bool received = false;
  if (reader.active != 0) {
    // Taken before anything else: a decode that another reception receives during this read is
    // never emptied by it.
    const uint64_t begun = reader.DecodeResult().seq;
    // Joined before the start decode, so that no older waiter takes this read's decode.
    DecodeRoad &road = reader.link.Decodes();
    DecodeRoad::Waiter *waiter = road.JoinPending();
    uint64_t replySeq = 0;
    if (Command(reader, 1, &replySeq)) {
      const uint64_t now = platform::NowMs();
      LineDecode line;
      const DecodeWait wait =
          road.Receive(waiter, DecodeLine::AfterFrame(replySeq, now), now + DecodeWaitMs(), &line);
      received = Collect(reader, begun, wait, line, decode) == 1;
      platform::Sleep(kStopDelay);
      Command(reader, 0);
      if (!received) return 0;
    } else {
      road.Leave(waiter);
    }
  }
  if (codeType != nullptr) {
    // The type of this read's own decode, not whatever another thread set meanwhile.
    SetLastCodeType(static_cast<int32_t>(decode.codeType));
    *codeType = static_cast<uint32_t>(
        DecodeTypeResult(reader.DeviceType(), static_cast<int32_t>(decode.codeType)));
  }
  CopyOut(decode.data, buffer, size);
  if (received) PostDecodeMessage(state, decode);
  return static_cast<int32_t>(decode.data.Size());
}

int32_t CopyLastDecodeData(const ScanEngine &reader, char *buffer, int32_t size) {
  if (reader.DeviceType() == kNoEngine) return kResultNoEngine;
  if (buffer == nullptr || size < 1) return kResultBadBuffer;
  WString data = LastDecodeData();
  return CopyOut(data, buffer, size) ? static_cast<int32_t>(data.Size()) : size;
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
    PostDecodeMessage(library.state, decode);
  });
}

}  // namespace bcr
