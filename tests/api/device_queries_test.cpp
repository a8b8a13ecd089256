// Device queries before and after the reader is up, and the registry value they write.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/engine.h"
#include "support/sim_reader.h"

namespace bcr::test {
namespace {

class DeviceQueries : public SimReader {};

TEST_F(DeviceQueries, LibraryVersionIsCopiedOrCut) {
  LoadedLibrary library;
  auto getDllVer = BCR_FN(library, GetDllVer);
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(getDllVer(buffer, 8), 1);
  EXPECT_STREQ(buffer, "1.0.1.0");
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(getDllVer(buffer, 3), 1);
  EXPECT_EQ(std::memcmp(buffer, "1.\0x", 4), 0);
  EXPECT_EQ(getDllVer(buffer, 1), 1);
  EXPECT_EQ(buffer[0], '\0');
}

TEST_F(DeviceQueries, SwitchingTheReaderIsRecordedInTheRegistry) {
  Start(bcrsim::Engine::SE955().Speed(38400).Start(), "1");
  ASSERT_FALSE(HasFatalFailure());
  auto setActive = BCR_FN(library_, SetActiveDevice);
  auto getActive = BCR_FN(library_, GetActiveDevice);
  EXPECT_EQ(getActive(), 7);
  EXPECT_EQ(setActive(1), 0);
  EXPECT_EQ(getActive(), 7);
  EXPECT_EQ(setActive(0), 1);
  EXPECT_EQ(getActive(), 0);
  const std::string kRegistry =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\SerialBarcode]\n\"BarcodeUnderUsing\"=dword:0000000";
  EXPECT_EQ(ReadFile(scratch_.File("registry.reg")), kRegistry + "0\n");
  EXPECT_EQ(setActive(255), 1);
  EXPECT_EQ(getActive(), 7);
  EXPECT_EQ(ReadFile(scratch_.File("registry.reg")), kRegistry + "1\n");
}

TEST_F(DeviceQueries, ImagerVersionIsTheRevisionFromOffsetFour) {
  Start(bcrsim::Engine::Imager4507()
            .Speed(115200)
            .Revision({0x1C, 0xA4, 0x00, 0x00, 'P', 'A', 'A', 'A', 'A', 'S', '0', '0', '-', 'R',
                       '0',  '1',  '-',  '1',  '2', '3', '4', '5', '6', '7', '8', '9', '0', '1'})
            .Start(),
        "3");
  ASSERT_FALSE(HasFatalFailure());
  auto version = BCR_FN(library_, GetDecoderVersion);
  char buffer[32];
  EXPECT_EQ(version(7, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "PAAAAS00-R01-123");  // offsets 4 to 19
  // Room for the terminator alone: the engine is asked all the same.
  char one[1] = {'x'};
  EXPECT_EQ(version(7, one, 1), 1);
  EXPECT_EQ(one[0], '\0');
}

}  // namespace
}  // namespace bcr::test
