// Decodes as the library hands them on. A decode is built once by its reception and then only
// read: every road (keyboard wedge, output record, broadcast, event, notifications) takes the
// same value, found by its sequence number. The last published decode is for the read functions;
// readers on any thread get a whole, consistent copy (the lock is held only while copying).
#ifndef BCREADER_STATE_PUBLISHED_DECODE_H
#define BCREADER_STATE_PUBLISHED_DECODE_H

#include <cstdint>

#include "util/mutex.h"
#include "util/thread_annotations.h"
#include "util/wstring.h"

namespace bcr {

struct Decode {
  uint64_t seq = 0;       // 1 for the first decode of the process, then one more each
  uint32_t codeType = 0;  // engine code type, 0 when the table names none
  WString symbologyName;
  WString data;
  uint64_t arrivalMs = 0;  // when its first byte came off the line
};

// Decodes kept by sequence number for the window procedure, which may run late.
constexpr uint32_t kDecodeHistory = 16;

// The last decode the decode thread published (LastCodeType, LastSymbologyName, LastDecodeData),
// and the last decodes of any reception by sequence number.
struct PublishedDecode {
  Mutex lock;
  int32_t codeType GUARDED_BY(lock) = 0;
  WString symbologyName GUARDED_BY(lock);
  WString data GUARDED_BY(lock);
  uint64_t lastSeq GUARDED_BY(lock) = 0;
  Decode history[kDecodeHistory] GUARDED_BY(lock);
};

// The next sequence number.
uint64_t NextDecodeSeq();
// Keeps a decode of any reception for the roads, by its sequence number.
void KeepDecode(const Decode &decode);
// The decode of that sequence number while it is among the last kept; false when not.
bool KeptDecode(uint64_t seq, Decode &out);
// Publishes a decode of the decode thread for GetDecodeData and GetDecodeType (and keeps it).
void PublishDecode(const Decode &decode);
int32_t LastCodeType();
void SetLastCodeType(int32_t codeType);
WString LastDecodeData();
WString LastSymbologyName();
// Forgets everything (a new load).
void ForgetDecodes();

}  // namespace bcr

#endif  // BCREADER_STATE_PUBLISHED_DECODE_H
