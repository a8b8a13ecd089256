#include "reader/window_proc.h"

#include "decode/output_record.h"
#include "decode/reception.h"
#include "decode/wedge.h"
#include "reader/device_queries.h"
#include "reader/globals.h"
#include "state/workers.h"

namespace bcr {

namespace {

void ReleaseRead() {
  if (State().readerInitialised == 0 || InContinuousMode(TheReader())) return;
  // What reaches the port from now on answers this press, however late the worker starts.
  NotePress(TheReader());
  State().triggerPressed = true;
  WakeWorker(State(), kDecodeWorker);
}

void Deliver() {
  int32_t mode = CurrentSettings().keyboardOutputMode;
  if (mode != 0) {
    WString text;
    BuildWedgeText(TheReader(), kDecodeMessageParam, text);
    TypeText(text, mode == 2);
  }
  for (Worker worker : {kVibrateWorker, kLedWorker, kBeepWorker}) WakeWorker(State(), worker);
  platform::WindowPost(platform::BroadcastWindow(), State().messages.decodeData, kReaderDevice, 0);
  platform::EventSet(State().decodeEvent);
}

}  // namespace

intptr_t ReaderWindowProc(platform::Window *window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) {
  const Messages &messages = State().messages;
  if (message == messages.user1Down || message == messages.user2Down) {
    ReleaseRead();
  } else if (message == messages.decode) {
    if (wParam == kDecodeMessageParam) Deliver();
    return 0;
  } else if (message == messages.decodeImg) {
    platform::WindowPost(platform::BroadcastWindow(), messages.decodeImage, kReaderDevice, 0);
    return 0;
  }
  return platform::WindowDefaultProc(window, message, wParam, lParam);
}

}  // namespace bcr
