// Taking typed values from the front of a fuzz input; past its end every value is 0.
#ifndef BCREADER_FUZZ_INPUT_STREAM_H
#define BCREADER_FUZZ_INPUT_STREAM_H

#include <cstddef>
#include <cstdint>

namespace bcr::fuzz {

class InputStream {
 public:
  InputStream(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return used_ >= size_; }
  size_t Left() const { return size_ - used_; }
  const uint8_t *Here() const { return data_ + used_; }

  uint8_t Byte() { return Empty() ? 0 : data_[used_++]; }
  // Little endian; the low part is taken first.
  uint16_t U16() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  uint32_t U32() {
    const uint32_t low = U16();
    return low | uint32_t{U16()} << 16;
  }
  uint64_t U64() {
    const uint64_t low = U32();
    return low | uint64_t{U32()} << 32;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t used_ = 0;
};

}  // namespace bcr::fuzz

#endif  // BCREADER_FUZZ_INPUT_STREAM_H
