// The auto-trigger worker of the continuous trigger modes.
#ifndef BCREADER_READER_AUTO_TRIGGER_H
#define BCREADER_READER_AUTO_TRIGGER_H

namespace bcr {

// Thread body; its parameter is the library's globals.
void AutoTriggerThread(void *globals);

}  // namespace bcr

#endif  // BCREADER_READER_AUTO_TRIGGER_H
