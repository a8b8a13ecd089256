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

// Factory values both kinds share: the linear symbologies, UPC/EAN, the preferences.
constexpr Default kCommonDefaults[] = {
    // Code 39
    {0x00, 1},
    {0x0D, 0},
    {0x56, 0},
    {0xE7, 0},
    {0x30, 0},
    {0x2B, 0},
    {0x11, 0},
    {0x12, 2},
    {0x13, 55},
    // UPC and EAN/JAN
    {0x01, 1},
    {0x02, 1},
    {0x0C, 0},
    {0x10, 0},
    {0x50, 10},
    {0x28, 1},
    {0x29, 1},
    {0x2A, 1},
    {0x22, 1},
    {0x23, 1},
    {0x24, 1},
    {0x25, 0},
    {0x26, 0},
    {0x55, 0},
    {0x04, 1},
    {0x03, 1},
    {0x53, 0},
    {0x27, 0},
    // Code 128, Code 93, Code 11
    {0x08, 1},
    {0x0E, 1},
    {0x54, 1},
    {0x09, 1},
    {0x1A, 4},
    {0x1B, 55},
    {0x0A, 0},
    {0x1C, 4},
    {0x1D, 55},
    {0x34, 1},
    {0x2F, 0},
    // Interleaved and Industrial 2 of 5, Codabar, MSI
    {0x06, 1},
    {0x16, 14},
    {0x17, 0},
    {0x31, 0},
    {0x2C, 0},
    {0x52, 0},
    {0x05, 0},
    {0x14, 12},
    {0x15, 0},
    {0x07, 0},
    {0x18, 5},
    {0x19, 55},
    {0x36, 0},
    {0x37, 0},
    {0x0B, 0},
    {0x1E, 4},
    {0x1F, 55},
    {0x32, 0},
    {0x2E, 0},
    {0x33, 1},
    // GS1 DataBar, Chinese 2 of 5
    {0xF052, 1},
    {0xF053, 0},
    {0xF054, 1},
    {0xF08D, 0},
    {0xF098, 0},
    // Miscellaneous and user preferences
    {0x2D, 0},
    {0x69, 0},
    {0x68, 0},
    {0x6A, 0},
    {0xEB, 0},
    {0x5E, 0},
    {0x88, 30},
    {0x89, 6},
    {0x8A, 8},
    {0x4E, 1},
    {0x4D, 0},
    {0xEC, 0},
    {0xEE, 1},
    {0x9B, 20},
    {0x9F, 1},
};
constexpr Default kSE955Defaults[] = {{0xBF, 6}, {0x43, 1}, {0xED, 0}};
constexpr Default kImagerDefaults[] = {
    // UPC/EAN and Code 128 parameters of the imager
    {0x44, 0},
    {0xF141, 0},
    {0xDF, 10},
    // Postal codes
    {0x59, 1},
    {0x5A, 1},
    {0x5B, 1},
    {0x60, 1},
    {0x5F, 1},
    {0xF022, 1},
    {0xF023, 1},
    {0xF046, 1},
    // Composite codes, security, Macro PDF
    {0xF055, 0},
    {0xF056, 0},
    {0xF073, 0},
    {0xF058, 0},
    {0xF08E, 1},
    {0xF0AB, 0},
    {0xF07D, 6},
    {0xBC, 4},
    {0xB8, 0},
    {0xE9, 0},
    // Matrix 2 of 5
    {0xF16A, 0},
    {0xF16B, 14},
    {0xF16C, 0},
    {0xF16D, 0},
    {0xF16E, 0},
    {0xF16F, 0},
    // Two-dimensional symbologies
    {0x0F, 1},
    {0xE3, 0},
    {0x7B, 0},
    {0xF024, 1},
    {0xF14C, 0},
    {0xF119, 0},
    {0xF026, 1},
    {0xF025, 1},
    {0xF14B, 0},
    {0xF13D, 1},
    {0xF13E, 1},
    {0xF14D, 0},
    // Imager settings
    {0xF029, 1},
    {0xF02A, 1},
    {0xF032, 2},
    {0xF0AD, 0},
    {0xF068, 1},
    {0xF069, 1},
    {0xF043, 0},
    {0xF02C, 1},
    {0xF02E, 0},
    {0xF02B, 1},
    {0xF031, 65},
    {0xF131, 40},
    {0xF030, 1},
    {0xF02F, 2},
    {0xF4F0A7, 100},
    {0xF4F137, 10},
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

Bytes ParamReply(const std::vector<uint32_t> &numbers, const ParamStore &store,
                 const std::set<uint32_t> &omitted) {
  Bytes reply{0x00, kOpParamSend, 0x00, 0x00, 0xFF};
  for (uint32_t number : numbers) {
    if (omitted.count(number) != 0) continue;
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
