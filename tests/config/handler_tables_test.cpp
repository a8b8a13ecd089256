// Every handler on every engine it serves: the parameter request and a write of every option,
// byte for byte, then a read that brings the written values back.
#include <gtest/gtest.h>

#include <string>

#include "config/handlers.h"
#include "config/param_handler.h"
#include "sim_engine_fixture.h"

namespace bcr {
namespace {

using test::Bytes;
using test::Frames;

constexpr bcrsim::Kind kSE955 = bcrsim::Kind::SE955;
constexpr bcrsim::Kind k4507 = bcrsim::Kind::Imager4507;
// What a read leaves in a variable whose option does not apply to the engine.
constexpr int32_t kUntouched = -7;

struct HandlerCase {
  const char *name;
  bcrsim::Kind kind;
  const ParamHandler *handler;
  std::vector<int32_t> written;   // by argument; the cache is unknown, so every option is sent
  std::vector<int32_t> readBack;  // by argument, as the engine reports the written values
  const char *request;            // hex bytes with checksum
  const char *send;               // hex bytes with checksum
};

Bytes Hex(const char *text) {
  Bytes bytes;
  for (const char *p = text; *p != '\0'; p += p[2] == '\0' ? 2 : 3) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(p, 2), nullptr, 16)));
  }
  return bytes;
}

// Flags are written as 0, 1 and 5 (sent as 01); numbers as 10 + 3 * argument on the SE955 and
// one more on the 4507 (so that the cases of one handler differ when they share a process); the
// gap size as 7 (sent as 6) and 10; the imager's words as 100 and 300; the library-kept value
// as 77.
// clang-format off
const HandlerCase kCases[] = {
    {"Code39_SE955", kSE955, &Code39Param, {0, 5, 1, 0, 5, 1, 0, 34, 37},
     {0, 1, 1, 0, 1, 1, 0, 34, 37},
     "0D C7 04 00 00 0D 56 E7 30 2B 11 12 13 FD 4D",
     "17 C6 04 08 FF 00 00 0D 01 56 01 E7 00 30 01 2B 01 11 00 12 22 13 25 FB F2"},
    {"Upc_SE955", kSE955, &UpcParam, {0, 5, 1, 22, 25, 1, 0, 5, 37, 40, 43, 1, 0, 5, 1, 58},
     {0, 1, 1, 22, 25, 1, 0, 1, 37, 40, 43, 1, 0, 1, -7, 58},
     "13 C7 04 00 01 02 0C 10 50 28 29 2A 22 23 24 25 26 55 4D FC E2",
     "23 C6 04 08 FF 01 00 02 01 0C 01 10 16 50 19 28 01 29 00 2A 01 22 25 23 28 24 2B 25 01 "
     "26 00 55 01 4D 3A FA E5"},
    {"EanJan_SE955", kSE955, &EanJanParam, {0, 5, 1, 22, 25, 1, 0, 5, 37},
     {0, 1, 1, 22, 25, 1, 0, -7, 37},
     "0C C7 04 00 04 03 53 10 50 27 55 4D FD A6",
     "15 C6 04 08 FF 04 00 03 01 53 01 10 16 50 19 27 01 55 00 4D 25 FC 40"},
    {"Code128_SE955", kSE955, &Code128Param, {0, 5, 1, 22, 25},
     {0, 1, 1, -7, -7},
     "07 C7 04 00 08 0E 54 FE C4",
     "0B C6 04 08 FF 08 00 0E 01 54 01 FD B8"},
    {"Code93_SE955", kSE955, &Code93Param, {0, 16, 19},
     {0, 16, 19},
     "07 C7 04 00 09 1A 1B FE F0",
     "0B C6 04 08 FF 09 00 1A 10 1B 13 FD C3"},
    {"Code11_SE955", kSE955, &Code11Param, {0, 16, 1, 22, 25},
     {0, 16, 1, 22, 25},
     "09 C7 04 00 0A 1C 1D 34 2F FE 86",
     "0F C6 04 08 FF 0A 00 1C 16 1D 19 34 10 2F 01 FD 3A"},
    {"Interleaved2Of5_SE955", kSE955, &Interleaved2Of5Param, {0, 16, 19, 22, 5, 1},
     {0, 16, 19, 22, 1, 1},
     "0A C7 04 00 06 16 17 31 2C 52 FE 49",
     "11 C6 04 08 FF 06 00 16 10 17 13 31 16 2C 01 52 01 FD 01"},
    {"Industrial2Of5_SE955", kSE955, &Industrial2Of5Param, {0, 16, 19},
     {0, 16, 19},
     "07 C7 04 00 05 14 15 FF 00",
     "0B C6 04 08 FF 05 00 14 10 15 13 FD D3"},
    {"Codabar_SE955", kSE955, &CodabarParam, {0, 16, 19, 0, 5},
     {0, 16, 19, 0, 1},
     "09 C7 04 00 07 18 19 36 37 FE 87",
     "0F C6 04 08 FF 07 00 18 10 19 13 36 00 37 01 FD 57"},
    {"Msi_SE955", kSE955, &MsiParam, {0, 16, 19, 0, 5, 28},
     {0, 16, 19, 0, 1, 28},
     "0A C7 04 00 0B 1E 1F 32 2E 33 FE 50",
     "11 C6 04 08 FF 0B 00 1E 10 1F 13 32 00 2E 01 33 1C FD 03"},
    {"Rss_SE955", kSE955, &RssParam, {0, 5, 1, 0},
     {0, 1, 1, 0},
     "0C C7 04 00 F0 52 F0 53 F0 54 F0 8D F9 E3",
     "11 C6 04 08 FF F0 52 00 F0 53 01 F0 54 01 F0 8D 00 F8 D6"},
    {"Chinese2Of5_SE955", kSE955, &Chinese2Of5Param, {0},
     {0},
     "06 C7 04 00 F0 98 FD A7",
     "08 C6 04 08 FF F0 98 00 FC 9F"},
    {"SymbologySecurityLevel_SE955", kSE955, &SymbologySecurityLevelParam, {13, 16, 7},
     {13, 16, 6},
     "08 C7 04 00 4E 4D F0 7D FD 25",
     "0C C6 04 08 FF 4E 0D 4D 10 F0 7D 06 FB F8"},
    {"MiscellaneousOption_SE955", kSE955, &MiscellaneousOptionParam, {13, 16, 19, 22, 25, 1},
     {13, 16, 19, 22, 25, 1},
     "0A C7 04 00 2D 69 68 6A EB 5E FC 7A",
     "11 C6 04 08 FF 2D 0D 69 10 68 13 6A 16 EB 19 5E 01 FB 0D"},
    {"UserPreferences1D_SE955", kSE955, &UserPreferences1DParam, {13, 16, 19, 22, 5, 77, 31},
     {13, 16, 19, 22, 1, 77, 31},
     "0A C7 04 00 88 BF 89 4E 43 8A FC 40",
     "11 C6 04 08 FF 88 0D BF 10 89 13 4E 16 43 01 8A 1F FA CD"},
    {"Code39_4507", k4507, &Code39Param, {1, 0, 5, 1, 0, 5, 1, 35, 38},
     {1, 0, 1, 1, 0, 1, 1, 35, 38},
     "0D C7 04 00 00 0D 56 E7 30 2B 11 12 13 FD 4D",
     "17 C6 04 08 FF 00 01 0D 00 56 01 E7 01 30 00 2B 01 11 01 12 23 13 26 FB EF"},
    {"Upc_4507", k4507, &UpcParam, {1, 0, 5, 23, 26, 5, 1, 0, 38, 41, 44, 5, 1, 0, 5, 59},
     {1, 0, 1, 23, 26, 1, 1, 0, 38, 41, 44, 1, 1, 0, 1, -7},
     "13 C7 04 00 01 02 0C 10 50 28 29 2A 22 23 24 25 26 55 44 FC EB",
     "23 C6 04 08 FF 01 01 02 00 0C 01 10 17 50 1A 28 01 29 01 2A 00 22 26 23 29 24 2C 25 01 "
     "26 01 55 00 44 01 FB 22"},
    {"EanJan_4507", k4507, &EanJanParam, {1, 0, 5, 23, 26, 5, 1, 0, 38},
     {1, 0, 1, 23, 26, 1, 1, 0, -7},
     "0C C7 04 00 04 03 53 10 50 27 55 44 FD AF",
     "15 C6 04 08 FF 04 01 03 00 53 01 10 17 50 1A 27 01 55 01 44 00 FC 6B"},
    {"Code128_4507", k4507, &Code128Param, {1, 0, 5, 23, 26},
     {1, 0, 1, 23, 26},
     "0A C7 04 00 08 0E 54 F1 41 DF FC B0",
     "10 C6 04 08 FF 08 01 0E 00 54 01 F1 41 17 DF 1A FB 71"},
    {"Code93_4507", k4507, &Code93Param, {1, 17, 20},
     {1, 17, 20},
     "07 C7 04 00 09 1A 1B FE F0",
     "0B C6 04 08 FF 09 01 1A 11 1B 14 FD C0"},
    {"Code11_4507", k4507, &Code11Param, {1, 17, 5, 23, 26},
     {1, 17, 1, 23, 26},
     "09 C7 04 00 0A 1C 1D 34 2F FE 86",
     "0F C6 04 08 FF 0A 01 1C 17 1D 1A 34 11 2F 01 FD 36"},
    {"Interleaved2Of5_4507", k4507, &Interleaved2Of5Param, {1, 17, 20, 23, 0, 5},
     {1, 17, 20, 23, 0, 1},
     "0A C7 04 00 06 16 17 31 2C 52 FE 49",
     "11 C6 04 08 FF 06 01 16 11 17 14 31 17 2C 00 52 01 FC FE"},
    {"Industrial2Of5_4507", k4507, &Industrial2Of5Param, {1, 17, 20},
     {1, 17, 20},
     "07 C7 04 00 05 14 15 FF 00",
     "0B C6 04 08 FF 05 01 14 11 15 14 FD D0"},
    {"Codabar_4507", k4507, &CodabarParam, {1, 17, 20, 1, 0},
     {1, 17, 20, 1, 0},
     "09 C7 04 00 07 18 19 36 37 FE 87",
     "0F C6 04 08 FF 07 01 18 11 19 14 36 01 37 00 FD 54"},
    {"Msi_4507", k4507, &MsiParam, {1, 17, 20, 1, 0, 29},
     {1, 17, 20, 1, 0, 29},
     "0A C7 04 00 0B 1E 1F 32 2E 33 FE 50",
     "11 C6 04 08 FF 0B 01 1E 11 1F 14 32 01 2E 00 33 1D FC FF"},
    {"Rss_4507", k4507, &RssParam, {1, 0, 5, 1},
     {1, 0, 1, 1},
     "0C C7 04 00 F0 52 F0 53 F0 54 F0 8D F9 E3",
     "11 C6 04 08 FF F0 52 01 F0 53 00 F0 54 01 F0 8D 01 F8 D5"},
    {"Chinese2Of5_4507", k4507, &Chinese2Of5Param, {1},
     {1},
     "06 C7 04 00 F0 98 FD A7",
     "08 C6 04 08 FF F0 98 01 FC 9E"},
    {"PostalCode_4507", k4507, &PostalCodeParam, {1, 0, 5, 1, 0, 5, 1, 0},
     {1, 0, 1, 1, 0, 1, 1, 0},
     "0F C7 04 00 59 5A 5B 60 5F F0 22 F0 23 F0 46 F9 FE",
     "18 C6 04 08 FF 59 01 5A 00 5B 01 60 01 5F 00 F0 22 00 F0 23 01 F0 46 01 F8 EA"},
    {"Composite_4507", k4507, &CompositeParam, {1, 0, 5, 23, 26, 5},
     {1, 0, 1, 23, 26, 1},
     "10 C7 04 00 F0 55 F0 56 F0 73 F0 58 F0 8E F0 AB F6 D6",
     "17 C6 04 08 FF F0 55 01 F0 56 00 F0 73 01 F0 58 17 F0 8E 1A F0 AB 01 F5 95"},
    {"SymbologySecurityLevel_4507", k4507, &SymbologySecurityLevelParam, {14, 17, 10},
     {14, 17, 10},
     "08 C7 04 00 4E 4D F0 7D FD 25",
     "0C C6 04 08 FF 4E 0E 4D 11 F0 7D 0A FB F2"},
    {"MacroPDF_4507", k4507, &MacroPDFParam, {14, 0, 20},
     {14, 0, 20},
     "07 C7 04 00 BC B8 E9 FC D1",
     "0B C6 04 08 FF BC 0E B8 00 E9 14 FB A5"},
    {"Matrix2Of5_4507", k4507, &Matrix2Of5Param, {1, 17, 20, 1, 0, 5},
     {1, 17, 20, 1, 0, 1},
     "10 C7 04 00 F1 6A F1 6B F1 6C F1 6D F1 6E F1 6F F6 F4",
     "17 C6 04 08 FF F1 6A 01 F1 6B 11 F1 6C 14 F1 6D 01 F1 6E 00 F1 6F 01 F5 BF"},
    {"Symbologies_4507", k4507, &SymbologiesParam, {1, 0, 5, 1, 26, 29, 1, 0, 38, 1, 0, 47},
     {1, 0, 1, 1, 26, 29, 1, 0, 38, 1, 0, 47},
     "19 C7 04 00 0F E3 7B F0 24 F1 4C F1 19 F0 26 F0 25 F1 4B F1 3D F1 3E F1 4D F3 52",
     "26 C6 04 08 FF 0F 01 E3 00 7B 01 F0 24 01 F0 26 01 F0 25 00 F1 4C 1A F1 19 1D F1 4B 26 "
     "F1 3D 01 F1 3E 00 F1 4D 2F F1 AE"},
    {"Imager_4507", k4507, &ImagerParam,
     {1, 0, 20, 23, 0, 5, 100, 300, 38, 1, 44, 5, 50, 53, 56, 59},
     {1, 0, 20, 23, 0, 1, 100, 300, 38, 1, 44, 1, 50, 53, 56, 59},
     "26 C7 04 00 F0 29 F0 2A F0 32 F0 AD F0 68 F0 69 F0 43 F0 2C F0 2E F0 2B F0 31 F1 31 F0 "
     "30 F0 2F F4 F0 A7 F4 F1 37 E9 BB",
     "39 C6 04 08 FF F0 29 01 F0 2A 00 F0 32 14 F0 AD 17 F0 68 00 F0 69 01 F0 43 26 F0 2C 01 "
     "F0 2E 2C F0 2B 01 F0 31 32 F1 31 35 F0 30 38 F0 2F 3B F4 F0 A7 00 64 F4 F1 37 01 2C E6 "
     "B6"},
    {"MiscellaneousOption_4507", k4507, &MiscellaneousOptionParam, {14, 17, 20, 23, 26, 5},
     {14, 17, 20, 23, 26, 1},
     "0A C7 04 00 2D 69 68 6A EB 5E FC 7A",
     "11 C6 04 08 FF 2D 0E 69 11 68 14 6A 17 EB 1A 5E 01 FB 08"},
    {"UserPreferences2D_4507", k4507, &UserPreferences2DParam, {14, 17, 20},
     {14, 17, 20},
     "07 C7 04 00 88 89 8A FD 93",
     "0B C6 04 08 FF 88 0E 89 11 8A 14 FC 56"},
};
// clang-format on

class HandlerTable : public test::SimEngineTest,
                     public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(HandlerTable, WriteSendsEveryOptionAndReadRequestsEveryNumber) {
  const HandlerCase &c = GetParam();
  Start(c.kind);
  const ParamHandler &handler = *c.handler;
  ASSERT_EQ(c.written.size(), handler.count);

  std::vector<int32_t> values = c.written;
  std::vector<int32_t *> pointers;
  for (int32_t &value : values) pointers.push_back(&value);
  ASSERT_EQ(CallHandler(handler, engine_, 'w', pointers.data(), pointers.size()), 1);
  EXPECT_EQ(TakeFrames(), Frames{Hex(c.send)});

  std::vector<int32_t> read(handler.count, kUntouched);
  pointers.clear();
  for (int32_t &value : read) pointers.push_back(&value);
  ASSERT_EQ(CallHandler(handler, engine_, 'r', pointers.data(), pointers.size()), 1);
  EXPECT_EQ(TakeFrames(), Frames{Hex(c.request)});
  EXPECT_EQ(read, c.readBack);
}

INSTANTIATE_TEST_SUITE_P(AllHandlers, HandlerTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HandlerCase> &param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace bcr
