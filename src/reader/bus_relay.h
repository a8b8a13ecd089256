// The reader on the message bus: what the hidden window broadcasts goes out as a signal at the
// same moment, and other processes post the trigger messages to the window through it. The bus
// runs from InitReader until the library is unloaded.
#ifndef BCREADER_READER_BUS_RELAY_H
#define BCREADER_READER_BUS_RELAY_H

#include <cstdint>

#include "state/published_decode.h"

namespace bcr {

// Joins the bus (once; BCREADER_BUS chooses which).
void JoinBus();
// Leaves it and forgets what was announced.
void LeaveBus();

// The signals that go with the broadcasts "WM_DECODEDATA", "WM_READERSTATE", "WM_DECODEIMAGE".
void AnnounceDecode(int32_t deviceType, const Decode &decode);
void AnnounceReaderState(intptr_t state);
void AnnounceDecodeImage();

}  // namespace bcr

#endif  // BCREADER_READER_BUS_RELAY_H
