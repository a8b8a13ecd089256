#include "state/published_decode.h"

#include "state/library_globals.h"

namespace bcr {

namespace {

PublishedDecode &Published() {
  return Globals().published;
}

}  // namespace

uint64_t NextDecodeSeq() {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  return ++published.lastSeq;
}

void KeepDecode(const Decode &decode) {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  published.history[decode.seq % kDecodeHistory] = decode;
}

bool KeptDecode(uint64_t seq, Decode &out) {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  const Decode &kept = published.history[seq % kDecodeHistory];
  if (seq == 0 || kept.seq != seq) return false;
  out = kept;
  return true;
}

void PublishDecode(const Decode &decode) {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  published.codeType = static_cast<int32_t>(decode.codeType);
  published.symbologyName.Assign(decode.symbologyName);
  published.data.Assign(decode.data);
  published.history[decode.seq % kDecodeHistory] = decode;
}

int32_t LastCodeType() {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  return published.codeType;
}

void SetLastCodeType(int32_t codeType) {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  published.codeType = codeType;
}

WString LastDecodeData() {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  return published.data;
}

WString LastSymbologyName() {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  return published.symbologyName;
}

void ForgetDecodes() {
  PublishedDecode &published = Published();
  MutexLock lock(published.lock);
  published.codeType = 0;
  published.symbologyName.AssignNarrow("");
  published.data.AssignNarrow("");
  for (Decode &kept : published.history) kept = Decode();
}

}  // namespace bcr
