// A client of the reader on the session bus, in a process of its own, for the tests and the bench.
//
//   bcreader-bus-client listen [--since SEQ] [--count N] [--timeout MS]
//       Subscribes to the reader's signals, catches up with DecodesSince(SEQ) when asked, prints
//       "ready", then one line per decode, state and image until N decodes or MS passed (exit 3):
//         decode <seq> <time received, monotonic us> <type or -> <data in hex or -> <symbology>
//         gap | state <n> | image
//       A decode it has had already (by sequence number) is not printed again.
//   bcreader-bus-client post <message>
//       Calls Post; prints the D-Bus error name and exits 1 when refused.
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char *kName = "org.bcreader.Reader1";
constexpr const char *kPath = "/org/bcreader/Reader1";
constexpr const char *kInterface = "org.bcreader.Reader1";

uint64_t NowUs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

struct Listener {
  uint64_t lastSeq = 0;
  long decodes = 0;
};

// Reads the fields of one decode at the message's position and prints it unless already had.
int PrintDecode(sd_bus_message *m, Listener &listener) {
  uint64_t seq = 0, timeMs = 0;
  const char *type = nullptr, *symbology = nullptr;
  const void *data = nullptr;
  size_t size = 0;
  int r = sd_bus_message_read(m, "tss", &seq, &type, &symbology);
  if (r >= 0) r = sd_bus_message_read_array(m, 'y', &data, &size);
  if (r >= 0) r = sd_bus_message_read(m, "t", &timeMs);
  if (r < 0) return r;
  if (seq <= listener.lastSeq) return 0;
  listener.lastSeq = seq;
  ++listener.decodes;
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", static_cast<const unsigned char *>(data)[i]);
    hex += two;
  }
  std::printf("decode %llu %llu %s %s %s\n", static_cast<unsigned long long>(seq),
              static_cast<unsigned long long>(NowUs()), *type != '\0' ? type : "-",
              hex.empty() ? "-" : hex.c_str(), symbology);
  return 0;
}

int OnSignal(sd_bus_message *m, void *userdata, sd_bus_error *) {
  Listener &listener = *static_cast<Listener *>(userdata);
  const char *member = sd_bus_message_get_member(m);
  if (std::strcmp(member, "Decode") == 0) return PrintDecode(m, listener);
  if (std::strcmp(member, "ReaderState") == 0) {
    uint32_t state = 0;
    if (sd_bus_message_read(m, "u", &state) >= 0) std::printf("state %u\n", state);
  } else if (std::strcmp(member, "DecodeImage") == 0) {
    std::printf("image\n");
  }
  return 0;
}

int CatchUp(sd_bus *bus, uint64_t since, Listener &listener) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message *reply = nullptr;
  int r =
      sd_bus_call_method(bus, kName, kPath, kInterface, "DecodesSince", &error, &reply, "t", since);
  if (r >= 0) r = sd_bus_message_enter_container(reply, 'a', "(tssayt)");
  while (r >= 0 && (r = sd_bus_message_enter_container(reply, 'r', "tssayt")) > 0) {
    r = PrintDecode(reply, listener);
    if (r >= 0) r = sd_bus_message_exit_container(reply);
  }
  if (r >= 0) r = sd_bus_message_exit_container(reply);
  int gap = 0;
  if (r >= 0) r = sd_bus_message_read(reply, "b", &gap);
  if (r >= 0 && gap) std::printf("gap\n");
  if (r < 0) std::printf("error %s\n", error.name != nullptr ? error.name : std::strerror(-r));
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  return r;
}

int Listen(sd_bus *bus, int argc, char **argv) {
  long count = -1, timeoutMs = 10000;
  long long since = -1;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--since") == 0) since = std::atoll(argv[i + 1]);
    if (std::strcmp(argv[i], "--count") == 0) count = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--timeout") == 0) timeoutMs = std::atol(argv[i + 1]);
  }
  // Signals count from the moment the reader owns its name.
  const uint64_t end = NowUs() + static_cast<uint64_t>(timeoutMs) * 1000;
  while (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                            "org.freedesktop.DBus", "GetNameOwner", nullptr, nullptr, "s",
                            kName) < 0) {
    if (NowUs() >= end) return 3;
    usleep(10000);
  }
  Listener listener;
  int r = sd_bus_match_signal(bus, nullptr, kName, kPath, kInterface, nullptr, OnSignal, &listener);
  if (r < 0) return std::printf("error %s\n", std::strerror(-r)), 2;
  if (since >= 0 && CatchUp(bus, static_cast<uint64_t>(since), listener) < 0) return 2;
  std::printf("ready\n");
  std::fflush(stdout);
  while (count < 0 || listener.decodes < count) {
    const uint64_t now = NowUs();
    if (now >= end) return 3;
    r = sd_bus_process(bus, nullptr);
    if (r < 0) return std::printf("error %s\n", std::strerror(-r)), 2;
    std::fflush(stdout);
    if (r == 0) sd_bus_wait(bus, end - now);
  }
  return 0;
}

int Post(sd_bus *bus, const char *message) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  int r = sd_bus_call_method(bus, kName, kPath, kInterface, "Post", &error, nullptr, "s", message);
  if (r < 0) std::printf("%s\n", error.name != nullptr ? error.name : std::strerror(-r));
  sd_bus_error_free(&error);
  return r < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (argc < 2) return std::fprintf(stderr, "usage: see the source\n"), 2;
  sd_bus *bus = nullptr;
  int r = sd_bus_open_user(&bus);
  if (r < 0) return std::printf("error %s\n", std::strerror(-r)), 2;
  int status = 2;
  if (std::strcmp(argv[1], "listen") == 0) status = Listen(bus, argc, argv);
  if (std::strcmp(argv[1], "post") == 0 && argc > 2) status = Post(bus, argv[2]);
  sd_bus_flush_close_unref(bus);
  return status;
}
