// The symbology table: what each engine code type (the first byte of every decode the engine
// sends) is called, and the decode type character the application sees for it. One table serves
// both engines.
#ifndef BCREADER_DECODE_CODE_TYPES_H
#define BCREADER_DECODE_CODE_TYPES_H

#include <cstddef>
#include <cstdint>

#include "state/published_decode.h"

namespace bcr {

struct Symbology {
  uint8_t codeType;    // engine code type, 1..154
  const char *name;    // symbology name
  uint8_t decodeType;  // printable character 64..126, or 0 when the symbology has none
};

constexpr size_t kSymbologyCount = 76;

// The name of every code type the table does not hold.
constexpr const char *kUnknownSymbologyName = "unkonwn";

// The whole table, kSymbologyCount rows in ascending code type order.
const Symbology *SymbologyTable();

// The row of an engine code type, nullptr when the table holds none (0, the gaps, above 154).
const Symbology *FindSymbology(uint32_t codeType);

// Takes the engine code type off the front of decode.data: codeType becomes it when the table
// names it, else 0, and symbologyName the row's name or "unkonwn". Removes the first unit (none
// when data are empty). With an engine kind other than the two known ones, only clears codeType
// and symbologyName and leaves the data as they are.
void ParseDecodeData(int32_t deviceType, Decode &decode);

// The decode type the application is given for the last published code type: -101 without an
// engine (deviceType 0), the row's decode type with a known engine, 0 when the code type is not
// in the table, the row has no decode type, or the engine kind is unknown.
int32_t DecodeTypeResult(int32_t deviceType, int32_t lastCodeType);

}  // namespace bcr

#endif  // BCREADER_DECODE_CODE_TYPES_H
