// The threaded soak of the reader: the shared library loaded with dlopen and driven as
// applications drive it, from several threads, while the simulated engine answers trigger
// presses and synchronous reads, scans continuously and puts noise bursts on the line. Every
// decode carries its sequence number in its data, so each one can be followed to where it went.
// Shared by `make bench` and the soak test; it uses no test framework.
#ifndef BCREADER_BENCH_SOAK_DRIVER_H
#define BCREADER_BENCH_SOAK_DRIVER_H

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <semaphore.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "sim/engine.h"

namespace bcr::soak {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Figures {
  int sent = 0;         // scans the engine sent
  int delivered = 0;    // delivered once, unchanged, to the press or read they answered
  int strays = 0;       // scans sent with no press or read waiting, before the next press
  int givenUp = 0;      // scans the engine gave up itself (a request cut into them)
  int discarded = 0;    // strays not delivered: the documented rule
  int lost = 0;         // scans that answered a press or read and never reached it
  int duplicated = 0;   // delivered more than once
  int wrong = 0;        // delivered changed, to another press or read, or a stray delivered
  int optionCalls = 0;  // option and version calls made
  int optionFails = 0;  // of those, the ones that failed (the engine answers every one)
  int slowCalls = 0;    // calls that took longer than their documented bound
  // Every decode delivered is typed once, broadcast once and sets the named event once.
  int typed = 0;              // decodes typed (the keyboard's record)
  int broadcastsMissing = 0;  // typed decodes without their broadcast
  int broadcastsExtra = 0;    // broadcasts beyond the typed decodes
  int eventMissed = 0;        // dispatches that delivered decodes and left the event unset
  int eventExtra = 0;         // dispatches that delivered none and set it
  int eventReleases = 0;      // times the event released the application's wait
  int64_t longestCallMs = 0;
  int threadsLeft = 0;      // threads more than before the library was loaded
  int descriptorsLeft = 0;  // descriptors more than before
  bool started = false;
};

namespace detail {

inline int Entries(const char *folder) {
  int count = 0;
  if (DIR *dir = opendir(folder)) {
    while (struct dirent *entry = readdir(dir)) count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
  }
  return count;
}

inline int64_t Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<milliseconds>(to - from).count();
}

// Documented bounds, in ms: an exchange waits at most 6 s for the one before it and then runs
// its own (a wake step and an attempt, the engine answers); a synchronous read besides waits its
// decode wait (3 s). A margin covers a loaded machine.
constexpr int64_t kOptionBound = 6000 + 3000;
constexpr int64_t kReadBound = 6000 + 3000 + 6000 + 3000;

std::atomic<int> broadcasts{0};
inline uint32_t decodeDataMessage = 0;

inline intptr_t SoakWindow(BcrWindow, uint32_t msg, uintptr_t, intptr_t) {
  if (msg == decodeDataMessage) ++broadcasts;
  return 0;
}

// The "post" lines appended to the keyboard's record at path since *offset (whole lines only).
inline int NewRecords(const std::string &path, long *offset) {
  int count = 0;
  if (FILE *file = fopen(path.c_str(), "r")) {
    if (fseek(file, *offset, SEEK_SET) == 0) {
      char line[4096];
      while (fgets(line, sizeof line, file) != nullptr) {
        const size_t length = strlen(line);
        if (length == 0 || line[length - 1] != '\n') break;
        *offset += static_cast<long>(length);
        count += strncmp(line, "post ", 5) == 0 ? 1 : 0;
      }
    }
    fclose(file);
  }
  return count;
}

// The records typed as characters, one per decode delivered, in the order typed: the "post" lines
// of the keyboard's record ("post <flags> <c1>,<c2>,... <shifts>").
inline std::vector<std::string> TypedRecords(const std::string &path) {
  std::vector<std::string> records;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("post ", 0) != 0) continue;
    const size_t from = line.find(' ', 5);
    const size_t to = line.find(' ', from + 1);
    if (from == std::string::npos || to == std::string::npos) continue;
    std::string record;
    const std::string characters = line.substr(from + 1, to - from - 1);
    for (size_t at = 0; at < characters.size();) {
      size_t comma = characters.find(',', at);
      if (comma == std::string::npos) comma = characters.size();
      record += static_cast<char>(std::stoi(characters.substr(at, comma - at)));
      at = comma + 1;
    }
    records.push_back(record);
  }
  return records;
}

}  // namespace detail

// Runs the soak against the library at libraryPath on a simulated engine of that kind: rounds of
// trigger presses in trigger modes 6 and 8, then scans in the engine's continuous mode, each scan
// sent at a random moment (a fixed seed), while two threads read and write options and one calls
// ReadBarcodeData now and then. Some rounds send a stray scan first, with nobody waiting: it must
// be discarded. The application's message loop takes the named event after every dispatch.
inline Figures Run(bcrsim::Kind kind, const std::string &libraryPath, const std::string &scratchDir,
                   int pressRounds, int continuousRounds) {
  using namespace detail;
  Figures f;
  const bool se955 = kind == bcrsim::Kind::SE955;
  // A first thread makes a sanitizer start its own helper thread: before the count, not after.
  std::thread([] {}).join();
  const int threadsBefore = Entries("/proc/self/task");
  const int descriptorsBefore = Entries("/proc/self/fd");
  auto engine =
      (se955 ? bcrsim::Engine::SE955().Speed(38400) : bcrsim::Engine::Imager4507().Speed(115200))
          .Start();
  if (!engine) return f;
  setenv("BCREADER_COM2", engine->Path().c_str(), 1);
  setenv("BCREADER_ENGINE_KIND", se955 ? "1" : "3", 1);
  setenv("BCREADER_REGISTRY", (scratchDir + "/registry.reg").c_str(), 1);
  const std::string eventPrefix = "bcrsoak" + std::to_string(getpid()) + (se955 ? "a_" : "b_");
  setenv("BCREADER_EVENT_PREFIX", eventPrefix.c_str(), 1);
  // Every decode delivered is typed as characters into this record, so that each delivery is seen
  // however soon the next one follows (GetDecodeData only ever holds the last).
  const std::string keys = scratchDir + "/keys";
  unlink(keys.c_str());
  setenv("BCREADER_KEYBOARD", ("record:" + keys).c_str(), 1);
  setenv("BCREADER_SOUND", "none", 1);
  void *lib = dlopen(libraryPath.c_str(), RTLD_NOW);
  if (lib == nullptr) return f;
#define SOAK_FN(name) reinterpret_cast<decltype(&::name)>(dlsym(lib, #name))
  if (SOAK_FN(InitReader)() != 1) {
    dlclose(lib);
    return f;
  }
  f.started = true;
  // The named event, as an application waiting on it opens it.
  const std::string eventName = "/" + eventPrefix + "DecodeEventBC";
  sem_t *event = sem_open(eventName.c_str(), 0);
  int32_t typed = 1;  // the record typed as characters
  SOAK_FN(DataOutputSettings)
  ('w', &typed, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0);
  decodeDataMessage = SOAK_FN(BcrRegisterWindowMessage)("WM_DECODEDATA");
  broadcasts = 0;
  BcrWindow window = SOAK_FN(BcrCreateWindow)("SoakApplication", SoakWindow);
  BcrWindow reader = SOAK_FN(BcrFindWindow)("Quenrix");
  const uint32_t press = SOAK_FN(BcrRegisterWindowMessage)("WM_USER1DOWN");
  std::mt19937 random(20261207);
  auto between = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };

  std::mutex mu;                          // guards the records below
  std::map<std::string, int> deliveries;  // "press:" or "read:" and the data -> times
  std::vector<std::string> answered;      // scans that answer a press (or, continuous, a read)
  std::vector<std::string> strays;        // scans sent with nobody waiting
  std::vector<std::string> reads;         // the read scans the engine sent
  auto deliver = [&](const std::string &data) {
    std::lock_guard<std::mutex> lock(mu);
    ++deliveries[data];
  };
  auto timeCall = [&](Clock::time_point start, int64_t bound) {
    const int64_t ms = Ms(start, Clock::now());
    std::lock_guard<std::mutex> lock(mu);
    f.longestCallMs = std::max(f.longestCallMs, ms);
    if (ms > bound) ++f.slowCalls;
  };
  auto optionResult = [&](int32_t result) {
    std::lock_guard<std::mutex> lock(mu);
    ++f.optionCalls;
    if (result != 1) ++f.optionFails;
  };

  std::string queued;  // the read scan waiting for its start decode
  auto sent = [&] {
    if (queued.empty() || engine->PendingOnStart() != 0) return;
    std::lock_guard<std::mutex> lock(mu);
    reads.push_back(queued);
    queued.clear();
  };
  std::atomic<bool> done{false};
  std::vector<std::thread> threads;
  // ReadBarcodeData now and then, each answered by the engine right after its start decode.
  threads.emplace_back([&] {
    std::mt19937 pauses(7);
    // Each scan queued has data of its own: one whose start decode was late (its read failed) is
    // sent on it all the same, and the next read gets a new one.
    for (int k = 0; !done;) {
      std::this_thread::sleep_for(
          milliseconds(std::uniform_int_distribution<int>(300, 1500)(pauses)));
      sent();
      if (queued.empty()) {
        queued = "R" + std::to_string(k++);
        const std::string &text = queued;
        bcrsim::Decode decode;
        decode.codeType = 0x03;
        decode.data.assign(text.begin(), text.end());
        decode.packetData = k % 2 == 0 ? 0 : 2;
        engine->OnStartDecode(decode);
      }
      uint32_t type = 0;
      char buffer[64] = {};
      const auto start = Clock::now();
      const int32_t n = SOAK_FN(ReadBarcodeData)(&type, buffer, sizeof buffer);
      timeCall(start, kReadBound);
      // A read that sent no start decode left its scan queued for the next one.
      sent();
      if (n > 0) deliver("read:" + std::string(buffer) + (type == 'I' ? "" : "?type"));
    }
  });
  // Two threads on option and version calls; the engine answers every one.
  threads.emplace_back([&] {
    for (int32_t i = 0; !done; ++i) {
      int32_t enable = i % 2, a = 0;
      auto start = Clock::now();
      optionResult((se955 ? SOAK_FN(Code93_1D_SE955) : SOAK_FN(Code93_2D_4507))('w', &enable,
                                                                                nullptr, nullptr));
      optionResult((se955 ? SOAK_FN(Code39_1D_SE955) : SOAK_FN(Code39_2D_4507))(
          'r', &a, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
      timeCall(start, 2 * kOptionBound);
      char text[64];
      SOAK_FN(GetOutputRecord)(7, text, sizeof text);
      int32_t sound = 1, vibrate = 0, vibrateTime = 1, led = 100;
      SOAK_FN(NotificationSettings)('w', &sound, &vibrate, &vibrateTime, &led);
      std::this_thread::sleep_for(milliseconds(30));
    }
  });
  threads.emplace_back([&] {
    for (int32_t i = 0; !done; ++i) {
      char text[64];
      auto start = Clock::now();
      optionResult(SOAK_FN(GetDecoderVersion)(7, text, sizeof text));
      int32_t enable = -1;
      optionResult(
          se955 ? SOAK_FN(Code128_1D_SE955)('r', &enable, nullptr, nullptr)
                : SOAK_FN(Code128_2D_4507)('r', &enable, nullptr, nullptr, nullptr, nullptr));
      timeCall(start, 2 * kOptionBound);
      SOAK_FN(GetDecodeType)();
      std::this_thread::sleep_for(milliseconds(50));
    }
  });
  // The application's reader of the last decode, following every change of it. While a press
  // waits for its scan, any other data that appears went to the wrong press. (What reached the
  // application is counted from the typed records.)
  std::string last, expected;
  long keysRead = 0;
  // One turn of the message loop; every decode delivered in it set the event, and none else did.
  auto dispatch = [&](int ms) {
    const int ran = SOAK_FN(BcrDispatchMessages)(ms);
    const int delivered = NewRecords(keys, &keysRead);
    const bool set = event != SEM_FAILED && sem_trywait(event) == 0;
    f.eventReleases += set ? 1 : 0;
    if (delivered > 0 && !set) ++f.eventMissed;
    if (delivered == 0 && set) ++f.eventExtra;
    return ran;
  };
  auto follow = [&](int ms) {
    const auto end = Clock::now() + milliseconds(ms);
    do {
      dispatch(5);
      char buffer[64] = {};
      SOAK_FN(GetDecodeData)(buffer, sizeof buffer);
      if (last != buffer) {
        last = buffer;
        if (!expected.empty() && last != expected) deliver("press:" + last + "?press");
      }
    } while (Clock::now() < end);
  };
  auto scan = [&](const std::string &text, bool split) {
    bcrsim::Decode decode;
    decode.data.assign(text.begin(), text.end());
    decode.packetData = split ? 1 : 0;
    engine->SendDecode(decode);
  };
  auto setMode = [&](int32_t mode) {
    optionResult(se955 ? SOAK_FN(UserPreferences_1D_SE955)('w', nullptr, nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, &mode)
                       : SOAK_FN(UserPreferences_2D_4507)('w', nullptr, nullptr, &mode));
  };
  const bcrsim::Bytes noise = {0x07, 0xF3, 0x13, 0x00, 0x55, 0xAA, 0x09, 0xF3, 0x00};

  int round = 0;
  for (int32_t mode : {6, 8}) {
    setMode(mode);
    for (int i = 0; i < pressRounds; ++i, ++round) {
      if (round % 4 == 1) {
        // A stray scan: nobody asked for it; the next press reads it away.
        const std::string stray = "S" + std::to_string(round);
        strays.push_back(stray);
        scan(stray, false);
        follow(between(300, 700));
      }
      const std::string text = "T" + std::to_string(round);
      expected = text;
      SOAK_FN(BcrPostMessage)(reader, press, 0, 0);
      if (round % 3 == 0) engine->Send(noise);
      // The scan comes at a random moment after the press, before or after the worker listens.
      follow(between(0, 600));
      answered.push_back(text);
      scan(text, round % 3 == 2);
      const auto end = Clock::now() + milliseconds(3000);
      while (last != text && Clock::now() < end) follow(10);
    }
  }
  expected.clear();
  follow(1000);
  setMode(se955 ? 4 : 7);
  follow(300);
  for (int j = 0; j < continuousRounds; ++j) {
    const std::string text = "C" + std::to_string(j);
    if (j % 3 == 0) engine->Send(noise);
    follow(between(0, 400));
    answered.push_back(text);
    scan(text, j % 3 == 2);
    follow(between(50, 600));
  }
  follow(1500);
  done = true;
  for (std::thread &thread : threads) thread.join();
  // The last read's decode message, and the broadcasts that follow.
  while (dispatch(0) > 0) {
  }
  sent();
  SOAK_FN(BcrDestroyWindow)(window);

  // Every record typed: the decode a press or the continuous mode delivered, or a read's.
  for (const std::string &record : TypedRecords(keys)) {
    ++f.typed;
    deliver((record.rfind('R', 0) == 0 ? "typed:" : "press:") + record);
  }
  f.broadcastsMissing = std::max(0, f.typed - broadcasts);
  f.broadcastsExtra = std::max(0, broadcasts - f.typed);
  // Where each scan went.
  auto take = [&](const std::string &text) {
    const auto found = deliveries.find(text);
    if (found == deliveries.end()) return 0;
    const int times = found->second;
    deliveries.erase(found);
    return times;
  };
  auto tally = [&](int times) {
    ++f.sent;
    if (times >= 1) ++f.delivered;
    if (times > 1) f.duplicated += times - 1;
    if (times == 0) ++f.lost;
  };
  f.givenUp = static_cast<int>(engine->GivenUp().size());
  auto tallyOf = [&](const std::string &delivered) {
    const int times = take(delivered);
    if (times != 1 && getenv("SOAK_DEBUG") != nullptr) {
      fprintf(stderr, "%s: %d times\n", delivered.c_str(), times);
    }
    tally(times);
  };
  for (const std::string &text : answered) tallyOf("press:" + text);
  for (const std::string &text : reads) {
    tallyOf("read:" + text);
    // A read's decode is typed too, once.
    const int typedTimes = take("typed:" + text);
    if (typedTimes > 1) f.duplicated += typedTimes - 1;
  }
  for (const std::string &text : strays) {
    ++f.sent;
    ++f.strays;
    const int times = take("press:" + text) + take("read:" + text);
    if (times == 0) ++f.discarded;
    f.wrong += times;
  }
  deliveries.erase("press:");
  for (const auto &[text, times] : deliveries) f.wrong += times;
  if (getenv("SOAK_DEBUG") != nullptr) {
    for (const auto &[text, times] : deliveries)
      fprintf(stderr, "wrong: %s x%d\n", text.c_str(), times);
  }
  if (event != SEM_FAILED) sem_close(event);
  dlclose(lib);
  sem_unlink(eventName.c_str());
#undef SOAK_FN
  engine.reset();
  std::this_thread::sleep_for(milliseconds(200));
  f.threadsLeft = Entries("/proc/self/task") - threadsBefore;
  f.descriptorsLeft = Entries("/proc/self/fd") - descriptorsBefore;
  return f;
}

}  // namespace bcr::soak

#endif  // BCREADER_BENCH_SOAK_DRIVER_H
