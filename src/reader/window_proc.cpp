#include "reader/window_proc.h"

#include "decode/output_record.h"
#include "decode/reception.h"
#include "decode/wedge.h"
#include "reader/bus_relay.h"
#include "reader/device_queries.h"
#include "reader/globals.h"
#include "state/workers.h"

namespace bcr {

namespace {

void ReleaseRead() {
  if (State().readerInitialised == 0 || InContinuousMode(TheReader())) return;
  // What began to arrive after the press was posted answers it, however busy the application's
  // message loop was and however late the worker starts.
  NotePress(TheReader(), platform::WindowMessageTime());
  State().triggerPressed = true;
  WakeWorker(State(), kDecodeWorker);
}

// Hands the decode the message names to every road. The library's own posts name their decode by
// its sequence number; a post with none (lParam 0, another module's) delivers the DecodeResult as
// it is now, the decode the output record shows. A decode no longer kept is announced untyped:
// typing another decode's text in its place would enter a scan twice.
void Deliver(uint64_t seq) {
  Decode decode;
  bool kept = true;
  if (seq == 0) {
    decode = TheReader().DecodeResult();
  } else {
    kept = KeptDecode(seq, decode);
  }
  int32_t mode = CurrentSettings().keyboardOutputMode;
  if (mode != 0 && kept) {
    WString text;
    BuildWedgeText(TheReader().DeviceType(), decode, kDecodeMessageParam, text);
    TypeText(text, mode == 2);
  }
  for (Worker worker : {kVibrateWorker, kLedWorker, kBeepWorker}) WakeWorker(State(), worker);
  platform::WindowPost(platform::BroadcastWindow(), State().messages.decodeData, kReaderDevice, 0);
  AnnounceDecode(TheReader().DeviceType(), decode);
  platform::EventSet(State().decodeEvent);
}

}  // namespace

intptr_t ReaderWindowProc(platform::Window *window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) {
  const Messages &messages = State().messages;
  if (message == messages.user1Down || message == messages.user2Down) {
    ReleaseRead();
  } else if (message == messages.decode) {
    if (wParam == kDecodeMessageParam) Deliver(static_cast<uint64_t>(lParam));
    return 0;
  } else if (message == messages.decodeImg) {
    platform::WindowPost(platform::BroadcastWindow(), messages.decodeImage, kReaderDevice, 0);
    AnnounceDecodeImage();
    return 0;
  }
  return platform::WindowDefaultProc(window, message, wParam, lParam);
}

}  // namespace bcr
