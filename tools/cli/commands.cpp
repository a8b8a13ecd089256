#include "commands.h"

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "config/option_catalog.h"
#include "exit_codes.h"
#include "option_access.h"

namespace cli {

namespace {

// Engine code type of Code 128, what the simulated engine sends unless told otherwise.
constexpr uint8_t kSimDefaultCodeType = 0x03;
// Longest --timeout, in seconds.
constexpr double kMaxTimeoutSeconds = 86400;

}  // namespace

int UsageError(const char *command, const std::string &message) {
  std::fprintf(stderr, "bcreader %s: %s\nTry 'bcreader %s --help'.\n", command, message.c_str(),
               command);
  return kExitUsage;
}

int ReaderError(const std::string &message) {
  std::fprintf(stderr, "bcreader: %s\n", message.c_str());
  return kExitReader;
}

bool StartReader(const ReaderSetup &setup, Session *session, int *status) {
  std::string error;
  if (!session->Prepare(setup, &error)) {
    *status = ReaderError(error);
    return false;
  }
  if (!session->Init()) {
    *status = kExitReader;
    return false;
  }
  return true;
}

bool SimCodeType(const Arguments &args, uint8_t *codeType, std::string *error) {
  *codeType = kSimDefaultCodeType;
  const std::string *text = args.Value("sim-type");
  if (text == nullptr) return true;
  int64_t value = 0;
  if (!ParseInteger(*text, 0, 255, &value)) {
    *error = "--sim-type needs an engine code type 0..255";
    return false;
  }
  *codeType = static_cast<uint8_t>(value);
  return true;
}

void DecodeOnStart(const Arguments &args, uint8_t codeType, const Session &session) {
  if (session.Sim() != nullptr && args.Has("sim-decode")) {
    session.Sim()->OnStartDecode(SimDecode(codeType, args.Values("sim-decode").front()));
  }
}

bool TimeoutOption(const Arguments &args, int64_t *timeoutMs, std::string *error) {
  const std::string *text = args.Value("timeout");
  if (text == nullptr) return true;
  if (!ParseSeconds(*text, kMaxTimeoutSeconds, timeoutMs)) {
    *error = "--timeout needs a number of seconds";
    return false;
  }
  return true;
}

void PrintDecode(const DecodeReport &decode, bool json) {
  std::printf("%s\n", json ? DecodeJson(decode).c_str() : DecodeLine(decode).c_str());
  std::fflush(stdout);
}

namespace {

const bcr::catalog::SymbologyOptions *SymbologyArgument(const char *command, const Arguments &args,
                                                        int *status) {
  if (args.positionals.empty()) {
    *status = UsageError(command, "which symbology? (see 'bcreader " + std::string(command) +
                                      " --help' for the list)");
    return nullptr;
  }
  const auto *entry = bcr::catalog::FindSymbologyOptions(args.positionals[0].c_str());
  if (entry == nullptr) {
    *status = UsageError(command, "unknown symbology '" + args.positionals[0] + "'");
  }
  return entry;
}

}  // namespace

int RunInfo(const Arguments &args, const ReaderSetup &setup) {
  if (!args.positionals.empty()) return UsageError("info", "takes no arguments");
  Session session;
  int status = kExitSuccess;
  if (!StartReader(setup, &session, &status)) return status;

  int32_t deviceType = session.DeviceType();
  std::printf("engine: %s (%s), reader type %d\n", session.EngineName(),
              deviceType == bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::kSE955)
                  ? "one-dimensional engine"
              : deviceType == bcr::catalog::DeviceTypeOf(bcr::catalog::Engine::k4507)
                  ? "two-dimensional imager"
                  : "unknown",
              static_cast<int>(GetReaderType()));
  char revision[64] = {};
  int32_t result = GetDecoderVersion(BCR_READER_DEVICE, revision, sizeof revision);
  std::printf("revision: %s\n", result == 1 ? Printable(revision).c_str() : "not reported");
  int32_t active = GetActiveDevice();
  std::printf("active: %s\n", active == BCR_READER_DEVICE ? "yes" : "no");

  OptionValues preferences;
  std::string error;
  preferences.entry = bcr::catalog::FindSymbologyOptions("preferences");
  preferences.function = FunctionOnEngine(*preferences.entry, deviceType, &error);
  if (preferences.function != nullptr && CallOptions(&preferences, BCR_MODE_READ, &error) == 1) {
    std::string line;
    for (const std::string &word : DescribeOptions(preferences)) line += " " + word;
    std::printf("preferences:%s\n", line.c_str());
  }
  char version[16] = {};
  GetDllVer(version, sizeof version);
  std::printf("library version: %s\n", version);
  if (session.Sim() != nullptr) {
    std::printf("port: %s (simulated %s engine, at %u bit/s)\n", session.PortPath().c_str(),
                session.EngineName(), static_cast<unsigned>(session.Sim()->Speed()));
  } else {
    std::printf("port: %s\n", session.PortPath().c_str());
  }
  return kExitSuccess;
}

int RunRead(const Arguments &args, const ReaderSetup &setup) {
  if (!args.positionals.empty()) return UsageError("read", "takes no arguments");
  std::string error;
  int64_t timeoutMs = 0;
  uint8_t codeType = 0;
  if (!TimeoutOption(args, &timeoutMs, &error) || !SimCodeType(args, &codeType, &error)) {
    return UsageError("read", error);
  }
  Session session;
  int status = kExitSuccess;
  if (!StartReader(setup, &session, &status)) return status;
  DecodeOnStart(args, codeType, session);

  std::vector<char> buffer(kDecodeBufferSize);
  const int32_t size = static_cast<int32_t>(buffer.size());
  Clock::time_point start = Clock::now();
  int32_t length = 0;
  uint32_t decodeType = 0;
  // One read lasts the library's decode time-out; more follow until --timeout has passed.
  // A read the engine refuses ends at once; such reads are spaced so as not to spin.
  constexpr int kRefusedReadPauseMs = 200;
  while (true) {
    Clock::time_point attempt = Clock::now();
    length = ReadBarcodeData(&decodeType, buffer.data(), size);
    if (length != 0 || MillisecondsSince(start) >= timeoutMs) break;
    if (MillisecondsSince(attempt) < kRefusedReadPauseMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kRefusedReadPauseMs));
    }
  }
  if (length == BCR_RESULT_NO_ENGINE) return ReaderError("ReadBarcodeData: no engine (-101)");
  if (length <= 0) {
    std::fprintf(stderr, "bcreader: no decode within %lld ms\n",
                 static_cast<long long>(MillisecondsSince(start)));
    return kExitNoDecode;
  }
  DecodeReport decode;
  decode.data.assign(buffer.data(),
                     length < size ? static_cast<size_t>(length) : buffer.size() - 1);
  decode.decodeType = static_cast<int32_t>(decodeType);
  decode.ms = MillisecondsSince(start);
  // The library delivers the read as it delivers a triggered one (sound, broadcast, event).
  BcrDispatchMessages(0);
  PrintDecode(decode, args.Has("json"));
  return kExitSuccess;
}

int RunGet(const Arguments &args, const ReaderSetup &setup) {
  int status = kExitSuccess;
  const auto *entry = SymbologyArgument("get", args, &status);
  if (entry == nullptr) return status;
  if (args.positionals.size() > 1) return UsageError("get", "takes one symbology");
  Session session;
  if (!StartReader(setup, &session, &status)) return status;
  std::string error;
  OptionValues options;
  options.entry = entry;
  options.function = FunctionOnEngine(*entry, session.DeviceType(), &error);
  if (options.function == nullptr) return UsageError("get", error);
  if (CallOptions(&options, BCR_MODE_READ, &error) != 1) return ReaderError(error);
  for (const std::string &line : DescribeOptions(options)) std::printf("%s\n", line.c_str());
  return kExitSuccess;
}

int RunSet(const Arguments &args, const ReaderSetup &setup) {
  int status = kExitSuccess;
  const auto *entry = SymbologyArgument("set", args, &status);
  if (entry == nullptr) return status;
  std::vector<std::string> words(args.positionals.begin() + 1, args.positionals.end());
  if (words.empty()) return UsageError("set", "which options? give <option>=<value>");
  std::vector<OptionChange> changes;
  std::string error;
  if (!ParseChanges(*entry, words, &changes, &error)) return UsageError("set", error);

  Session session;
  if (!StartReader(setup, &session, &status)) return status;
  OptionValues options;
  options.entry = entry;
  options.function = FunctionOnEngine(*entry, session.DeviceType(), &error);
  if (options.function == nullptr) return UsageError("set", error);
  for (const OptionChange &change : changes) {
    if (bcr::catalog::FindArgument(*options.function, change.name.c_str()) < 0) {
      return UsageError("set", change.name + " is not available on the " + session.EngineName());
    }
  }
  if (ChangeOptions(&options, changes, &error) != 1) return ReaderError(error);
  // What the engine holds now, read back; the written values when it does not answer.
  if (CallOptions(&options, BCR_MODE_READ, &error) == 1) {
    for (const std::string &line : DescribeOptions(options)) std::printf("%s\n", line.c_str());
  } else {
    for (const OptionChange &change : changes) {
      std::printf("%s=%d\n", change.name.c_str(), static_cast<int>(change.value));
    }
  }
  return kExitSuccess;
}

int RunReset(const Arguments &args, const ReaderSetup &setup) {
  if (!args.positionals.empty()) return UsageError("reset", "takes no arguments");
  Session session;
  int status = kExitSuccess;
  if (!StartReader(setup, &session, &status)) return status;
  int32_t result = ResetReaderToDefault(BCR_READER_DEVICE);
  if (result != 1) {
    return ReaderError("ResetReaderToDefault failed (" + std::to_string(result) + ")");
  }
  std::printf("the library's settings and the engine's defaults are restored\n");
  return kExitSuccess;
}

int RunBeep(const Arguments &args) {
  const std::string *file = args.Value("file");
  int64_t sound = -1;
  if (file != nullptr) {
    if (!args.positionals.empty()) return UsageError("beep", "give a sound number or --file");
  } else if (args.positionals.size() != 1 || !ParseInteger(args.positionals[0], 0, 9, &sound)) {
    return UsageError("beep", "give one sound number 0..9 (0 stops the sound playing)");
  }
  int32_t result = Beeper(static_cast<int32_t>(sound), file != nullptr ? file->c_str() : nullptr);
  if (result != 1) return ReaderError("Beeper failed (" + std::to_string(result) + ")");
  return kExitSuccess;
}

}  // namespace cli
