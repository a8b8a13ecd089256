// The option functions whose argument list differs from their handler's: the argument mappings
// and translations.
#include <gtest/gtest.h>

#include "config/handlers.h"
#include "config/option_function.h"
#include "reader/device_queries.h"
#include "sim_engine_fixture.h"

namespace bcr {
namespace {

int32_t *const n = nullptr;

class OptionMapping : public test::SimEngineTest {
 protected:
  // The exported option function of that name, run on the test's engine.
  int32_t Run(const char *name, int32_t mode, std::initializer_list<int32_t *> args) {
    const size_t row = catalog::FunctionIndex(name);
    if (row >= catalog::kFunctionSlots) return ADD_FAILURE() << name, -1;
    return RunOptionFunction(engine_, catalog::FunctionAt(row), mode, args);
  }
};

TEST_F(OptionMapping, LastUpcAndEanJanArgumentsOfTheSE955AreTheSecurityLevel) {
  StartSE955();
  int32_t level = 7;
  EXPECT_EQ(Run("Upc_1D_SE955", 'w', {n, n, n, n, n, n, n, n, n, n, n, n, n, n, &level}), 1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF 4D 07 FD D4");
  EXPECT_EQ(CachedValue(engine_, UpcParam(), 16), 7);

  // EAN/JAN keeps its own entry for 0x4D, so the same value goes out again through it.
  EXPECT_EQ(Run("EanJan_1D_SE955", 'w', {n, n, n, n, n, n, n, &level}), 1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF 4D 07 FD D4");
  EXPECT_EQ(CachedValue(engine_, EanJanParam(), 9), 7);

  level = -1;
  sim_->SetParam(0x4D, 9);
  EXPECT_EQ(Run("Upc_1D_SE955", 'r', {n, n, n, n, n, n, n, n, n, n, n, n, n, n, &level}), 1);
  EXPECT_EQ(level, 9);
}

TEST_F(OptionMapping, ImagerUpcReadRequestsItsOwnOptionButStoresItNowhere) {
  Start4507();
  sim_->SetParam(0x44, 1);
  int32_t upcA = -1, coupon = -1;
  EXPECT_EQ(Run("Upc_2D_4507", 'r', {&upcA, n, n, n, n, n, n, n, n, n, n, n, n, &coupon}), 1);
  EXPECT_EQ(TakeHex(), "13 C7 04 00 01 02 0C 10 50 28 29 2A 22 23 24 25 26 55 44 FC EB");
  EXPECT_EQ(upcA, 1);
  EXPECT_EQ(coupon, 0);
  EXPECT_EQ(CachedValue(engine_, UpcParam(), 15), -1);
}

TEST_F(OptionMapping, SharedEngineParametersKeepSeparateEntries) {
  StartSE955();
  int32_t eanRedundancy = 0;
  ASSERT_EQ(Run("EanJan_1D_SE955", 'r', {n, n, n, n, &eanRedundancy, n, n, n}), 1);
  EXPECT_EQ(eanRedundancy, 10);
  TakeFrames();

  int32_t upcRedundancy = 3;
  EXPECT_EQ(Run("Upc_1D_SE955", 'w', {n, n, n, n, &upcRedundancy, n, n, n, n, n, n, n, n, n, n}),
            1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF 50 03 FD D5");
  EXPECT_EQ(CachedValue(engine_, EanJanParam(), 5), 10);

  // EAN/JAN's entry still holds 10, so writing 10 through it sends nothing, although the
  // engine now holds 3.
  EXPECT_EQ(Run("EanJan_1D_SE955", 'w', {n, n, n, n, &eanRedundancy, n, n, n}), 1);
  EXPECT_EQ(TakeHex(), "");
  EXPECT_EQ(Param(0x50), 3u);
}

TEST_F(OptionMapping, ChineseTwoOfFiveEnable) {
  Start4507();
  int32_t enable = 3;
  EXPECT_EQ(Run("Chinese2Of5_2D_4507", 'w', {&enable}), 1);
  EXPECT_EQ(TakeHex(), "08 C6 04 08 FF F0 98 01 FC 9E");
}

TEST_F(OptionMapping, GapSizeIsSentAsSixOrTenButCachedAsGiven) {
  Start4507();
  int32_t gap = 7;
  EXPECT_EQ(Run("SymbologySecurityLevel_2D_4507", 'w', {n, n, &gap}), 1);
  EXPECT_EQ(TakeHex(), "08 C6 04 08 FF F0 7D 06 FC B4");
  EXPECT_EQ(CachedValue(engine_, SymbologySecurityLevelParam(), 3), 7);
  EXPECT_EQ(Run("SymbologySecurityLevel_2D_4507", 'w', {n, n, &gap}), 1);
  EXPECT_EQ(TakeHex(), "");
}

TEST_F(OptionMapping, MacroPdfEscapesAreOneOutsideAndTwoInside) {
  Start4507();
  int32_t escapes = 5;
  EXPECT_EQ(Run("MacroPDF_2D_4507", 'w', {n, n, &escapes}), 1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF E9 02 FD 3D");
  EXPECT_EQ(escapes, 5);
  EXPECT_EQ(CachedValue(engine_, MacroPDFParam(), 3), 2);

  int32_t read = 0;
  EXPECT_EQ(Run("MacroPDF_2D_4507", 'r', {n, n, &read}), 1);
  EXPECT_EQ(read, 1);

  escapes = 0;
  EXPECT_EQ(Run("MacroPDF_2D_4507", 'w', {n, n, &escapes}), 1);
  EXPECT_EQ(Param(0xE9), 0u);
  TakeFrames();
  // A read of the other options alone leaves the flag's pointer, null, alone.
  int32_t first = -1;
  EXPECT_EQ(Run("MacroPDF_2D_4507", 'r', {&first, n, n}), 1);
  EXPECT_NE(first, -1);

  // The translation of a read applies whatever the handler gave.
  EXPECT_EQ(Run("MacroPDF_2D_4507", 'x', {n, n, &read}), 0);
  sim_->SetNakAll(true);
  read = 4;
  EXPECT_EQ(Run("MacroPDF_2D_4507", 'r', {n, n, &read}), 0);
  EXPECT_EQ(read, 1);
}

TEST_F(OptionMapping, MiscellaneousSecondArgumentOnlyCountsAsGiven) {
  StartSE955();
  int32_t ignored = 5;
  EXPECT_EQ(Run("MiscellaneousOption_1D_SE955", 'w', {n, &ignored}), 1);
  EXPECT_EQ(TakeHex(), "");

  EXPECT_EQ(Run("MiscellaneousOption_1D_SE955", 'r', {n, &ignored}), 1);
  EXPECT_EQ(TakeHex(), "0A C7 04 00 2D 69 68 6A EB 5E FC 7A");
  EXPECT_EQ(ignored, 5);

  EXPECT_EQ(Run("MiscellaneousOption_1D_SE955", 'w', {&ignored, n}), 1);
  EXPECT_EQ(TakeHex(), "07 C6 04 08 FF 2D 05 FD F6");
}

}  // namespace
}  // namespace bcr
