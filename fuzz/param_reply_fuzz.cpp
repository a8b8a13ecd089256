// A parameter handler's read (or write) against whatever the engine answers: the handler's
// request goes out and the input is what comes back, so the reply parsing of every handler,
// the imager handler's word parameters among them, meets any frame the engine might send.
//
// Input: byte 0 picks the handler, byte 1 the engine (bit 0: the SE955, else the 4507) and the
// mode (bit 1: write), bytes 2 and 3 which option pointers are given (bit arg - 1), then in a
// write 4 bytes per option with its value (little endian); the rest arrives from the engine.
//
// Time bound: one 100 ms wake step and 5 attempts, each spending at most the read's first-byte
// wait (3000 ms for Code 11) on a read that finds nothing; every input byte and every attempt is
// allowed a 3000 ms wait and a 100 ms pause.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/handlers.h"
#include "config/param_handler.h"
#include "harness.h"
#include "input_stream.h"
#include "memory_port.h"
#include "state/scan_engine.h"

namespace {

using namespace bcr;
using namespace bcr::fuzz;

constexpr size_t kHeaderBytes = 4;
constexpr int32_t kAttempts = 5;
// What a given pointer holds before the call: no value the engine can report.
constexpr int32_t kUntouched = -12345;

uint64_t TimeBound(size_t size) {
  return (size + kAttempts + 1) * uint64_t{3000 + 100};
}

const ParamOption &OptionOf(const ParamHandler &handler, uint8_t arg) {
  for (uint8_t i = 0; i < handler.count; ++i) {
    if (handler.options[i].arg == arg) return handler.options[i];
  }
  Fail("handler table without argument %u", arg);
}

// Whether the engine is asked for the option: an engine parameter of the fitted engine.
bool Asked(const ParamOption &option, int32_t deviceType) {
  return option.kind != OptionKind::kLibraryKept && Serves(option.engines, deviceType);
}

int32_t LargestReported(const ParamOption &option) {
  if (option.kind == OptionKind::kWord && option.rule != ValueRule::kLowByteOnly) return 0xFFFF;
  return 0xFF;
}

// Every frame a handler sends is the wake byte or its own request (C7) or send (C6 ... 08 FF).
void CheckFrames(bool write) {
  CheckWritesWellFormed();
  size_t frames = 0;
  for (const Frame &frame : PortWrites()) {
    if (IsWakeByte(frame)) continue;
    ++frames;
    Check(frame[2] == 0x04, "the library sends as the host");
    if (write) {
      Check(frame.size() >= 7 && frame[1] == 0xC6 && frame[3] == 0x08 && frame[4] == 0xFF,
            "a write sends a permanent parameter send without beep");
    } else {
      Check(frame[1] == 0xC7 && frame[3] == 0x00, "a read sends a parameter request");
    }
  }
  Check(frames <= kAttempts, "at most one frame per attempt");
}

void CheckRead(const ParamHandler &handler, const ScanEngine &engine, int32_t result,
               const int32_t *values, const bool *given) {
  const int32_t type = engine.DeviceType();
  for (uint8_t arg = 1; arg <= handler.count; ++arg) {
    const ParamOption &option = OptionOf(handler, arg);
    const int32_t value = values[arg - 1];
    const int32_t cached = CachedValue(engine, handler, arg);
    if (!Serves(handler.serves, type)) {
      Check(value == kUntouched && cached == kUnknownValue, "a handler leaves another engine");
      continue;
    }
    if (!given[arg - 1]) {
      Check(cached == kUnknownValue, "an option not given is not cached");
      continue;
    }
    if (option.kind == OptionKind::kLibraryKept) {
      Check(value == engine.libraryKeptValue, "a read returns the library-kept value");
      Check(cached == kUnknownValue, "the library-kept value is never cached");
      continue;
    }
    if (result == 0 || !Asked(option, type)) {
      Check(value == kUntouched, "a failed read or another engine's option leaves the variable");
      Check(cached == kUnknownValue, "a failed read or another engine's option is not cached");
      continue;
    }
    if (value == kUntouched) {
      Check(cached == kUnknownValue, "an option the reply lacks is not cached");
      continue;
    }
    if (value < 0 || value > LargestReported(option)) {
      Fail("argument %u read as %d, beyond what its reply bytes can carry", arg, value);
    }
    Check(cached == value, "a value read is cached as read");
  }
}

void CheckWrite(const ParamHandler &handler, const ScanEngine &engine, int32_t result,
                const int32_t *values, const bool *given) {
  const int32_t type = engine.DeviceType();
  const bool served = Serves(handler.serves, type);
  // A refused write sends nothing and changes nothing, the library-kept value included.
  const bool refused = result == 0 && PortWrites().empty();
  for (uint8_t arg = 1; arg <= handler.count; ++arg) {
    const ParamOption &option = OptionOf(handler, arg);
    const int32_t cached = CachedValue(engine, handler, arg);
    if (option.kind == OptionKind::kLibraryKept) {
      Check(cached == kUnknownValue, "the library-kept value is never cached");
      if (served && given[arg - 1]) {
        Check(engine.libraryKeptValue == (refused ? 0 : values[arg - 1]),
              "a write keeps the value unless it is refused");
      }
      continue;
    }
    // A write that succeeds without sending had only values equal to their (unknown) entries.
    if (result == 1 && given[arg - 1] && Asked(option, type)) {
      Check(cached == values[arg - 1], "a successful write caches the value given");
    } else {
      Check(cached == kUnknownValue, "a failed write or an option not sent is not cached");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < kHeaderBytes) return -1;
  const ParamHandler &handler = *AllHandlers()[data[0] % kHandlerCount];
  const int32_t type = (data[1] & 1) != 0 ? kEngineSE955 : kImager4507;
  const bool write = (data[1] & 2) != 0;
  const uint32_t mask = uint32_t{data[2]} | uint32_t{data[3]} << 8;
  InputStream in(data + kHeaderBytes, size - kHeaderBytes);

  int32_t values[kMaxHandlerArgs];
  bool given[kMaxHandlerArgs] = {};
  int32_t *pointers[kMaxHandlerArgs] = {};
  for (uint8_t i = 0; i < handler.count; ++i) {
    values[i] = write ? static_cast<int32_t>(in.U32()) : kUntouched;
    given[i] = (mask >> i & 1) != 0;
    pointers[i] = given[i] ? &values[i] : nullptr;
  }

  ScanEngine engine;
  // Each attempt may end in a broken frame: its cut and the quiet read after it fail too.
  OpenLink(engine.link, type, in.Here(), in.Left(), TimeBound(size), 3 * kAttempts);
  const int32_t result =
      CallHandler(handler, engine, write ? kModeWrite : kModeRead, pointers, handler.count);
  Check(result == 0 || result == 1, "a handler answers 1 or 0");
  if (!Serves(handler.serves, type)) {
    Check(result == 0 && PortWrites().empty(), "a handler leaves an engine it does not serve");
  }
  CheckFrames(write);
  if (write) {
    CheckWrite(handler, engine, result, values, given);
  } else {
    CheckRead(handler, engine, result, values, given);
  }
  return 0;
}
