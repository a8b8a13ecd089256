// Port time-outs beyond what one poll() can wait: the read still waits (never a negative,
// endless poll, never a wrapped deadline that ends it at once) and returns when the bytes come.
// poll() is the kernel's; this program only watches the waits the port asks of it.
#include <poll.h>
#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/port.h"
#include "sim/engine.h"

namespace {

thread_local bool watching = false;
thread_local int shortestWait = INT_MAX;
thread_local int waits = 0;

}  // namespace

extern "C" int poll(struct pollfd *fds, nfds_t count, int timeoutMs) {
  // A wait of 0 only looks whether the other end hung up.
  if (watching && timeoutMs != 0) {
    ++waits;
    if (timeoutMs < shortestWait) shortestWait = timeoutMs;
  }
  struct timespec wait = {timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000L};
  return ppoll(fds, count, timeoutMs < 0 ? nullptr : &wait, nullptr);
}

namespace bcr::platform {
namespace {

TEST(PortWait, TimeoutsBeyondOnePollWaitForTheBytes) {
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  ASSERT_NE(engine, nullptr);
  Port *port = PortOpen(engine->Path().c_str());
  ASSERT_NE(port, nullptr);
  LineSettings line;
  line.baudRate = 38400;
  ASSERT_TRUE(PortSetLine(port, line));
  for (const uint32_t wait : {UINT32_MAX, uint32_t{INT_MAX} + 1}) {
    SCOPED_TRACE(wait);
    std::thread sender([&engine] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      engine->Send({1, 2, 3, 4});
    });
    uint8_t buffer[4] = {};
    uint32_t received = 0;
    watching = true;
    shortestWait = INT_MAX;
    waits = 0;
    EXPECT_TRUE(PortRead(port, buffer, sizeof buffer, wait, &received));
    watching = false;
    sender.join();
    EXPECT_EQ(received, 4u);
    EXPECT_GT(waits, 0);
    // Each wait is what is left of at least 2^31 - 1 ms.
    EXPECT_GE(shortestWait, INT_MAX - 60000);
  }
  PortClose(port);
}

}  // namespace
}  // namespace bcr::platform
