// bcreader demo: the library's behaviour walked through against a simulated engine started in
// this process, so that it needs no terminal, no hardware and no privileges.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "commands.h"
#include "config/option_catalog.h"
#include "exit_codes.h"
#include "option_access.h"
#include "symbology_names.h"

namespace cli {

namespace {

// The speed the library switches engines from, when it does not find them at its own.
constexpr uint32_t kSwitchFromSpeed = 9600;
constexpr int kDeliveryWaitMs = 5000;
// Receptions of one second while continuous mode runs (the engine's time-out in tenths), so
// that switching it off soon finds the port free.
constexpr int32_t kContinuousTimeoutTenths = 10;
constexpr int kContinuousDecodes = 4;
constexpr int kContinuousGapMs = 600;

// Engine code types the simulated engine sends.
constexpr uint8_t kCode39 = 0x01;
constexpr uint8_t kCode128 = 0x03;
constexpr uint8_t kEan13 = 0x0B;
constexpr uint8_t kQrCode = 0x1C;
constexpr uint8_t kDataMatrix = 0x1B;
constexpr uint8_t kInterleaved2Of5 = 0x06;

void Section(const char *title) {
  std::printf("\n== %s ==\n", title);
}

std::string Quoted(const std::string &bytes) {
  return "\"" + Printable(bytes) + "\"";
}

std::string TypeText(int32_t decodeType) {
  if (decodeType <= 0) return std::to_string(decodeType) + " (" + SymbologyName(0) + ")";
  return std::to_string(decodeType) + " '" + std::string(1, static_cast<char>(decodeType)) +
         "': " + SymbologyName(decodeType);
}

std::string Joined(const std::vector<std::string> &words) {
  std::string text;
  for (const std::string &word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// Reads a symbology's options and prints them; false when the read failed.
bool ShowOptions(OptionValues *options) {
  std::string error;
  int32_t result = CallOptions(options, BCR_MODE_READ, &error);
  std::printf("%s('r') = %d: %s\n", options->function->name, static_cast<int>(result),
              result == 1 ? Joined(DescribeOptions(*options)).c_str() : error.c_str());
  return result == 1;
}

bool Initialise(Session *session, bool se955) {
  Section("1. Initialisation");
  std::printf("simulated %s engine on %s, running at %u bit/s\n", se955 ? "SE955" : "4507",
              session->PortPath().c_str(), static_cast<unsigned>(session->Sim()->Speed()));
  std::printf("the system library's stand-in reports engine kind '%s'%s\n", se955 ? "1" : "3",
              se955 ? "" : " (the library then waits 3 s for the imager to start)");
  if (!session->Init()) return false;
  std::printf("InitReader() = %d after %lld ms\n", static_cast<int>(session->InitResult()),
              static_cast<long long>(session->InitMs()));
  std::printf("GetReaderType() = %d: the %s\n", static_cast<int>(GetReaderType()),
              se955 ? "SE955 one-dimensional engine" : "4507 two-dimensional imager");
  uint32_t speed = session->Sim()->Speed();
  std::printf(
      "speed: the engine answered at %u bit/s, the library's working speed for it (an "
      "engine still at %u bit/s is moved there first)\n",
      static_cast<unsigned>(speed), static_cast<unsigned>(kSwitchFromSpeed));
  char text[64] = {};
  int32_t result = GetDecoderVersion(BCR_READER_DEVICE, text, sizeof text);
  std::printf("GetDecoderVersion(7) = %d: revision %s\n", static_cast<int>(result),
              Quoted(text).c_str());
  GetDllVer(text, sizeof text);
  std::printf("GetDllVer() = \"%s\"\n", text);
  return true;
}

bool TriggeredRead(Session *session, bool se955) {
  Section("2. A triggered read");
  std::printf("posting \"WM_USER1DOWN\" to the \"Quenrix\" window, as the scan key does\n");
  if (!session->PressTrigger()) return false;
  // The library's window procedure runs on this thread and starts the wait for the decode.
  BcrDispatchMessages(0);
  bcrsim::Decode decode = SimDecode(se955 ? kCode128 : kQrCode, se955 ? "DEMO-0001" : "demo:qr");
  std::printf("the engine decodes %s and sends it\n",
              Quoted(std::string(decode.data.begin(), decode.data.end())).c_str());
  Clock::time_point sent = Clock::now();
  session->Sim()->SendDecode(decode);
  if (!session->PumpUntilDelivered(1, kDeliveryWaitMs, nullptr)) {
    std::printf("no \"WM_DECODEDATA\" within %d ms\n", kDeliveryWaitMs);
    return false;
  }
  std::printf("\"WM_DECODEDATA\" (wParam 7) reached this program's window %lld ms later\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         session->LastDeliveryAt() - sent)
                                         .count()));
  DecodeReport report;
  session->FetchDecode(&report);
  std::printf("GetDecodeData() = %zu: %s\n", report.data.size(), Quoted(report.data).c_str());
  std::printf("GetDecodeType() = %s\n", TypeText(report.decodeType).c_str());
  return true;
}

bool SynchronousRead(Session *session) {
  Section("3. ReadBarcodeData");
  const std::string data = "5901234123457";
  std::printf("the engine will decode EAN-13 %s once the library starts a decode\n",
              Quoted(data).c_str());
  session->Sim()->OnStartDecode(SimDecode(kEan13, data));
  char buffer[256] = {};
  uint32_t decodeType = 0;
  Clock::time_point start = Clock::now();
  int32_t length = ReadBarcodeData(&decodeType, buffer, sizeof buffer);
  int64_t ms = MillisecondsSince(start);
  std::printf("ReadBarcodeData() = %d in %lld ms: %s, decode type %s\n", static_cast<int>(length),
              static_cast<long long>(ms), Quoted(buffer).c_str(),
              TypeText(static_cast<int32_t>(decodeType)).c_str());
  // The read is delivered like a triggered one.
  session->PumpUntilDelivered(session->Delivered() + 1, kDeliveryWaitMs, nullptr);
  DecodeReport published;
  session->FetchDecode(&published);
  std::printf(
      "GetDecodeData() still gives the triggered read, %s: ReadBarcodeData does not "
      "replace it\n",
      Quoted(published.data).c_str());
  return length == static_cast<int32_t>(data.size());
}

bool Settings(Session *session, bool se955) {
  Section("4. Symbology settings");
  std::printf(
      "option functions take 'r' or 'w' and one pointer per option; names from the "
      "option catalog\n");
  int32_t deviceType = session->DeviceType();
  std::string error;
  OptionValues code93;
  code93.entry = bcr::catalog::FindSymbologyOptions("code93");
  code93.function = FunctionOnEngine(*code93.entry, deviceType, &error);
  if (code93.function == nullptr || !ShowOptions(&code93)) return false;
  int32_t result = ChangeOptions(&code93, {{"length1", 6}}, &error);
  std::printf("%s('w', length1=6) = %d\n", code93.function->name, static_cast<int>(result));
  if (result != 1 || !ShowOptions(&code93)) return false;
  std::printf("the engine's parameter 0x1A now holds %u\n",
              static_cast<unsigned>(session->Sim()->Param(0x1A).value_or(0)));
  size_t framesBefore = session->Sim()->Frames().size();
  result = CallOptions(&code93, BCR_MODE_WRITE, &error);
  std::printf(
      "%s('w') with the same values = %d, and the engine received %zu frames: the "
      "library sends only what differs from what it last read or wrote\n",
      code93.function->name, static_cast<int>(result),
      session->Sim()->Frames().size() - framesBefore);

  OptionValues other;
  other.entry = bcr::catalog::FindSymbologyOptions(se955 ? "code39" : "symbologies2d");
  other.function = FunctionOnEngine(*other.entry, deviceType, &error);
  if (other.function == nullptr || !ShowOptions(&other)) return false;

  // The functions of the other engine refuse.
  OptionValues foreign;
  foreign.entry = bcr::catalog::FindSymbologyOptions(se955 ? "postal" : "code93");
  foreign.function = se955 ? &foreign.entry->imager4507 : &foreign.entry->se955;
  int32_t refused = CallOptions(&foreign, BCR_MODE_READ, &error);
  std::printf("%s('r') = %d: a function of the other engine\n", foreign.function->name,
              static_cast<int>(refused));
  return result == 1;
}

bool OutputRecord() {
  Section("5. The output record");
  int32_t on = 1;
  char prefix[] = "<";
  char suffix[] = ">";
  int32_t result = DataOutputSettings(BCR_MODE_WRITE, nullptr, nullptr, nullptr, &on, &on, prefix,
                                      sizeof prefix, suffix, sizeof suffix);
  std::printf("DataOutputSettings('w', code id on, length on, prefix \"<\", suffix \">\") = %d\n",
              static_cast<int>(result));
  char record[256] = {};
  int32_t length = GetOutputRecord(BCR_READER_DEVICE, record, sizeof record);
  std::printf("GetOutputRecord(7) = %d: %s\n", static_cast<int>(length), Quoted(record).c_str());
  std::printf(
      "  the decode type character, the length of prefix, data and suffix in four "
      "digits, then prefix, data and suffix\n");
  int32_t off = 0;
  char empty[] = "";
  DataOutputSettings(BCR_MODE_WRITE, nullptr, nullptr, nullptr, &off, &off, empty, sizeof empty,
                     empty, sizeof empty);
  length = GetOutputRecord(BCR_READER_DEVICE, record, sizeof record);
  std::printf("with both off and no prefix or suffix: %d: %s\n", static_cast<int>(length),
              Quoted(record).c_str());
  return result == 1;
}

bool Continuous(Session *session, bool se955) {
  Section("6. Continuous mode");
  std::string error;
  ContinuousMode mode;
  OptionValues &preferences = mode.preferences;
  int32_t result =
      ContinuousOn(session->DeviceType(), {{"timeout", kContinuousTimeoutTenths}}, &mode, &error);
  if (preferences.function == nullptr) return false;
  std::printf(
      "%s('w', trigger_mode=%d, timeout=%d) = %d: reads follow one another without "
      "trigger presses\n",
      preferences.function->name, static_cast<int>(preferences.values[mode.triggerArg]),
      static_cast<int>(kContinuousTimeoutTenths), static_cast<int>(result));
  if (result != 1) return false;

  const std::pair<uint8_t, const char *> decodes[kContinuousDecodes] = {
      {kCode39, "PALLET-17"},
      {se955 ? kInterleaved2Of5 : kDataMatrix, se955 ? "00123456" : "lot 4711"},
      {kEan13, "4006381333931"},
      {kCode128, "BOX-0042"},
  };
  Clock::time_point start = Clock::now();
  int delivered = 0;
  for (const auto &[codeType, text] : decodes) {
    session->Pump(kContinuousGapMs);
    int before = session->Delivered();
    Clock::time_point sent = Clock::now();
    session->Sim()->SendDecode(SimDecode(codeType, text));
    if (!session->PumpUntilDelivered(before + 1, kDeliveryWaitMs, nullptr)) continue;
    DecodeReport report;
    session->FetchDecode(&report);
    report.ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(session->LastDeliveryAt() - sent)
            .count();
    std::printf("  +%5lld ms  %s\n", static_cast<long long>(MillisecondsSince(start)),
                DecodeLine(report).c_str());
    ++delivered;
  }
  std::printf(
      "  (each line: symbology, decode type, length, the time from the engine sending "
      "the decode to the broadcast, data)\n");
  result = ContinuousOff(&mode, &error);
  std::printf("%s('w', trigger_mode=%d) = %d: back to triggered reads\n",
              preferences.function->name, static_cast<int>(preferences.values[mode.triggerArg]),
              static_cast<int>(result));
  return result == 1 && delivered == kContinuousDecodes;
}

}  // namespace

int RunDemo(const Arguments &args) {
  SimKind kind = SimKind::kSE955;
  if (const std::string *engine = args.Value("engine")) {
    if (!ParseSimKind(*engine, &kind)) {
      std::fprintf(stderr,
                   "bcreader demo: --engine takes se955 or 4507\n"
                   "Try 'bcreader demo --help'.\n");
      return kExitUsage;
    }
  }
  if (!args.positionals.empty()) {
    std::fprintf(stderr, "bcreader demo: takes no arguments\nTry 'bcreader demo --help'.\n");
    return kExitUsage;
  }
  const bool se955 = kind == SimKind::kSE955;
  ReaderSetup setup;
  setup.sim = kind;
  setup.quiet = true;
  Session session;
  std::string error;
  if (!session.Prepare(setup, &error)) {
    std::fprintf(stderr, "bcreader: %s\n", error.c_str());
    return kExitReader;
  }
  std::printf(
      "bcreader demo: the library against a simulated %s engine in this process; no "
      "hardware needed.\n",
      se955 ? "SE955" : "4507");
  const char *sound = getenv("BCREADER_SOUND");
  const char *keyboard = getenv("BCREADER_KEYBOARD");
  std::printf(
      "sound output: %s, keyboard output: %s (BCREADER_SOUND and BCREADER_KEYBOARD; the "
      "demo makes no noise and types nothing unless they say otherwise)\n",
      sound != nullptr ? sound : "none", keyboard != nullptr ? keyboard : "none");

  if (!Initialise(&session, se955)) return kExitReader;
  if (!session.OpenWindow()) return kExitReader;
  bool ok = TriggeredRead(&session, se955);
  ok = SynchronousRead(&session) && ok;
  ok = Settings(&session, se955) && ok;
  ok = OutputRecord() && ok;
  ok = Continuous(&session, se955) && ok;
  Section(ok ? "Done" : "Done, with failures");
  std::fflush(stdout);
  return ok ? kExitSuccess : kExitReader;
}

}  // namespace cli
