// The send-and-wait transaction and the receiver's reply mode: a revision request with a reply
// buffer and 5 attempts, answered by whatever the engine sends. The input is every byte that
// arrives after the first request goes out; bytes one attempt leaves unread are read by the
// next (nothing is purged: the line is read whole).
//
// Time bound: the wake step is not part of the transaction, so only reads that find nothing cost
// time, each at most the 1000 ms of the first byte; every input byte and each of the 5 attempts
// are allowed one 3000 ms wait and a 100 ms pause, far above what the protocol can spend.
#include <cstddef>
#include <cstdint>

#include "harness.h"
#include "link/frame.h"
#include "link/receiver.h"
#include "link/transaction.h"
#include "memory_port.h"

namespace {

using namespace bcr;
using namespace bcr::fuzz;

constexpr int32_t kAttempts = 5;
const Frame kRevisionRequest = {0x04, 0xA3, 0x04, 0x00, 0xFF, 0x55};

uint64_t TimeBound(size_t size) {
  return (size + kAttempts) * uint64_t{3000 + 100};
}

void CheckTransaction(int result, const Bytes &bytes) {
  Check(result == 0 || result == 1, "the transaction answers 1 or 0");
  const std::vector<Frame> &writes = PortWrites();
  Check(!writes.empty() && writes.size() <= kAttempts, "one request per attempt, 1 to 5");
  for (const Frame &frame : writes) {
    Check(frame == kRevisionRequest, "every attempt sends 04 A3 04 00 FF 55");
  }
  Check(bytes.size() <= PortConsumed(), "a reply holds only bytes that arrived");
  if (result == 0) {
    Check(writes.size() == kAttempts, "a failed transaction used all its attempts");
    return;
  }
  Check(!bytes.empty() && bytes[0] == bytes.size(),
        "an accepted reply holds the frame's length byte through its last data byte");
  const bool negative = bytes.size() > 4 && bytes[0] == 0x05 && bytes[1] == 0xD1 &&
                        bytes[2] == 0x00 && bytes[3] == 0x00;
  Check(!negative, "a negative acknowledgement is never accepted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  EngineLink link;
  // Each attempt may end in a broken frame: its cut and the quiet read after it fail too.
  OpenLink(link, kEngineSE955, data, size, TimeBound(size), 3 * kAttempts);
  Bytes request = RevisionRequestFrame();
  Bytes reply;
  const int result = SendAndWait(link, request, kCommandTimeout, &reply, kAttempts);
  CheckTransaction(result, reply);
  return 0;
}
