// The threaded soak of the reader: the shared library loaded with dlopen and driven as
// applications drive it, from several threads, while the simulated engine answers trigger
// presses and synchronous reads, scans continuously and puts noise bursts on the line. Every
// decode carries its sequence number in its data, so each one can be followed to where it went.
// Shared by `make bench` and the soak test; it uses no test framework.
#ifndef BCREADER_BENCH_SOAK_DRIVER_H
#define BCREADER_BENCH_SOAK_DRIVER_H

#include <dirent.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
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
  int sent = 0;        // decodes the engine sent
  int delivered = 0;   // delivered once, unchanged, to the press or read they answered
  int discarded = 0;   // lost by a documented rule: sent while an option call held the port
  int lost = 0;        // lost otherwise
  int duplicated = 0;  // delivered more than once
  int wrong = 0;       // delivered changed, or to another press or read
  int slowCalls = 0;   // calls that took longer than their documented bound
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

// Documented bounds, in ms, with the decode wait of 3 s: an option call waits at most the
// decode wait and 1 s for the port (longer only while a decode frame is arriving) and then runs
// its exchange (a wake step and up to five attempts of a second each, but the engine answers);
// a synchronous read waits at most the decode wait for the port and then at most the decode
// wait for its decode. A margin covers a loaded machine.
constexpr int64_t kOptionBound = 3000 + 1000 + 2000 + 3000;
constexpr int64_t kReadBound = 3000 + 3000 + 1000 + 3000;

std::atomic<int> broadcasts{0};
inline uint32_t decodeDataMessage = 0;

inline intptr_t SoakWindow(BcrWindow, uint32_t msg, uintptr_t, intptr_t) {
  if (msg == decodeDataMessage) ++broadcasts;
  return 0;
}

}  // namespace detail

// Runs the soak against the library at libraryPath: rounds of trigger presses in trigger mode 6,
// then continuous decodes in the continuous mode 4, on a simulated SE955.
inline Figures Run(const std::string &libraryPath, const std::string &scratchDir, int pressRounds,
                   int continuousRounds) {
  using namespace detail;
  Figures f;
  // A first thread makes a sanitizer start its own helper thread: before the count, not after.
  std::thread([] {}).join();
  const int threadsBefore = Entries("/proc/self/task");
  const int descriptorsBefore = Entries("/proc/self/fd");
  auto engine = bcrsim::Engine::SE955().Speed(38400).Start();
  if (!engine) return f;
  setenv("BCREADER_COM2", engine->Path().c_str(), 1);
  setenv("BCREADER_ENGINE_KIND", "1", 1);
  setenv("BCREADER_REGISTRY", (scratchDir + "/registry.reg").c_str(), 1);
  setenv("BCREADER_EVENT_PREFIX", ("bcrsoak" + std::to_string(getpid()) + "_").c_str(), 1);
  setenv("BCREADER_KEYBOARD", "none", 1);
  setenv("BCREADER_SOUND", "none", 1);
  void *lib = dlopen(libraryPath.c_str(), RTLD_NOW);
  if (lib == nullptr) return f;
#define SOAK_FN(name) reinterpret_cast<decltype(&::name)>(dlsym(lib, #name))
  if (SOAK_FN(InitReader)() != 1) {
    dlclose(lib);
    return f;
  }
  f.started = true;
  decodeDataMessage = SOAK_FN(BcrRegisterWindowMessage)("WM_DECODEDATA");
  broadcasts = 0;
  BcrWindow window = SOAK_FN(BcrCreateWindow)("SoakApplication", SoakWindow);
  BcrWindow reader = SOAK_FN(BcrFindWindow)("Quenrix");
  const uint32_t press = SOAK_FN(BcrRegisterWindowMessage)("WM_USER1DOWN");

  std::mutex mu;                          // guards the records below
  std::map<std::string, int> deliveries;  // data -> times delivered
  std::vector<std::pair<std::string, Clock::time_point>> continuousSent;
  int readsSent = 0, pressesSent = 0;
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

  std::atomic<bool> done{false}, reading{true};
  std::vector<std::thread> threads;
  // Synchronous reads, each answered by the engine right after its start decode.
  threads.emplace_back([&] {
    for (int k = 0; !done;) {
      if (!reading) {
        std::this_thread::sleep_for(milliseconds(50));
        continue;
      }
      const std::string text = "R" + std::to_string(k);
      if (engine->PendingOnStart() == 0) {
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
      // A read that did not get the port sent no start decode: its decode stays queued.
      if (engine->PendingOnStart() == 0) {
        std::lock_guard<std::mutex> lock(mu);
        ++readsSent;
        ++k;
      }
      if (n > 0) deliver("read:" + std::string(buffer) + (type == 'I' ? "" : "?type"));
      std::this_thread::sleep_for(milliseconds(150));
    }
  });
  // Option, output, notification and query calls.
  threads.emplace_back([&] {
    for (int32_t i = 0; !done; ++i) {
      int32_t enable = i % 2, a = 0;
      auto start = Clock::now();
      SOAK_FN(Code93_1D_SE955)('w', &enable, nullptr, nullptr);
      SOAK_FN(Code39_1D_SE955)
      ('r', &a, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
      timeCall(start, 2 * kOptionBound);
      char text[64];
      start = Clock::now();
      SOAK_FN(GetDecoderVersion)(7, text, sizeof text);
      timeCall(start, kOptionBound);
      SOAK_FN(GetDecodeType)();
      SOAK_FN(GetOutputRecord)(7, text, sizeof text);
      int32_t output = 0, place = 0, key = 0, id = 0, length = 0;
      SOAK_FN(DataOutputSettings)('r', &output, &place, &key, &id, &length, text, 8, text + 8, 8);
      int32_t sound = 1, vibrate = 0, vibrateTime = 1, led = 100;
      SOAK_FN(NotificationSettings)('w', &sound, &vibrate, &vibrateTime, &led);
      SOAK_FN(NotificationSettings)('r', &sound, &vibrate, &vibrateTime, &led);
      std::this_thread::sleep_for(milliseconds(40));
    }
  });
  // The application's reader of the last decode, following every change of it. While a press
  // waits for its decode, any other decode that arrives went to the wrong press.
  std::string last, expected;
  auto follow = [&](int ms) {
    const auto end = Clock::now() + milliseconds(ms);
    do {
      SOAK_FN(BcrDispatchMessages)(5);
      char buffer[64] = {};
      SOAK_FN(GetDecodeData)(buffer, sizeof buffer);
      if (last != buffer) {
        last = buffer;
        deliver("press:" + last + (expected.empty() || last == expected ? "" : "?press"));
      }
    } while (Clock::now() < end);
  };
  const bcrsim::Bytes noise = {0x07, 0xF3, 0x13, 0x00, 0x55, 0xAA, 0x09, 0xF3, 0x00};

  for (int i = 0; i < pressRounds; ++i) {
    const std::string text = "T" + std::to_string(i);
    expected = text;
    SOAK_FN(BcrPostMessage)(reader, press, 0, 0);
    // Long enough for those ahead of the press's reception in the port's queue.
    follow(1000);
    if (i % 2 == 0) engine->Send(noise);
    follow(100);
    bcrsim::Decode decode;
    decode.data.assign(text.begin(), text.end());
    decode.packetData = i % 3 == 0 ? 1 : 0;
    engine->SendDecode(decode);
    ++pressesSent;
    const auto end = Clock::now() + milliseconds(3000);
    while (last != text && Clock::now() < end) follow(10);
  }
  reading = false;
  expected.clear();
  follow(1500);
  int32_t continuous = 4;
  SOAK_FN(UserPreferences_1D_SE955)
  ('w', nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &continuous);
  follow(300);
  for (int j = 0; j < continuousRounds; ++j) {
    const std::string text = "C" + std::to_string(j);
    if (j % 2 == 0) engine->Send(noise);
    follow(200);
    bcrsim::Decode decode;
    decode.data.assign(text.begin(), text.end());
    {
      std::lock_guard<std::mutex> lock(mu);
      continuousSent.emplace_back(text, Clock::now());
    }
    engine->SendDecode(decode);
    follow(600);
  }
  follow(1000);
  done = true;
  for (std::thread &thread : threads) thread.join();
  SOAK_FN(BcrDestroyWindow)(window);

  // Where each decode went.
  std::vector<Clock::time_point> commands;
  const std::vector<bcrsim::Bytes> frames = engine->Frames();
  const std::vector<Clock::time_point> frameTimes = engine->FrameTimes();
  for (size_t i = 0; i < frames.size() && i < frameTimes.size(); ++i) {
    if (frames[i].size() > 1 && frames[i][1] != 0xD0) commands.push_back(frameTimes[i]);
  }
  auto count = [&](const std::string &text) {
    const auto found = deliveries.find(text);
    const int times = found == deliveries.end() ? 0 : found->second;
    if (found != deliveries.end()) deliveries.erase(found);
    return times;
  };
  auto tally = [&](int times, bool documentedLoss) {
    if (getenv("SOAK_DEBUG") != nullptr && times != 1)
      fprintf(stderr, "sent #%d: %d times\n", f.sent, times);
    ++f.sent;
    if (times >= 1) ++f.delivered;
    if (times > 1) f.duplicated += times - 1;
    if (times == 0) ++(documentedLoss ? f.discarded : f.lost);
  };
  for (int i = 0; i < pressesSent; ++i) tally(count("press:T" + std::to_string(i)), false);
  for (int k = 0; k < readsSent; ++k) tally(count("read:R" + std::to_string(k)), false);
  for (const auto &[text, at] : continuousSent) {
    // An option call's exchange purges the input: a decode sent while one held the port (its
    // wake step comes 100 ms before its frame) is discarded by rule.
    const bool purged = std::any_of(commands.begin(), commands.end(), [&](Clock::time_point c) {
      const int64_t ms = Ms(at, c);
      return ms > -150 && ms < 400;
    });
    tally(count("press:" + text), purged);
  }
  deliveries.erase("press:");
  for (const auto &[text, times] : deliveries) f.wrong += times;
  if (getenv("SOAK_DEBUG") != nullptr) {
    for (const auto &[text, times] : deliveries)
      fprintf(stderr, "wrong: %s x%d\n", text.c_str(), times);
  }
  // Every decode delivered raised one broadcast; more would be a decode delivered twice.
  const int extra = broadcasts - f.delivered;
  if (extra > f.duplicated) f.duplicated = extra;

  dlclose(lib);
#undef SOAK_FN
  engine.reset();
  std::this_thread::sleep_for(milliseconds(200));
  f.threadsLeft = Entries("/proc/self/task") - threadsBefore;
  f.descriptorsLeft = Entries("/proc/self/fd") - descriptorsBefore;
  return f;
}

}  // namespace bcr::soak

#endif  // BCREADER_BENCH_SOAK_DRIVER_H
