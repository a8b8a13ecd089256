#include "state/published_decode.h"

#include <mutex>

namespace bcr {

// Constructed with the library's other static strings, in their order.
extern WString lastSymbologyName;
extern WString lastDecodeData;

namespace {

std::mutex publishLock;  // guards the three values below
int32_t lastCodeType = 0;

}  // namespace

void PublishDecode(const Decode &decode) {
  std::lock_guard<std::mutex> lock(publishLock);
  lastCodeType = static_cast<int32_t>(decode.codeType);
  lastSymbologyName.Assign(decode.symbologyName);
  lastDecodeData.Assign(decode.data);
}

int32_t LastCodeType() {
  std::lock_guard<std::mutex> lock(publishLock);
  return lastCodeType;
}

void SetLastCodeType(int32_t codeType) {
  std::lock_guard<std::mutex> lock(publishLock);
  lastCodeType = codeType;
}

WString LastDecodeData() {
  std::lock_guard<std::mutex> lock(publishLock);
  return lastDecodeData;
}

WString LastSymbologyName() {
  std::lock_guard<std::mutex> lock(publishLock);
  return lastSymbologyName;
}

}  // namespace bcr
