#include "sim/params.h"

#include "sim/frames.h"

namespace bcrsim {

namespace {

constexpr uint8_t kPrefixWord = 0xF4;

// Number bytes starting with this byte: the prefix and what it stands in front of.
size_t NumberSize(uint8_t first) {
  if (first == 0xF0 || first == 0xF1) return 2;
  if (first == kPrefixWord) return 3;
  return 1;
}

// Reads one number at p; nullptr when the bytes run out before it is complete.
const uint8_t *ReadNumber(const uint8_t *p, const uint8_t *end, uint32_t *number) {
  const size_t size = NumberSize(*p);
  if (static_cast<size_t>(end - p) < size) return nullptr;
  uint32_t n = 0;
  for (size_t i = 0; i < size; ++i) n = (n << 8) | p[i];
  *number = n;
  return p + size;
}

void AppendNumber(Bytes *out, uint32_t number) {
  if (number > 0xFFFF) out->push_back(static_cast<uint8_t>(number >> 16));
  if (number > 0xFF) out->push_back(static_cast<uint8_t>(number >> 8));
  out->push_back(static_cast<uint8_t>(number));
}

struct Default {
  uint32_t number;
  uint32_t value;
};

// A handful of settings so that a fresh engine answers reads with something other than zeros.
constexpr Default kCommonDefaults[] = {
    {0x01, 1}, {0x02, 1},  {0x03, 1}, {0x04, 1}, {0x08, 1},  {0x09, 1},
    {0x1A, 4}, {0x1B, 55}, {0x4D, 0}, {0x4E, 1}, {0x88, 30}, {0x8A, 8},
};
constexpr Default kSE955Defaults[] = {{0xF098, 0}};
constexpr Default kImagerDefaults[] = {
    {0x0F, 1},    {0xF024, 1},     {0xF025, 1},    {0xF026, 1}, {0xF029, 1},
    {0xF031, 65}, {0xF131, 40},    {0xF16A, 1},    {0xF16B, 4}, {0xF16C, 55},
    {0xF07D, 6},  {0xF4F0A7, 100}, {0xF4F137, 10},
};

}  // namespace

bool IsWordParam(uint32_t number) {
  return (number >> 16) == kPrefixWord;
}

std::vector<uint32_t> ParseNumbers(const uint8_t *begin, const uint8_t *end) {
  std::vector<uint32_t> numbers;
  const uint8_t *p = begin;
  while (p < end) {
    uint32_t number = 0;
    p = ReadNumber(p, end, &number);
    if (p == nullptr) break;
    numbers.push_back(number);
  }
  return numbers;
}

std::vector<std::pair<uint32_t, uint32_t>> ParsePairs(const uint8_t *begin, const uint8_t *end) {
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  const uint8_t *p = begin;
  while (p < end) {
    uint32_t number = 0;
    p = ReadNumber(p, end, &number);
    const size_t valueSize = IsWordParam(number) ? 2 : 1;
    if (p == nullptr || static_cast<size_t>(end - p) < valueSize) break;
    uint32_t value = *p++;
    if (valueSize == 2) value = (value << 8) | *p++;
    pairs.emplace_back(number, value);
  }
  return pairs;
}

Bytes ParamReply(const std::vector<uint32_t> &numbers, const ParamStore &store) {
  Bytes reply{0x00, kOpParamSend, 0x00, 0x00, 0xFF};
  for (uint32_t number : numbers) {
    const auto found = store.find(number);
    const uint32_t value = found == store.end() ? 0 : found->second;
    Bytes pair;
    AppendNumber(&pair, number);
    if (IsWordParam(number)) pair.push_back(static_cast<uint8_t>(value >> 8));
    pair.push_back(static_cast<uint8_t>(value));
    if (reply.size() + pair.size() > 255) break;
    reply.insert(reply.end(), pair.begin(), pair.end());
  }
  reply[0] = static_cast<uint8_t>(reply.size());
  return reply;
}

ParamStore DefaultParams(Kind kind, uint32_t speed) {
  ParamStore store;
  for (const Default &d : kCommonDefaults) store[d.number] = d.value;
  if (kind == Kind::SE955) {
    for (const Default &d : kSE955Defaults) store[d.number] = d.value;
  } else {
    for (const Default &d : kImagerDefaults) store[d.number] = d.value;
  }
  store[kParamSpeed] = SpeedCode(speed);
  return store;
}

uint8_t SpeedCode(uint32_t bitsPerSecond) {
  if (bitsPerSecond == 38400) return 0x08;
  if (bitsPerSecond == 115200) return 0x0B;
  return 0x06;
}

uint32_t SpeedOfCode(uint8_t code) {
  if (code == 0x08) return 38400;
  if (code == 0x0B) return 115200;
  return 9600;
}

}  // namespace bcrsim
