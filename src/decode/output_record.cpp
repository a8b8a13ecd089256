#include "decode/output_record.h"

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <vector>

#include "decode/code_types.h"
#include "platform/codepage.h"
#include "state/library_state.h"
#include "state/published_decode.h"
#include "state/results.h"
#include "state/scan_engine.h"
#include "state/settings.h"
#include "util/copy_out.h"

namespace bcr {

namespace {

// The record the keyboard wedge types is at most this long, as the record functions would give
// it in a buffer of 1000.
constexpr uint32_t kWedgeTextLimit = 999;

constexpr int32_t kTerminatorAfter = 1;
constexpr int32_t kTerminatorBefore = 2;

struct TerminatorKey {
  int32_t setting;
  uint16_t unit;
};

constexpr TerminatorKey kTerminatorKeys[] = {
    {1, 0x0D},  // CR
    {2, 0x09},  // TAB
    {3, 0x20},  // space
    {4, 0x2C},  // comma
    {5, 0x3B},  // semicolon
};

// Two-dimensional codes that can carry text in the system code page: when the imager read them,
// the wedge types their data converted rather than byte for byte.
constexpr uint32_t kCodePageCodeTypes[] = {0x11, 0x1B, 0x1C};

bool WedgeTakesCodePage(int32_t deviceType, const Decode &decode) {
  if (deviceType != kImager4507) return false;
  for (uint32_t codeType : kCodePageCodeTypes) {
    if (decode.codeType == codeType) return true;
  }
  return false;
}

// The decode type the application would get from GetDecodeType. Without an engine that is -101,
// which is no character: the record then carries 0, as for a code without a decode type, so that
// its first piece is never a byte the application could take for a symbology.
uint16_t RecordDecodeType(int32_t deviceType) {
  int32_t decodeType = DecodeTypeResult(deviceType, LastCodeType());
  return decodeType > 0 ? static_cast<uint16_t>(decodeType) : 0;
}

WString BuildRecord(int32_t deviceType, const WString &data) {
  const Settings &settings = CurrentSettings();
  WString prefix = OutputPrefix();
  WString suffix = OutputSuffix();
  WString record;
  if (settings.codeIdEnabled != 0) record.AppendUnit(RecordDecodeType(deviceType));
  if (settings.lengthEnabled != 0) {
    uint64_t length = uint64_t{prefix.Size()} + data.Size() + suffix.Size();
    char digits[24];
    std::snprintf(digits, sizeof digits, "%04" PRIu64, length);
    record.AppendNarrow(digits);
  }
  record.Append(prefix);
  record.Append(data);
  record.Append(suffix);
  return record;
}

WString ByteRecord(int32_t deviceType, const Decode &decode) {
  return BuildRecord(deviceType, decode.data);
}

WString WideRecord(int32_t deviceType, const Decode &decode) {
  const WString &data = decode.data;
  WString converted;
  uint32_t length = data.Size();
  if (length > 0 && length <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
    std::vector<char> bytes(data.Data(), data.Data() + length);
    std::vector<uint16_t> characters(length + 1, 0);
    int32_t count = ConvertByteToWide(bytes.data(), static_cast<int32_t>(length), characters.data(),
                                      static_cast<int32_t>(length));
    if (count > 0) converted.AppendUnits(characters.data(), static_cast<uint32_t>(count));
  }
  return BuildRecord(deviceType, converted);
}

// buffer not null, size at least 1.
template <typename T>
int32_t CopyRecord(const WString &record, T *buffer, int32_t size) {
  return CopyOut(record, buffer, size) ? static_cast<int32_t>(record.Size()) : size;
}

}  // namespace

int32_t OutputRecord(const ScanEngine &reader, int32_t device, char *buffer, int32_t size) {
  if (buffer == nullptr || size < 1) return kResultBadBuffer;
  WString record;
  if (device == kReaderDevice) record = ByteRecord(reader.DeviceType(), reader.DecodeResult());
  return CopyRecord(record, buffer, size);
}

int32_t OutputRecordWide(const ScanEngine &reader, int32_t device, uint16_t *buffer, int32_t size) {
  if (buffer == nullptr || size < 1) return kResultBadBuffer;
  WString record;
  if (device == kReaderDevice) record = WideRecord(reader.DeviceType(), reader.DecodeResult());
  return CopyRecord(record, buffer, size);
}

int32_t ConvertByteToWide(const char *source, int32_t sourceLength, uint16_t *destination,
                          int32_t destinationLength) {
  if (source == nullptr || sourceLength < 1 || destination == nullptr || destinationLength < 1) {
    return 0;
  }
  return platform::ConvertToWide(source, sourceLength, destination, destinationLength);
}

void BuildWedgeText(int32_t deviceType, const Decode &decode, uint32_t selector, WString &out) {
  out.AssignNarrow("");
  if (selector != kDecodeMessageParam) return;
  if (WedgeTakesCodePage(deviceType, decode)) {
    out = WideRecord(deviceType, decode);
  } else {
    // The byte record as the application would read it: each unit its low byte.
    WString record = ByteRecord(deviceType, decode);
    for (uint32_t i = 0; i < record.Size(); ++i) out.AppendUnit(record.Data()[i] & 0xFF);
  }
  if (out.Size() > kWedgeTextLimit) out.Erase(kWedgeTextLimit, out.Size() - kWedgeTextLimit);

  const Settings &settings = CurrentSettings();
  int32_t placement = settings.terminatorPlacement;
  if (placement != kTerminatorAfter && placement != kTerminatorBefore) return;
  int32_t key = settings.terminatorKey;
  for (const TerminatorKey &terminator : kTerminatorKeys) {
    if (terminator.setting != key) continue;
    if (placement == kTerminatorAfter) {
      out.AppendUnit(terminator.unit);
    } else {
      WString text;
      text.AppendUnit(terminator.unit);
      text.Append(out);
      out = text;
    }
    return;
  }
}

}  // namespace bcr
