// The handlers that show each kind of option (flags and numbers, options of one engine on both
// engines, two-byte and word numbers, a translated value, the library-kept value, the trigger
// mode, a send order of its own): the parameter request and a write of every option, byte for
// byte, then a read that brings the written values back. The reset's tests check the numbers of
// every handler, the start-up read the SE955's request of each. Last, the option catalog against
// the handler tables behind its functions; the functions themselves are checked against the public
// header with the exported functions.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/handlers.h"
#include "config/option_catalog.h"
#include "config/param_handler.h"
#include "sim_engine_fixture.h"

namespace bcr {
namespace {

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

// Flags are written as 0, 1 and 5 (sent as 01); numbers as 10 + 3 * argument on the SE955 and
// one more on the 4507 (so that the cases of one handler differ when they share a process); the
// gap size as 7 (sent as 6) and 10; the imager's words as 100 and 300; the library-kept value
// as 77.
// clang-format off
const HandlerCase kCases[] = {
    {"SymbologySecurityLevel_SE955", kSE955, &SymbologySecurityLevelParam(), {13, 16, 7},
     {13, 16, 6},
     "08 C7 04 00 4E 4D F0 7D FD 25",
     "0C C6 04 08 FF 4E 0D 4D 10 F0 7D 06 FB F8"},
    {"UserPreferences1D_SE955", kSE955, &UserPreferences1DParam(), {13, 16, 19, 22, 5, 77, 31},
     {13, 16, 19, 22, 1, 77, 31},
     "0A C7 04 00 88 BF 89 4E 43 8A FC 40",
     "11 C6 04 08 FF 88 0D BF 10 89 13 4E 16 43 01 8A 1F FA CD"},
    {"Upc_4507", k4507, &UpcParam(), {1, 0, 5, 23, 26, 5, 1, 0, 38, 41, 44, 5, 1, 0, 5, 59},
     {1, 0, 1, 23, 26, 1, 1, 0, 38, 41, 44, 1, 1, 0, 1, -7},
     "13 C7 04 00 01 02 0C 10 50 28 29 2A 22 23 24 25 26 55 44 FC EB",
     "23 C6 04 08 FF 01 01 02 00 0C 01 10 17 50 1A 28 01 29 01 2A 00 22 26 23 29 24 2C 25 01 "
     "26 01 55 00 44 01 FB 22"},
    {"EanJan_4507", k4507, &EanJanParam(), {1, 0, 5, 23, 26, 5, 1, 0, 38},
     {1, 0, 1, 23, 26, 1, 1, 0, -7},
     "0C C7 04 00 04 03 53 10 50 27 55 44 FD AF",
     "15 C6 04 08 FF 04 01 03 00 53 01 10 17 50 1A 27 01 55 01 44 00 FC 6B"},
    {"Code128_4507", k4507, &Code128Param(), {1, 0, 5, 23, 26},
     {1, 0, 1, 23, 26},
     "0A C7 04 00 08 0E 54 F1 41 DF FC B0",
     "10 C6 04 08 FF 08 01 0E 00 54 01 F1 41 17 DF 1A FB 71"},
    {"Symbologies_4507", k4507, &SymbologiesParam(), {1, 0, 5, 1, 26, 29, 1, 0, 38, 1, 0, 47},
     {1, 0, 1, 1, 26, 29, 1, 0, 38, 1, 0, 47},
     "19 C7 04 00 0F E3 7B F0 24 F1 4C F1 19 F0 26 F0 25 F1 4B F1 3D F1 3E F1 4D F3 52",
     "26 C6 04 08 FF 0F 01 E3 00 7B 01 F0 24 01 F0 26 01 F0 25 00 F1 4C 1A F1 19 1D F1 4B 26 "
     "F1 3D 01 F1 3E 00 F1 4D 2F F1 AE"},
    {"Imager_4507", k4507, &ImagerParam(),
     {1, 0, 20, 23, 0, 5, 100, 300, 38, 1, 44, 5, 50, 53, 56, 59},
     {1, 0, 20, 23, 0, 1, 100, 300, 38, 1, 44, 1, 50, 53, 56, 59},
     "26 C7 04 00 F0 29 F0 2A F0 32 F0 AD F0 68 F0 69 F0 43 F0 2C F0 2E F0 2B F0 31 F1 31 F0 "
     "30 F0 2F F4 F0 A7 F4 F1 37 E9 BB",
     "39 C6 04 08 FF F0 29 01 F0 2A 00 F0 32 14 F0 AD 17 F0 68 00 F0 69 01 F0 43 26 F0 2C 01 "
     "F0 2E 2C F0 2B 01 F0 31 32 F1 31 35 F0 30 38 F0 2F 3B F4 F0 A7 00 64 F4 F1 37 01 2C E6 "
     "B6"},
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
  EXPECT_EQ(TakeHex(), c.send);

  std::vector<int32_t> read(handler.count, kUntouched);
  pointers.clear();
  for (int32_t &value : read) pointers.push_back(&value);
  ASSERT_EQ(CallHandler(handler, engine_, 'r', pointers.data(), pointers.size()), 1);
  EXPECT_EQ(TakeHex(), c.request);
  EXPECT_EQ(read, c.readBack);
}

INSTANTIATE_TEST_SUITE_P(AllHandlers, HandlerTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HandlerCase> &param) {
                           return std::string(param.param.name);
                         });

using catalog::OptionFunction;
using catalog::SymbologyOptions;

const ParamOption *OptionOfArg(const ParamHandler &handler, uint8_t arg) {
  for (uint8_t i = 0; i < handler.count; ++i) {
    if (handler.options[i].arg == arg) return &handler.options[i];
  }
  return nullptr;
}

// Every catalog function with the engine it belongs to.
std::vector<std::pair<const OptionFunction *, int32_t>> CatalogFunctions() {
  std::vector<std::pair<const OptionFunction *, int32_t>> functions;
  const SymbologyOptions *entries = catalog::CatalogEntries();
  for (size_t i = 0; i < catalog::kSymbologyOptionsCount; ++i) {
    if (entries[i].se955.name != nullptr) functions.push_back({&entries[i].se955, 9});
    if (entries[i].imager4507.name != nullptr) functions.push_back({&entries[i].imager4507, 8});
  }
  return functions;
}

TEST(OptionCatalog, EachPointerReachesAnOptionOfTheHandlerOnItsEngine) {
  for (const auto &[function, deviceType] : CatalogFunctions()) {
    SCOPED_TRACE(function->name);
    const ParamHandler *handler = HandlerNamed(function->names);
    ASSERT_NE(handler, nullptr);
    EXPECT_TRUE(Serves(handler->serves, deviceType));
    EXPECT_EQ(function->nameCount, handler->count);
    std::set<uint8_t> reached;
    for (size_t i = 0; i < function->argCount; ++i) {
      uint8_t arg = function->handlerArg[i];
      if (arg == 0) continue;
      EXPECT_TRUE(reached.insert(arg).second) << "handler argument " << int(arg) << " twice";
      const ParamOption *option = OptionOfArg(*handler, arg);
      ASSERT_NE(option, nullptr) << "pointer " << i + 1;
      EXPECT_TRUE(option->kind == OptionKind::kLibraryKept || Serves(option->engines, deviceType))
          << "pointer " << i + 1 << " reaches an option of the other engine";
    }
  }
}

}  // namespace
}  // namespace bcr
