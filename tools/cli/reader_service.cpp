#include "reader_service.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "bcreader.h"
#include "config/option_catalog.h"
#include "option_access.h"
#include "service_errors.h"
#include "session.h"

namespace cli {

namespace {

constexpr const char kObjectPath[] = "/org/bcreader/Reader1";
constexpr const char kInterface[] = "org.bcreader.Service1";

// The settings of DataOutputSettings that are numbers, in the order of its arguments.
constexpr const char *kOutputSettingNames[] = {"keyboardOutput", "terminatorPlacement",
                                               "terminatorKey", "codeId", "length"};
constexpr size_t kOutputSettingCount = sizeof kOutputSettingNames / sizeof *kOutputSettingNames;

ReaderService *Service(void *userdata) {
  return static_cast<ReaderService *>(userdata);
}

int Stopping(sd_bus_error *error) {
  return sd_bus_error_set(error, kErrorFailed, "the service is stopping");
}

int Refuse(sd_bus_error *error, const char *name, const std::string &message) {
  return sd_bus_error_set(error, name, message.c_str());
}

// An option of the fitted engine's function, found by the catalog's names; with the option's
// range. Sets UnknownOption when there is none.
struct FoundOption {
  OptionValues values;
  int arg = -1;
  bcr::catalog::ValueRange range = bcr::catalog::ValueRange::kAny;
};

int FindEngineOption(const ReaderService &service, const char *symbology, const char *name,
                     FoundOption *found, sd_bus_error *error) {
  const auto *entry = bcr::catalog::FindSymbologyOptions(symbology);
  if (entry == nullptr) {
    return Refuse(error, kErrorUnknownOption, std::string("unknown symbology '") + symbology + "'");
  }
  const bcr::catalog::OptionName *option = FindOption(*entry, name);
  if (option == nullptr) {
    return Refuse(error, kErrorUnknownOption,
                  std::string("unknown option '") + name + "' of " + symbology);
  }
  std::string message;
  found->values.entry = entry;
  found->values.function = FunctionOnEngine(*entry, service.DeviceType(), &message);
  if (found->values.function == nullptr) return Refuse(error, kErrorUnknownOption, message);
  found->arg = bcr::catalog::FindArgument(*found->values.function, name);
  if (found->arg < 0) {
    return Refuse(error, kErrorUnknownOption,
                  std::string(name) + " of " + symbology + " is not on this engine");
  }
  found->range = option->range;
  return 1;
}

int OnReadBarcodeData(sd_bus_message *call, void *userdata, sd_bus_error *error) {
  ReaderService *service = Service(userdata);
  if (service->Stopping()) return Stopping(error);
  if (service->Reading().exchange(true)) {
    return Refuse(error, kErrorBusy, "a read runs; one at a time");
  }
  bool queued = service->Reads().Queue(call, [service]() -> Reply {
    std::vector<char> buffer(kDecodeBufferSize);
    const int32_t size = static_cast<int32_t>(buffer.size());
    uint32_t codeType = 0;
    int32_t length = ReadBarcodeData(&codeType, buffer.data(), size);
    // The engine is free again: a read asked for from now on runs after this reply.
    service->Reading() = false;
    if (length < 0) {
      return ErrorReply(kErrorFailed,
                        "ReadBarcodeData: no engine (" + std::to_string(length) + ")");
    }
    // A result equal to the size means the copy was cut to size - 1 bytes.
    buffer.resize(length >= size ? buffer.size() - 1 : static_cast<size_t>(length));
    return [codeType, data = std::move(buffer)](sd_bus_message *readCall) {
      sd_bus_message *reply = nullptr;
      if (sd_bus_message_new_method_return(readCall, &reply) >= 0 &&
          sd_bus_message_append(reply, "u", codeType) >= 0 &&
          sd_bus_message_append_array(reply, 'y', data.data(), data.size()) >= 0) {
        sd_bus_send(nullptr, reply, nullptr);
      }
      sd_bus_message_unref(reply);
    };
  });
  if (!queued) {
    service->Reading() = false;
    return Stopping(error);
  }
  return 1;
}

int OnGetOption(sd_bus_message *call, void *userdata, sd_bus_error *error) {
  ReaderService *service = Service(userdata);
  const char *symbology = nullptr;
  const char *name = nullptr;
  int r = sd_bus_message_read(call, "ss", &symbology, &name);
  if (r < 0) return r;
  FoundOption found;
  r = FindEngineOption(*service, symbology, name, &found, error);
  if (r < 0) return r;
  if (service->Stopping()) return Stopping(error);
  std::string option = name;
  bool queued = service->Options().Queue(call, [found, option]() mutable -> Reply {
    std::string message;
    if (CallOptions(&found.values, BCR_MODE_READ, &message) != 1) {
      return ErrorReply(kErrorFailed, message);
    }
    const int32_t value = found.values.values[found.arg];
    if (value == kNotReported) {
      return ErrorReply(kErrorFailed, "the engine did not report " + option);
    }
    return [value](sd_bus_message *getCall) { sd_bus_reply_method_return(getCall, "i", value); };
  });
  return queued ? 1 : Stopping(error);
}

int OnSetOption(sd_bus_message *call, void *userdata, sd_bus_error *error) {
  ReaderService *service = Service(userdata);
  const char *symbology = nullptr;
  const char *name = nullptr;
  int32_t value = 0;
  int r = sd_bus_message_read(call, "ssi", &symbology, &name, &value);
  if (r < 0) return r;
  FoundOption found;
  r = FindEngineOption(*service, symbology, name, &found, error);
  if (r < 0) return r;
  if (!bcr::catalog::InRange(found.range, value)) {
    return Refuse(error, kErrorOutOfRange,
                  "bad value " + std::to_string(value) + " for " + name + ": expected " +
                      RangeText(found.range));
  }
  if (service->Stopping()) return Stopping(error);
  std::vector<OptionChange> changes{{name, value}};
  bool queued = service->Options().Queue(call, [found, changes]() mutable -> Reply {
    std::string message;
    if (ChangeOptions(&found.values, changes, &message) != 1) {
      return ErrorReply(kErrorFailed, message);
    }
    return [](sd_bus_message *setCall) { sd_bus_reply_method_return(setCall, ""); };
  });
  return queued ? 1 : Stopping(error);
}

// Closes the array a reply was given, sends the reply and lets it go; r is how building it went.
int SendArrayReply(sd_bus_message *reply, int r) {
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r < 0 ? r : 1;
}

// Every (symbology, option) pair the fitted engine's functions take.
int OnOptions(sd_bus_message *call, void *userdata, sd_bus_error *) {
  const int32_t deviceType = Service(userdata)->DeviceType();
  sd_bus_message *reply = nullptr;
  int r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(ss)");
  const bcr::catalog::SymbologyOptions *entries = bcr::catalog::CatalogEntries();
  for (size_t e = 0; r >= 0 && e < bcr::catalog::kSymbologyOptionsCount; ++e) {
    const bcr::catalog::OptionFunction *function =
        bcr::catalog::FunctionFor(entries[e], deviceType);
    for (size_t i = 0; r >= 0 && function != nullptr && i < function->argCount; ++i) {
      const bcr::catalog::OptionName *option = bcr::catalog::ArgumentOption(*function, i);
      if (option != nullptr) r = sd_bus_message_append(reply, "(ss)", entries[e].key, option->name);
    }
  }
  return SendArrayReply(reply, r);
}

// The output settings are the library's own (no engine), so they are answered at once.
int OnGetOutputSettings(sd_bus_message *call, void *, sd_bus_error *error) {
  int32_t values[kOutputSettingCount] = {};
  if (DataOutputSettings(BCR_MODE_READ, &values[0], &values[1], &values[2], &values[3], &values[4],
                         nullptr, 0, nullptr, 0) != 1) {
    return Refuse(error, kErrorFailed, "DataOutputSettings refused the read");
  }
  sd_bus_message *reply = nullptr;
  int r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "{si}");
  for (size_t i = 0; r >= 0 && i < kOutputSettingCount; ++i) {
    r = sd_bus_message_append(reply, "{si}", kOutputSettingNames[i], values[i]);
  }
  return SendArrayReply(reply, r);
}

// The settings named change, the others keep their values; a name not known changes nothing.
int OnSetOutputSettings(sd_bus_message *call, void *, sd_bus_error *error) {
  int32_t values[kOutputSettingCount] = {};
  int32_t *given[kOutputSettingCount] = {};
  int r = sd_bus_message_enter_container(call, 'a', "{si}");
  while (r >= 0 && (r = sd_bus_message_enter_container(call, 'e', "si")) > 0) {
    const char *name = nullptr;
    int32_t value = 0;
    r = sd_bus_message_read(call, "si", &name, &value);
    if (r < 0) break;
    size_t i = 0;
    while (i < kOutputSettingCount && std::strcmp(name, kOutputSettingNames[i]) != 0) ++i;
    if (i == kOutputSettingCount) {
      return Refuse(error, kErrorUnknownOption,
                    std::string("unknown output setting '") + name + "'");
    }
    values[i] = value;
    given[i] = &values[i];
    r = sd_bus_message_exit_container(call);
  }
  if (r >= 0) r = sd_bus_message_exit_container(call);
  if (r < 0) return r;
  bool any = false;
  for (int32_t *pointer : given) any = any || pointer != nullptr;
  if (any && DataOutputSettings(BCR_MODE_WRITE, given[0], given[1], given[2], given[3], given[4],
                                nullptr, 0, nullptr, 0) != 1) {
    return Refuse(error, kErrorFailed, "DataOutputSettings refused the settings");
  }
  return sd_bus_reply_method_return(call, "");
}

int GetActiveDeviceProperty(sd_bus *, const char *, const char *, const char *,
                            sd_bus_message *reply, void *, sd_bus_error *) {
  return sd_bus_message_append(reply, "i", GetActiveDevice());
}

int GetReaderTypeProperty(sd_bus *, const char *, const char *, const char *, sd_bus_message *reply,
                          void *, sd_bus_error *) {
  return sd_bus_message_append(reply, "i", GetReaderType());
}

int GetDecoderVersionProperty(sd_bus *, const char *, const char *, const char *,
                              sd_bus_message *reply, void *userdata, sd_bus_error *) {
  return sd_bus_message_append(reply, "s", Service(userdata)->DecoderVersion().c_str());
}

// Every member may be called by whoever the bus lets through: the bus's policy decides.
constexpr uint64_t kAnyCaller = SD_BUS_VTABLE_UNPRIVILEGED;

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD_WITH_NAMES("ReadBarcodeData", "", "", "uay",
                             SD_BUS_PARAM(codeType) SD_BUS_PARAM(data), OnReadBarcodeData,
                             kAnyCaller),
    SD_BUS_METHOD_WITH_NAMES("GetOption", "ss", SD_BUS_PARAM(symbology) SD_BUS_PARAM(option), "i",
                             SD_BUS_PARAM(value), OnGetOption, kAnyCaller),
    SD_BUS_METHOD_WITH_NAMES("SetOption", "ssi",
                             SD_BUS_PARAM(symbology) SD_BUS_PARAM(option) SD_BUS_PARAM(value), "", ,
                             OnSetOption, kAnyCaller),
    SD_BUS_METHOD_WITH_NAMES("Options", "", "", "a(ss)", SD_BUS_PARAM(options), OnOptions,
                             kAnyCaller),
    SD_BUS_METHOD_WITH_NAMES("GetOutputSettings", "", "", "a{si}", SD_BUS_PARAM(settings),
                             OnGetOutputSettings, kAnyCaller),
    SD_BUS_METHOD_WITH_NAMES("SetOutputSettings", "a{si}", SD_BUS_PARAM(settings), "", "",
                             OnSetOutputSettings, kAnyCaller),
    SD_BUS_PROPERTY("ActiveDevice", "i", GetActiveDeviceProperty, 0, 0),
    SD_BUS_PROPERTY("ReaderType", "i", GetReaderTypeProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("DecoderVersion", "s", GetDecoderVersionProperty, 0,
                    SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END};

}  // namespace

ReaderService::ReaderService(int32_t deviceType, std::string decoderVersion)
    : deviceType_(deviceType), decoderVersion_(std::move(decoderVersion)) {}

void ReaderService::Attach(void *bus, void *context) {
  // No slot of its own: the interface goes with the connection, and comes again with the next.
  sd_bus_add_object_vtable(static_cast<sd_bus *>(bus), nullptr, kObjectPath, kInterface, kVtable,
                           context);
}

void ReaderService::Stop() {
  stopping_ = true;
  options_.Stop();
  reads_.Stop();
}

}  // namespace cli
