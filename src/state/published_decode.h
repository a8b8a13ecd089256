// The last decode the decode thread published, for the read functions. Readers on any thread get
// a whole, consistent copy; the lock is held only while copying.
#ifndef BCREADER_STATE_PUBLISHED_DECODE_H
#define BCREADER_STATE_PUBLISHED_DECODE_H

#include <cstdint>
#include <mutex>

#include "util/wstring.h"

namespace bcr {

struct Decode {
  uint32_t codeType = 0;  // engine code type, 0 when the table names none
  WString symbologyName;
  WString data;
};

// The last published decode: its code type, symbology name and data, guarded by the lock.
struct PublishedDecode {
  std::mutex lock;
  int32_t codeType = 0;
  WString symbologyName;
  WString data;
};

void PublishDecode(const Decode &decode);
int32_t LastCodeType();
void SetLastCodeType(int32_t codeType);
WString LastDecodeData();
WString LastSymbologyName();

}  // namespace bcr

#endif  // BCREADER_STATE_PUBLISHED_DECODE_H
