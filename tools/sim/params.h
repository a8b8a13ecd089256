// The engine's parameter store and the number lists of parameter frames.
//
// Numbers are keys of the store: a one-byte number n as n, an extended number (prefix 0xF0 or
// 0xF1) as (prefix << 8) | n, a word parameter (0xF4 and an extended number) as 0xF4xxxx. On the
// wire a word parameter's value is two bytes, high byte first; every other value is one byte.
#ifndef BCRSIM_PARAMS_H
#define BCRSIM_PARAMS_H

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "sim/engine.h"

namespace bcrsim {

using ParamStore = std::map<uint32_t, uint32_t>;

inline constexpr uint32_t kParamSpeed = 0x9C;

bool IsWordParam(uint32_t number);

// The numbers of a parameter request's data. A prefix without its number bytes ends the list.
std::vector<uint32_t> ParseNumbers(const uint8_t *begin, const uint8_t *end);
// The number/value pairs of a parameter send's data (after the beep byte). A pair cut short
// ends the list.
std::vector<std::pair<uint32_t, uint32_t>> ParsePairs(const uint8_t *begin, const uint8_t *end);
// The reply to a request: L C6 00 00 FF, then each number with its value (0 when the store has
// none), without checksum. Numbers in omitted are left out, and so are pairs that would make the
// frame longer than 255 bytes.
Bytes ParamReply(const std::vector<uint32_t> &numbers, const ParamStore &store,
                 const std::set<uint32_t> &omitted = {});

// The store an engine of the kind starts with: its factory value for every parameter that the
// option functions of its kind read or write, and the code of the speed in 0x9C.
ParamStore DefaultParams(Kind kind, uint32_t speed);

// The speed codes of parameter 0x9C: 0x08 38400, 0x0B 115200, any other code 9600.
uint8_t SpeedCode(uint32_t bitsPerSecond);
uint32_t SpeedOfCode(uint8_t code);

}  // namespace bcrsim

#endif  // BCRSIM_PARAMS_H
