#include "reader/bus_relay.h"

#include <cstring>

#include "decode/code_types.h"
#include "platform/bus.h"
#include "platform/window.h"
#include "reader/globals.h"
#include "state/signalled_decodes.h"

namespace bcr {

namespace {

struct PostableMessage {
  const char *name;
  std::atomic<uint32_t> Messages::*number;
};

// The messages another module may post to the reader window.
const PostableMessage kPostable[] = {
    {"WM_USER1DOWN", &Messages::user1Down}, {"WM_USER2DOWN", &Messages::user2Down},
    {"WM_USER1UP", &Messages::user1Up},     {"WM_USER2UP", &Messages::user2Up},
    {"WM_DECODEIMG", &Messages::decodeImg},
};

platform::BusPost PostByName(void *, const char *name) {
  for (const PostableMessage &message : kPostable) {
    if (std::strcmp(message.name, name) != 0) continue;
    platform::Window *window = State().readerWindow;
    const bool posted =
        window != nullptr && platform::WindowPost(window, State().messages.*message.number, 0, 0);
    return posted ? platform::BusPost::kPosted : platform::BusPost::kNoWindow;
  }
  return platform::BusPost::kUnknownMessage;
}

bool DecodesSince(void *, uint64_t seq, std::vector<platform::BusDecode> *decodes) {
  return SignalledSince(seq, decodes);
}

// The units of decoded data are the bytes as received; names are ASCII.
std::string UnitBytes(const WString &text) {
  std::string bytes(text.Size(), '\0');
  for (uint32_t i = 0; i < text.Size(); ++i) bytes[i] = static_cast<char>(text.Data()[i] & 0xFF);
  return bytes;
}

}  // namespace

void JoinBus() {
  platform::BusHandlers handlers;
  handlers.post = PostByName;
  handlers.decodesSince = DecodesSince;
  platform::BusStart(handlers);
}

void LeaveBus() {
  platform::BusStop();
  ForgetSignalled();
}

void AnnounceDecode(int32_t deviceType, const Decode &decode) {
  platform::BusDecode signalled;
  signalled.seq = decode.seq;
  const int32_t decodeType = DecodeTypeResult(deviceType, static_cast<int32_t>(decode.codeType));
  if (decodeType > 0) signalled.decodeType.assign(1, static_cast<char>(decodeType));
  signalled.symbology = UnitBytes(decode.symbologyName);
  signalled.data = UnitBytes(decode.data);
  signalled.timeMs = decode.arrivalMs;
  KeepSignalled(signalled);
  platform::BusEmitDecode(signalled);
}

void AnnounceReaderState(intptr_t state) {
  platform::BusEmitReaderState(static_cast<uint32_t>(state));
}

void AnnounceDecodeImage() {
  platform::BusEmitDecodeImage();
}

}  // namespace bcr
