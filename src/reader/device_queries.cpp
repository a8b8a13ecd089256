#include "reader/device_queries.h"

#include "link/identify.h"
#include "link/port_lock.h"
#include "platform/registry.h"
#include "state/results.h"
#include "state/scan_engine.h"
#include "util/copy_out.h"

namespace bcr {

namespace {

constexpr const char *kReaderKey = "Drivers\\BuiltIn\\SerialBarcode";
constexpr const char *kReaderInUse = "BarcodeUnderUsing";

struct ReaderTypeRow {
  int32_t deviceType;
  int32_t readerType;
};
const ReaderTypeRow kReaderTypes[] = {{kImager4507, kReaderType4507},
                                      {kEngineSE955, kReaderTypeSE955}};

}  // namespace

int32_t ReaderType(const ScanEngine &reader) {
  for (const ReaderTypeRow &row : kReaderTypes) {
    if (row.deviceType == reader.DeviceType()) return row.readerType;
  }
  return 0;
}

int32_t ActiveDevice(const ScanEngine &reader) {
  int32_t type = reader.DeviceType();
  if (type == kNoEngine) return kResultNoEngine;
  if (reader.active == 0) return 0;
  return IsKnownEngine(type) ? kReaderDevice : 0;
}

int32_t SwitchReader(ScanEngine &reader, int32_t code) {
  if (reader.DeviceType() == kNoEngine) return kResultNoEngine;
  if (code != kReaderDevice && code != kAnyDevice && code != 0) return 0;
  uint32_t on = code != 0 ? 1 : 0;
  reader.SetActive(on);
  platform::RegistryWriteDword(platform::kRegistryLocalMachine, kReaderKey, kReaderInUse, on);
  return 1;
}

int32_t DllVersion(char *buffer, int32_t size) {
  if (buffer == nullptr || size < 1) return 0;
  WString text;
  text.AssignNarrow(kDllVersion);
  CopyOut(text, buffer, size);
  return 1;
}

int32_t DecoderVersion(ScanEngine &reader, int32_t kind, char *buffer, int32_t size) {
  if (buffer == nullptr || size < 1) return 0;
  if (kind != kReaderDevice) return 0;
  int32_t type = reader.DeviceType();
  if (type == kNoEngine) return kResultNoEngine;
  WString revision;
  // One exchange at a time: replies carry no tag.
  PortHold exchange(reader.link.ExchangeLock(), kExchangeWait);
  // 0 (with an empty text) when the engine did not answer or the port did not come free.
  const int answered = exchange.Held() ? RequestRevision(reader.link, type, revision) : 0;
  CopyOut(revision, buffer, size);
  return answered;
}

}  // namespace bcr
