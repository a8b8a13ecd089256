#include "decode/code_types.h"

#include <algorithm>
#include <iterator>

#include "link/engine_link.h"
#include "state/results.h"

namespace bcr {

namespace {

constexpr Symbology kTable[] = {
    {0x01, "Code 39", 'A'},
    {0x02, "Codabar", 'G'},
    {0x03, "Code 128", 'I'},
    {0x04, "Discrete 2 of 5", 'j'},
    {0x05, "IATA25", 'i'},
    {0x06, "Interleave 2/5", 'E'},
    {0x07, "Code 93", 'H'},
    {0x08, "UPC-A", '^'},
    {0x09, "UPC-E0", 'J'},
    {0x0A, "EAN8", 'M'},
    {0x0B, "EAN13", 'P'},
    {0x0C, "Code 11", 'g'},
    {0x0E, "MSI", 'S'},
    {0x0F, "EAN 128", 'U'},
    {0x10, "UPC-E1", 'a'},
    {0x11, "PDF417", 'k'},
    {0x13, "Code 39 Full ASCII", 'h'},
    {0x15, "Trioptic Code 39", 'e'},
    {0x16, "Bookland", 'f'},
    {0x17, "Coupon Code", 'x'},
    {0x19, "ISBT 128", '@'},
    {0x1A, "Micro PDF", 'l'},
    {0x1B, "Data Matrix", 'm'},
    {0x1C, "QR Code", 'o'},
    {0x1E, "US Postnet", 'p'},
    {0x1F, "US Planet", 'q'},
    {0x20, "Code 32", 'B'},
    {0x21, "ISBT-128", 0},
    {0x22, "Japan Postal", 's'},
    {0x23, "Australian Postal", 't'},
    {0x24, "Dutch Postal", 'u'},
    {0x25, "Maxicode", 'n'},
    {0x26, "Postbar (CA)", 0},
    {0x27, "UK Postal", 'r'},
    {0x28, "Macro PDF", 'w'},
    {0x2C, "Micro QR Code", '{'},
    {0x2D, "Aztec", 'z'},
    {0x30, "GS1 DataBar-14", '['},
    {0x31, "GS1 DataBar Limited", '\\'},
    {0x32, "GS1 DataBar Expanded", ']'},
    {0x33, "Parameter (FNC3)", 0},
    {0x34, "USPS 4CB/One Code/Intelligent Mail", '|'},
    {0x35, "UPU FICS Postal", '}'},
    {0x37, "Scanlet Webcode", 0},
    {0x38, "Cue CAT Code", 0},
    {0x39, "Matrix 2 of 5", 'F'},
    {0x48, "UPC-A with 2 Digits Addenda", '_'},
    {0x49, "UPC-E0 with 2 Digits Addenda", 'K'},
    {0x4A, "EAN8 with 2 Digits Addenda", 'N'},
    {0x4B, "EAN13 with 2 Digits Addenda", 'Q'},
    {0x50, "UPC-E1 with 2 Digits Addenda", 'b'},
    {0x51, "Composite CC-A + EAN128", 'v'},
    {0x52, "Composite CC-A + EAN13", 'v'},
    {0x53, "Composite CC-A + EAN8", 'v'},
    {0x54, "Composite CC-A + RSS Expanded", 'v'},
    {0x55, "Composite CC-A + RSS Limited", 'v'},
    {0x56, "Composite CC-A + RSS14", 'v'},
    {0x57, "Composite CC-A + UPC-A", 'v'},
    {0x58, "Composite CC-A + UPC-E", 'v'},
    {0x59, "Composite CC-C + EAN128", 'v'},
    {0x5A, "TLC-39", 'd'},
    {0x61, "Composite CC-B + EAN128", 'v'},
    {0x62, "Composite CC-B + EAN13", 'v'},
    {0x63, "Composite CC-B + EAN8", 'v'},
    {0x64, "Composite CC-B + RSS Expanded", 'v'},
    {0x65, "Composite CC-B + RSS Limited", 'v'},
    {0x66, "Composite CC-B + RSS14", 'v'},
    {0x67, "Composite CC-B + UPC-A", 'v'},
    {0x68, "Composite CC-B + UPC-E", 'v'},
    {0x72, "Chinese 2 of 5", 'y'},
    {0x88, "UPC-A with 5 Digits Addenda", '`'},
    {0x89, "UPC-E0 with 5 Digits Addenda", 'L'},
    {0x8A, "EAN8 with 5 Digits Addenda", 'O'},
    {0x8B, "EAN13 with 5 Digits Addenda", 'R'},
    {0x90, "UPC-E1 with 5 Digits Addenda", 'c'},
    {0x9A, "Macro Micro PDF417", '~'},
};

static_assert(std::size(kTable) == kSymbologyCount, "the table has 76 rows");

constexpr bool AscendingCodeTypes() {
  for (size_t i = 1; i < std::size(kTable); ++i) {
    if (kTable[i - 1].codeType >= kTable[i].codeType) return false;
  }
  return true;
}
// FindSymbology searches by halves and relies on this order.
static_assert(AscendingCodeTypes(), "rows are in ascending code type order, each once");

}  // namespace

const Symbology *SymbologyTable() {
  return kTable;
}

const Symbology *FindSymbology(uint32_t codeType) {
  const Symbology *end = std::end(kTable);
  const Symbology *row =
      std::lower_bound(std::begin(kTable), end, codeType,
                       [](const Symbology &s, uint32_t key) { return s.codeType < key; });
  return row != end && row->codeType == codeType ? row : nullptr;
}

void ParseDecodeData(int32_t deviceType, Decode &decode) {
  decode.codeType = 0;
  decode.symbologyName.AssignNarrow("");
  if (!IsKnownEngine(deviceType)) return;
  uint32_t codeType = decode.data.Size() > 0 ? decode.data.Data()[0] : 0;
  const Symbology *row = FindSymbology(codeType);
  if (row != nullptr) {
    decode.codeType = codeType;
    decode.symbologyName.AssignNarrow(row->name);
  } else {
    decode.symbologyName.AssignNarrow(kUnknownSymbologyName);
  }
  if (decode.data.Size() > 0) decode.data.Erase(0, 1);
}

int32_t DecodeTypeResult(int32_t deviceType, int32_t lastCodeType) {
  if (deviceType == kNoEngine) return kResultNoEngine;
  if (!IsKnownEngine(deviceType) || lastCodeType < 0) return 0;
  const Symbology *row = FindSymbology(static_cast<uint32_t>(lastCodeType));
  return row != nullptr ? row->decodeType : 0;
}

}  // namespace bcr
