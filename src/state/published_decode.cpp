#include "state/published_decode.h"

#include "state/library_globals.h"

namespace bcr {

namespace {

PublishedDecode &Published() {
  return Globals().published;
}

}  // namespace

void PublishDecode(const Decode &decode) {
  PublishedDecode &published = Published();
  std::lock_guard<std::mutex> lock(published.lock);
  published.codeType = static_cast<int32_t>(decode.codeType);
  published.symbologyName.Assign(decode.symbologyName);
  published.data.Assign(decode.data);
}

int32_t LastCodeType() {
  PublishedDecode &published = Published();
  std::lock_guard<std::mutex> lock(published.lock);
  return published.codeType;
}

void SetLastCodeType(int32_t codeType) {
  PublishedDecode &published = Published();
  std::lock_guard<std::mutex> lock(published.lock);
  published.codeType = codeType;
}

WString LastDecodeData() {
  PublishedDecode &published = Published();
  std::lock_guard<std::mutex> lock(published.lock);
  return published.data;
}

WString LastSymbologyName() {
  PublishedDecode &published = Published();
  std::lock_guard<std::mutex> lock(published.lock);
  return published.symbologyName;
}

}  // namespace bcr
