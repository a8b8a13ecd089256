#include "config/reset.h"

#include <climits>
#include <iterator>

#include "config/handlers.h"
#include "config/param_handler.h"
#include "config/preferences.h"
#include "link/engine_link.h"
#include "link/frame.h"
#include "link/port_lock.h"
#include "link/transaction.h"
#include "state/results.h"
#include "state/scan_engine.h"
#include "state/settings.h"

namespace bcr {

namespace {

constexpr Engines kBoth = Engines::kBoth;
constexpr Engines kOn4507 = Engines::k4507;
constexpr Engines kOnSE955 = Engines::kSE955;

struct FixedPair {
  uint8_t number;
  uint8_t value;
  Engines engines;
};

// 0x8A trigger mode 8, 0x88 decode time-out 3 s; the others are the engine's own.
constexpr FixedPair kPreferenceDefaults[] = {
    {0x8A, 8, kBoth},  {0xEC, 0, kBoth}, {0xEE, 1, kBoth},   {0x9B, 20, kBoth},
    {0x88, 30, kBoth}, {0x9F, 1, kBoth}, {0xED, 0, kOnSE955}};

// A reset value that is not written: the handler receives a null pointer.
constexpr int32_t kLeave = INT32_MIN;

struct ResetStep {
  const ParamHandler *handler;
  const int32_t *values;  // one per handler argument, in argument order
  uint8_t count;
  Engines engines;  // the engines whose reset writes this step
};

template <size_t N>
constexpr ResetStep Step(const ParamHandler &handler, const int32_t (&values)[N],
                         Engines engines = kBoth) {
  return {&handler, values, static_cast<uint8_t>(N), engines};
}

constexpr int32_t kCode39[] = {1, 0, 0, 0, 0, 0, 0, 4, 55};
constexpr int32_t kCode93[] = {1, 4, 55};
constexpr int32_t kCode11[] = {1, 0, 0, 4, 55};
constexpr int32_t kIndustrial2Of5[] = {1, 4, 55};
constexpr int32_t kInterleaved2Of5[] = {1, 4, 55, 0, 0, 0};
constexpr int32_t kCodabar[] = {1, 4, 55, 0, 0};
constexpr int32_t kCode128[] = {1, 1, 1, 0, 10};
constexpr int32_t kMsi[] = {1, 4, 55, 0, 0, 1};
// EAN/JAN asks for supplemental redundancy 10; UPC, written after it, leaves the engine at 0.
constexpr int32_t kEanJan[] = {1, 1, 1, 0, 10, 0, 0, kLeave, kLeave};
constexpr int32_t kUpc[] = {1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr int32_t kComposite[] = {1, 0, 0, 1, 1, 0};
constexpr int32_t kPostalCode[] = {1, 1, 1, 1, 1, 1, 1, 1};
constexpr int32_t kImager[] = {1, 1, 2, 0, 1, 1, 100, 10, 0, 1, 0, 1, 65, 40, 1, 2};
constexpr int32_t kMatrix2Of5[] = {1, 4, 55, 0, 0, 0};
constexpr int32_t kSymbologies[] = {1, 0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 0};
constexpr int32_t kChinese2Of5[] = {1};
constexpr int32_t kMacroPDF[] = {4, 0, 0};
constexpr int32_t kRss[] = {1, 1, 1, 0};
constexpr int32_t kSymbologySecurityLevel[] = {1, 0, 6};
constexpr int32_t kMiscellaneous4507[] = {0, kLeave, kLeave, kLeave, 0, 0};
constexpr int32_t kUserPreferences2D[] = {30, 6, 8};
constexpr int32_t kUserPreferences1D[] = {30, 6, 1, 1, 1, kLeave, 8};

// The steps of both engines in their order; each engine's reset walks the steps it is named in.
const ResetStep kResetSteps[] = {
    Step(Code39Param(), kCode39),
    Step(Code93Param(), kCode93),
    Step(Code11Param(), kCode11),
    Step(Industrial2Of5Param(), kIndustrial2Of5),
    Step(Interleaved2Of5Param(), kInterleaved2Of5),
    Step(CodabarParam(), kCodabar),
    Step(Code128Param(), kCode128),
    Step(MsiParam(), kMsi),
    Step(EanJanParam(), kEanJan),
    Step(UpcParam(), kUpc),
    Step(CompositeParam(), kComposite, kOn4507),
    Step(PostalCodeParam(), kPostalCode, kOn4507),
    Step(ImagerParam(), kImager, kOn4507),
    Step(Matrix2Of5Param(), kMatrix2Of5, kOn4507),
    Step(SymbologiesParam(), kSymbologies, kOn4507),
    Step(Chinese2Of5Param(), kChinese2Of5),
    Step(MacroPDFParam(), kMacroPDF, kOn4507),
    Step(RssParam(), kRss),
    Step(SymbologySecurityLevelParam(), kSymbologySecurityLevel, kOn4507),
    Step(MiscellaneousOptionParam(), kMiscellaneous4507, kOn4507),
    Step(UserPreferences2DParam(), kUserPreferences2D, kOn4507),
    Step(UserPreferences1DParam(), kUserPreferences1D, kOnSE955),
};
static_assert(std::size(kResetSteps) == 22);

WriteResult RunStep(ScanEngine &reader, const ResetStep &step) {
  int32_t values[kMaxHandlerArgs] = {};
  int32_t *pointers[kMaxHandlerArgs] = {};
  for (uint8_t i = 0; i < step.count && i < kMaxHandlerArgs; ++i) {
    values[i] = step.values[i];
    pointers[i] = values[i] == kLeave ? nullptr : &values[i];
  }
  return WriteOptions(*step.handler, reader, pointers, step.count);
}

Bytes DefaultsFrame(int32_t deviceType) {
  Bytes bytes;
  for (const FixedPair &pair : kPreferenceDefaults) {
    if (!Serves(pair.engines, deviceType)) continue;
    bytes.push_back(pair.number);
    bytes.push_back(pair.value);
  }
  return ParamSendFrame(bytes);
}

WriteResult WritePreferenceDefaults(EngineLink &link) {
  const int32_t deviceType = link.DeviceType();
  if (!IsKnownEngine(deviceType)) return WriteResult::kRefused;
  PortHold exchange(link.ExchangeLock(), kExchangeWait);
  if (!exchange.Held()) return WriteResult::kFailed;
  WakeEngine(link);
  Bytes frame = DefaultsFrame(deviceType);
  Bytes reply;
  const Exchanged sent = Exchange(link, frame, kCommandTimeout, &reply, kParamAttempts);
  if (sent.unheard) return WriteResult::kUnheard;
  return sent.status == ReplyStatus::kOk ? WriteResult::kWritten : WriteResult::kFailed;
}

}  // namespace

int32_t ResetAllSettings(ScanEngine &reader, int32_t selector) {
  if (selector != kResetAllSelector) return 0;
  const int32_t deviceType = reader.DeviceType();
  if (!IsKnownEngine(deviceType)) return 0;
  // Each step waits for the port on its own and lets go of it after its exchange, so that a
  // reset with a silent engine (about five seconds per step) never keeps reads and trigger
  // presses waiting for the whole sequence.
  // An engine that answered nothing at all to a step (five attempts of a second each) is not
  // there: the rest of the sequence is not sent to it.
  if (WritePreferenceDefaults(reader.link) == WriteResult::kUnheard) return 1;
  for (const ResetStep &step : kResetSteps) {
    if (!Serves(step.engines, deviceType)) continue;
    if (RunStep(reader, step) == WriteResult::kUnheard) break;
  }
  return 1;
}

int32_t ResetReader(ScanEngine &reader, int32_t selector) {
  const int32_t deviceType = reader.DeviceType();
  if (deviceType == kNoEngine) return kResultNoEngine;
  if (selector != kReaderDevice && selector != kAnyDevice) return 0;
  ResetSettings();
  ResetAllSettings(reader, kResetAllSelector);
  if (deviceType != kEngineSE955) return 1;

  // The reset's own user-preference write left 0x89 at 1; what the trigger mode needs replaces
  // it, and the trigger-mode field itself is what is compared and sent for 0x8A.
  int32_t triggerMode = static_cast<int32_t>(reader.triggerMode.load());
  int32_t param89 =
      triggerMode == kContinuousModeSE955 ? kSE955Param89Continuous : kSE955Param89Triggered;
  int32_t written =
      CallHandler(UserPreferences1DParam(), reader, kModeWrite,
                  {nullptr, nullptr, &param89, nullptr, nullptr, nullptr, &triggerMode});
  if (written == 1) reader.ReportModeChanged();
  return 1;
}

}  // namespace bcr
