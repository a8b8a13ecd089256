// What the recovery tests take from the engine simulator for granted and cannot see themselves: a
// power cycle forgets the speed and the parameter store, so that the library has to give them
// back. Its checksums, its link and its hang-up on a re-plug are relied on by every other test
// that talks to it, which fail when they go wrong.
#include <gtest/gtest.h>

#include "sim/engine.h"

namespace bcrsim {
namespace {

TEST(SimPower, CycleForgetsSpeedAndStore) {
  auto engine = Engine::SE955().Speed(38400).Start();
  ASSERT_TRUE(engine);
  engine->SetParam(0x09, 0);
  engine->PowerCycle(300);
  EXPECT_FALSE(engine->PoweredOn());
  ASSERT_TRUE(engine->WaitPoweredOn(2000));
  EXPECT_EQ(engine->Speed(), 9600u);
  EXPECT_EQ(engine->Param(0x9C), 0x06u);
  EXPECT_EQ(engine->Param(0x09), 1u);
  EXPECT_EQ(engine->PowerCycles(), 1u);
}

}  // namespace
}  // namespace bcrsim
