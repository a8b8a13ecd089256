// The option functions whose argument list differs from their handler's: the argument mappings
// and translations.
#include <gtest/gtest.h>

#include "config/handlers.h"
#include "config/linear_options.h"
#include "config/preferences.h"
#include "config/two_d_options.h"
#include "reader/device_queries.h"
#include "sim_engine_fixture.h"

namespace bcr {
namespace {

using test::Frames;

int32_t *const n = nullptr;

class OptionMapping : public test::SimEngineTest {};

TEST_F(OptionMapping, LastUpcAndEanJanArgumentsOfTheSE955AreTheSecurityLevel) {
  StartSE955();
  int32_t level = 7;
  EXPECT_EQ(UpcOptionsSE955(engine_, 'w', n, n, n, n, n, n, n, n, n, n, n, n, n, n, &level), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x4D, 0x07, 0xFD, 0xD4}}));
  EXPECT_EQ(CachedValue(UpcParam(), 16), 7);

  // EAN/JAN keeps its own entry for 0x4D, so the same value goes out again through it.
  EXPECT_EQ(EanJanOptionsSE955(engine_, 'w', n, n, n, n, n, n, n, &level), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x4D, 0x07, 0xFD, 0xD4}}));
  EXPECT_EQ(CachedValue(EanJanParam(), 9), 7);

  level = -1;
  sim_->SetParam(0x4D, 9);
  EXPECT_EQ(UpcOptionsSE955(engine_, 'r', n, n, n, n, n, n, n, n, n, n, n, n, n, n, &level), 1);
  EXPECT_EQ(level, 9);
}

TEST_F(OptionMapping, ImagerUpcReadRequestsItsOwnOptionButStoresItNowhere) {
  Start4507();
  sim_->SetParam(0x44, 1);
  int32_t upcA = -1, coupon = -1;
  EXPECT_EQ(UpcOptions4507(engine_, 'r', &upcA, n, n, n, n, n, n, n, n, n, n, n, n, &coupon), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x13, 0xC7, 0x04, 0x00, 0x01, 0x02, 0x0C, 0x10, 0x50, 0x28, 0x29,
                                   0x2A, 0x22, 0x23, 0x24, 0x25, 0x26, 0x55, 0x44, 0xFC, 0xEB}}));
  EXPECT_EQ(upcA, 1);
  EXPECT_EQ(coupon, 0);
  EXPECT_EQ(CachedValue(UpcParam(), 15), -1);
}

TEST_F(OptionMapping, SharedEngineParametersKeepSeparateEntries) {
  StartSE955();
  int32_t eanRedundancy = 0;
  ASSERT_EQ(EanJanOptionsSE955(engine_, 'r', n, n, n, n, &eanRedundancy, n, n, n), 1);
  EXPECT_EQ(eanRedundancy, 10);
  TakeFrames();

  int32_t upcRedundancy = 3;
  EXPECT_EQ(UpcOptionsSE955(engine_, 'w', n, n, n, n, &upcRedundancy, n, n, n, n, n, n, n, n, n, n),
            1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x50, 0x03, 0xFD, 0xD5}}));
  EXPECT_EQ(CachedValue(EanJanParam(), 5), 10);

  // EAN/JAN's entry still holds 10, so writing 10 through it sends nothing, although the
  // engine now holds 3.
  EXPECT_EQ(EanJanOptionsSE955(engine_, 'w', n, n, n, n, &eanRedundancy, n, n, n), 1);
  EXPECT_TRUE(sim_->Received().empty());
  EXPECT_EQ(Param(0x50), 3u);
}

TEST_F(OptionMapping, ChineseTwoOfFiveEnable) {
  Start4507();
  int32_t enable = 3;
  EXPECT_EQ(Chinese2Of5Options(engine_, kImager4507, 'w', &enable), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x08, 0xC6, 0x04, 0x08, 0xFF, 0xF0, 0x98, 0x01, 0xFC, 0x9E}}));
}

TEST_F(OptionMapping, PostalArgumentEightIsTheUsPostalCheckDigit) {
  Start4507();
  int32_t transmit = 1;
  EXPECT_EQ(PostalCodeOptions(engine_, 'w', n, n, n, n, n, n, n, &transmit), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x5F, 0x01, 0xFD, 0xC8}}));
  EXPECT_EQ(PostalCodeOptions(engine_, 'w', n, n, n, n, n, n, n, &transmit), 1);
  EXPECT_TRUE(sim_->Received().empty());
}

TEST_F(OptionMapping, GapSizeIsSentAsSixOrTenButCachedAsGiven) {
  Start4507();
  int32_t gap = 7;
  EXPECT_EQ(SymbologySecurityLevelOptions(engine_, 'w', n, n, &gap), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x08, 0xC6, 0x04, 0x08, 0xFF, 0xF0, 0x7D, 0x06, 0xFC, 0xB4}}));
  EXPECT_EQ(CachedValue(SymbologySecurityLevelParam(), 3), 7);
  EXPECT_EQ(SymbologySecurityLevelOptions(engine_, 'w', n, n, &gap), 1);
  EXPECT_TRUE(sim_->Received().empty());
}

TEST_F(OptionMapping, MacroPdfEscapesAreOneOutsideAndTwoInside) {
  Start4507();
  int32_t escapes = 5;
  EXPECT_EQ(MacroPDFOptions(engine_, 'w', n, n, &escapes), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x07, 0xC6, 0x04, 0x08, 0xFF, 0xE9, 0x02, 0xFD, 0x3D}}));
  EXPECT_EQ(escapes, 5);
  EXPECT_EQ(CachedValue(MacroPDFParam(), 3), 2);

  int32_t read = 0;
  EXPECT_EQ(MacroPDFOptions(engine_, 'r', n, n, &read), 1);
  EXPECT_EQ(read, 1);

  escapes = 0;
  EXPECT_EQ(MacroPDFOptions(engine_, 'w', n, n, &escapes), 1);
  EXPECT_EQ(Param(0xE9), 0u);
  TakeFrames();

  // The translation of a read applies whatever the handler gave.
  EXPECT_EQ(MacroPDFOptions(engine_, 'x', n, n, &read), 0);
  sim_->SetNakAll(true);
  read = 4;
  EXPECT_EQ(MacroPDFOptions(engine_, 'r', n, n, &read), 0);
  EXPECT_EQ(read, 1);
}

TEST_F(OptionMapping, MiscellaneousSecondArgumentOnlyCountsAsGiven) {
  StartSE955();
  int32_t ignored = 5;
  EXPECT_EQ(MiscellaneousOptions(engine_, kEngineSE955, 'w', n, &ignored), 1);
  EXPECT_TRUE(sim_->Received().empty());

  EXPECT_EQ(MiscellaneousOptions(engine_, kEngineSE955, 'r', n, &ignored), 1);
  EXPECT_EQ(TakeFrames(),
            (Frames{{0x0A, 0xC7, 0x04, 0x00, 0x2D, 0x69, 0x68, 0x6A, 0xEB, 0x5E, 0xFC, 0x7A}}));
  EXPECT_EQ(ignored, 5);

  EXPECT_EQ(MiscellaneousOptions(engine_, kEngineSE955, 'w', &ignored, n), 1);
  EXPECT_EQ(TakeFrames(), (Frames{{0x07, 0xC6, 0x04, 0x08, 0xFF, 0x2D, 0x05, 0xFD, 0xF6}}));
}

}  // namespace
}  // namespace bcr
