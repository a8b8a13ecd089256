#include "config/param_handler.h"

#include "link/frame.h"
#include "link/port_lock.h"
#include "link/transaction.h"
#include "state/scan_engine.h"

namespace bcr {

namespace {

uint8_t LastByteOf(uint32_t number) {
  return static_cast<uint8_t>(number);
}

uint32_t ValueSize(const ParamOption &option) {
  return option.kind == OptionKind::kWord ? 2 : 1;
}

// An option that the request asks for and a reply may carry on this engine.
bool IsEngineOption(const ParamOption &option, int32_t deviceType) {
  return option.kind != OptionKind::kLibraryKept && Serves(option.engines, deviceType);
}

// Whether the value survives the trip to the engine unchanged (flags and the 6-or-10 number
// are converted by rule, so any value will do).
bool Carriable(const ParamOption &option, int32_t value) {
  switch (option.kind) {
    case OptionKind::kFlag:
      return true;
    case OptionKind::kNumber:
      return option.rule == ValueRule::kSixOrTen || (value >= 0 && value <= 0xFF);
    case OptionKind::kWord:
      return value >= 0 && value <= (option.rule == ValueRule::kLowByteOnly ? 0xFF : 0xFFFF);
    case OptionKind::kLibraryKept:
      return true;
  }
  return false;
}

void AppendValue(const ParamOption &option, int32_t value, Bytes &frame) {
  switch (option.kind) {
    case OptionKind::kFlag:
      frame.push_back(value != 0 ? 1 : 0);
      return;
    case OptionKind::kNumber:
      if (option.rule == ValueRule::kSixOrTen && value != 6 && value != 10) value = 6;
      frame.push_back(static_cast<uint8_t>(value & 0xFF));
      return;
    case OptionKind::kWord:
      frame.push_back(
          static_cast<uint8_t>(option.rule == ValueRule::kLowByteOnly ? 0 : (value >> 8) & 0xFF));
      frame.push_back(static_cast<uint8_t>(value & 0xFF));
      return;
    case OptionKind::kLibraryKept:
      return;
  }
}

uint8_t ReplyByte(const Bytes &reply, uint32_t index) {
  return reply[index];
}

int32_t ValueAt(const ParamOption &option, const Bytes &reply, uint32_t index) {
  if (option.kind != OptionKind::kWord) return ReplyByte(reply, index);
  if (option.rule == ValueRule::kLowByteOnly) return ReplyByte(reply, index + 1);
  return ReplyByte(reply, index) * 256 + ReplyByte(reply, index + 1);
}

// An option recognised by all of its number bytes at i, with its value complete after them:
// the index past the value, or 0 when there is none.
uint32_t MatchWhole(const ParamOption &option, const Bytes &reply, uint32_t i) {
  ParamNumberBytes n = ParamNumberOf(option.number);
  uint32_t end = i + n.size + ValueSize(option);
  if (end > reply.size()) return 0;
  for (uint8_t k = 0; k < n.size; ++k) {
    if (ReplyByte(reply, i + k) != n.bytes[k]) return 0;
  }
  return end;
}

const ParamOption *OptionOfArg(const ParamHandler &handler, uint8_t arg) {
  for (uint8_t i = 0; i < handler.count; ++i) {
    if (handler.options[i].arg == arg) return &handler.options[i];
  }
  return nullptr;
}

// The option at position k (0-based) of a send frame: the handler's send order, else table
// order. Null when the send order names an argument the table lacks.
const ParamOption *OptionInSendOrder(const ParamHandler &handler, uint8_t k) {
  return handler.sendOrder != nullptr ? OptionOfArg(handler, handler.sendOrder[k])
                                      : &handler.options[k];
}

int32_t Read(const ParamHandler &handler, ScanEngine &reader, int32_t *const *pointers) {
  EngineLink &link = reader.link;
  const int32_t deviceType = reader.DeviceType();
  for (uint8_t i = 0; i < handler.count; ++i) {
    const ParamOption &option = handler.options[i];
    int32_t *pointer = pointers[option.arg - 1];
    if (option.kind == OptionKind::kLibraryKept && pointer != nullptr) {
      *pointer = reader.libraryKeptValue;
    }
  }
  Bytes request = BuildParamRequest(handler, deviceType);
  Bytes reply;
  {
    PortHold exchange(link.ExchangeLock(), kExchangeWait);
    if (!exchange.Held()) return 0;
    WakeEngine(link);
    if (!SendAndWait(link, request, handler.readWaitMs, &reply, kParamAttempts)) return 0;
  }
  if (!IsParamReply(reply)) return 0;

  int32_t values[kMaxHandlerArgs] = {};
  bool found[kMaxHandlerArgs] = {};
  ParseParamReply(handler, deviceType, reply, values, found);
  for (uint8_t i = 0; i < handler.count; ++i) {
    const ParamOption &option = handler.options[i];
    int32_t *pointer = pointers[option.arg - 1];
    // An option the engine did not report keeps the caller's variable and its cache entry: the
    // cache must only ever hold what the engine or a successful write said.
    if (pointer == nullptr || !found[option.arg - 1] || !IsEngineOption(option, deviceType)) {
      continue;
    }
    *pointer = values[option.arg - 1];
    reader.paramCache.At(handler.cacheSlot, option.arg - 1).value = *pointer;
  }
  return 1;
}

// The parameter send of a write of values (one per argument; pointers tell which were given):
// false when the write is refused (a value its option cannot carry, a frame too long). *any
// tells whether the frame holds a pair.
bool BuildWriteFrame(const ScanEngine &reader, const ParamHandler &handler,
                     int32_t *const *pointers, const int32_t *values, Bytes &frame, bool *any) {
  const int32_t deviceType = reader.DeviceType();
  Bytes pairs;
  *any = false;
  for (uint8_t k = 0; k < handler.count; ++k) {
    const ParamOption *option = OptionInSendOrder(handler, k);
    if (option == nullptr) return false;
    const uint8_t index = option->arg - 1;
    if (pointers[index] == nullptr || !IsEngineOption(*option, deviceType)) continue;
    // A value equal to its entry is not sent, so it needs no check: -1 given for a value not yet
    // known sends nothing for that option.
    if (!option->alwaysSent &&
        values[index] == reader.paramCache.At(handler.cacheSlot, index).value) {
      continue;
    }
    if (!Carriable(*option, values[index])) return false;
    AppendParamNumber(option->number, pairs);
    AppendValue(*option, values[index], pairs);
    *any = true;
  }
  frame = ParamSendFrame(pairs);
  return !frame.empty();
}

// The caller's values, taken once so that what is checked, sent and cached agree.
void TakeValues(const ParamHandler &handler, int32_t *const *pointers, int32_t *values) {
  for (uint8_t arg = 1; arg <= handler.count; ++arg) {
    if (pointers[arg - 1] != nullptr) values[arg - 1] = *pointers[arg - 1];
  }
}

// Whether a call with count pointers fits the handler and the engine it serves.
bool Fits(const ParamHandler &handler, const ScanEngine &reader, size_t count) {
  return count == handler.count && handler.count <= kMaxHandlerArgs &&
         Serves(handler.serves, reader.DeviceType());
}

WriteResult Write(const ParamHandler &handler, ScanEngine &reader, int32_t *const *pointers) {
  EngineLink &link = reader.link;
  const int32_t deviceType = reader.DeviceType();
  int32_t values[kMaxHandlerArgs] = {};
  TakeValues(handler, pointers, values);
  Bytes frame;
  bool any = false;
  // A refused write changes nothing, the library-kept value included.
  if (!BuildWriteFrame(reader, handler, pointers, values, frame, &any))
    return WriteResult::kRefused;
  // The library-kept value is stored whatever becomes of the exchange.
  for (uint8_t i = 0; i < handler.count; ++i) {
    const ParamOption &option = handler.options[i];
    if (option.kind == OptionKind::kLibraryKept && pointers[option.arg - 1] != nullptr) {
      reader.libraryKeptValue = values[option.arg - 1];
    }
  }
  if (!any) return WriteResult::kWritten;

  Bytes reply;
  {
    PortHold exchange(link.ExchangeLock(), kExchangeWait);
    if (!exchange.Held()) return WriteResult::kFailed;
    WakeEngine(link);
    const Exchanged sent = Exchange(link, frame, kCommandTimeout, &reply, kParamAttempts);
    if (sent.unheard) return WriteResult::kUnheard;
    if (sent.status != ReplyStatus::kOk) return WriteResult::kFailed;
  }
  for (uint8_t i = 0; i < handler.count; ++i) {
    const ParamOption &option = handler.options[i];
    const uint8_t index = option.arg - 1;
    if (pointers[index] == nullptr || !IsEngineOption(option, deviceType)) continue;
    ParamCacheEntry &entry = reader.paramCache.At(handler.cacheSlot, index);
    entry.value = values[index];
    entry.written = true;
    if (option.triggerMode) reader.triggerMode = static_cast<uint32_t>(values[index]);
  }
  return WriteResult::kWritten;
}

}  // namespace

bool Serves(Engines engines, int32_t deviceType) {
  switch (engines) {
    case Engines::kBoth:
      return deviceType == kImager4507 || deviceType == kEngineSE955;
    case Engines::k4507:
      return deviceType == kImager4507;
    case Engines::kSE955:
      return deviceType == kEngineSE955;
  }
  return false;
}

int32_t CallHandler(const ParamHandler &handler, ScanEngine &reader, int32_t mode,
                    std::initializer_list<int32_t *> options) {
  return CallHandler(handler, reader, mode, options.begin(), options.size());
}

int32_t CallHandler(const ParamHandler &handler, ScanEngine &reader, int32_t mode,
                    int32_t *const *options, size_t count) {
  if (mode == kModeWrite) {
    return WriteOptions(handler, reader, options, count) == WriteResult::kWritten ? 1 : 0;
  }
  if (mode != kModeRead || !Fits(handler, reader, count)) return 0;
  return Read(handler, reader, options);
}

WriteResult WriteOptions(const ParamHandler &handler, ScanEngine &reader, int32_t *const *options,
                         size_t count) {
  if (!Fits(handler, reader, count)) return WriteResult::kRefused;
  return Write(handler, reader, options);
}

bool WriteAccepted(const ParamHandler &handler, ScanEngine &reader,
                   std::initializer_list<int32_t *> options) {
  if (!Fits(handler, reader, options.size())) return false;
  int32_t values[kMaxHandlerArgs] = {};
  TakeValues(handler, options.begin(), values);
  Bytes frame;
  bool any = false;
  return BuildWriteFrame(reader, handler, options.begin(), values, frame, &any);
}

int32_t CachedValue(const ScanEngine &reader, const ParamHandler &handler, uint8_t arg) {
  if (arg < 1 || arg > handler.count) return kUnknownValue;
  return reader.paramCache.At(handler.cacheSlot, arg - 1).value;
}

Bytes BuildWrittenFrame(const ScanEngine &reader, const ParamHandler &handler,
                        std::initializer_list<uint32_t> leaveOut) {
  const int32_t deviceType = reader.DeviceType();
  Bytes pairs;
  for (uint8_t k = 0; k < handler.count; ++k) {
    const ParamOption *option = OptionInSendOrder(handler, k);
    if (option == nullptr || !IsEngineOption(*option, deviceType)) continue;
    const ParamCacheEntry &entry = reader.paramCache.At(handler.cacheSlot, option->arg - 1);
    const int32_t value = entry.value;
    if (!entry.written || value == kUnknownValue || !Carriable(*option, value)) continue;
    bool left = false;
    for (uint32_t number : leaveOut) left = left || number == option->number;
    if (left) continue;
    AppendParamNumber(option->number, pairs);
    AppendValue(*option, value, pairs);
  }
  return !pairs.empty() ? ParamSendFrame(pairs) : Bytes();
}

Bytes BuildParamRequest(const ParamHandler &handler, int32_t deviceType) {
  Bytes numbers;
  for (uint8_t i = 0; i < handler.count; ++i) {
    const ParamOption &option = handler.options[i];
    if (IsEngineOption(option, deviceType)) AppendParamNumber(option.number, numbers);
  }
  return ParamRequestFrame(numbers);
}

bool IsParamReply(const Bytes &reply) {
  if (reply.size() < kParamHeadSize) return false;
  return ReplyByte(reply, 1) == kOpParamSend && ReplyByte(reply, 2) == kSourceEngine &&
         ReplyByte(reply, 3) == kStatusPlain && ReplyByte(reply, 4) == kNoBeep;
}

void ParseParamReply(const ParamHandler &handler, int32_t deviceType, const Bytes &reply,
                     int32_t *values, bool *found) {
  const uint32_t size = static_cast<uint32_t>(reply.size());
  uint32_t i = kParamHeadSize;
  while (i < size) {
    uint32_t next = 0;
    for (uint8_t k = 0; k < handler.count && next == 0; ++k) {
      const ParamOption &option = handler.options[k];
      if (!option.wholeNumberMatch || !IsEngineOption(option, deviceType)) continue;
      next = MatchWhole(option, reply, i);
      if (next != 0) {
        values[option.arg - 1] = ValueAt(option, reply, next - ValueSize(option));
        found[option.arg - 1] = true;
      }
    }
    if (next != 0) {
      i = next;
      continue;
    }
    // A byte that is the last byte of no number moves the scan by one: that is how the prefix
    // bytes of extended numbers are passed over. A matched number takes its value with it; one
    // whose value the reply lacks is not reported.
    const uint8_t byte = ReplyByte(reply, i);
    const ParamOption *matched = nullptr;
    for (uint8_t k = 0; k < handler.count && matched == nullptr; ++k) {
      const ParamOption &option = handler.options[k];
      if (!option.wholeNumberMatch && IsEngineOption(option, deviceType) &&
          LastByteOf(option.number) == byte) {
        matched = &option;
      }
    }
    if (matched == nullptr) {
      ++i;
      continue;
    }
    if (i + ValueSize(*matched) < size) {
      values[matched->arg - 1] = ValueAt(*matched, reply, i + 1);
      found[matched->arg - 1] = true;
    }
    i += 1 + ValueSize(*matched);
  }
}

}  // namespace bcr
