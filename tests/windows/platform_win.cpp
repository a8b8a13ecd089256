// Checks of the Win32 platform layer that the application test (dll_app.cpp) cannot make through
// the library: class and window rules, bounded waits, code pages, event names, port settings
// and waits. Run under Wine with "COM2:" mapped to the engine simulator's pseudo-terminal (an
// SE955 at 9600 bit/s); the library's core is linked in.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "check.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/event.h"
#include "platform/keyboard.h"
#include "platform/port.h"
#include "platform/sound.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "util/wstring.h"

namespace p = bcr::platform;

namespace {

// Messages a test window's procedure saw, in order.
struct Seen {
  p::Window *window;
  uint32_t message;
  uintptr_t wParam;
};
std::vector<Seen> seen;
const uint32_t kTestMessage = p::WindowMessageRegister("BCR_TEST_MESSAGE");

intptr_t RecordingProc(p::Window *window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kTestMessage) {
    seen.push_back({window, message, wParam});
    return 0;
  }
  return p::WindowDefaultProc(window, message, wParam, lParam);
}

p::Port *OpenEnginePort() {
  p::Port *port = p::PortOpen("COM2:");
  if (port == nullptr) return nullptr;
  p::LineSettings line;
  line.baudRate = 9600;
  p::PortSetLine(port, line);
  p::PortPurge(port, p::kPurgeAll);
  return port;
}

}  // namespace

WIN_TEST(ClassRegistrationReportsTheSystemsErrors) {
  uint32_t error = 0;
  CHECK(p::WindowClassRegister("BcrTestClass", RecordingProc, &error));
  CHECK(!p::WindowClassRegister("BCRTESTCLASS", RecordingProc, &error));
  CHECK_EQ(error, p::kErrorClassAlreadyExists);
  p::Window *window = p::WindowCreate("BcrTestClass");
  CHECK(window != nullptr);
  CHECK(!p::WindowClassUnregister("BcrTestClass", &error));
  CHECK_EQ(error, p::kErrorClassHasWindows);
  // Kept for its window, but retired: a window made of it now reaches nothing of the library.
  seen.clear();
  p::Window *late = p::WindowCreate("BcrTestClass");
  CHECK(p::WindowPost(late, kTestMessage, 1, 0));
  p::WindowDispatch(0);
  CHECK(seen.empty());
  CHECK(p::WindowDestroy(late));
  CHECK(p::WindowDestroy(window));
  CHECK(p::WindowClassUnregister("BcrTestClass", &error));
  CHECK(!p::WindowClassUnregister("BcrTestClass", &error));
  CHECK_EQ(error, p::kErrorClassDoesNotExist);
  CHECK(p::WindowCreate("BcrTestClass") == nullptr);
}

WIN_TEST(DispatchWaitsForTheFirstMessageOnlyAsLongAsAsked) {
  uint64_t start = p::NowMs();
  CHECK_EQ(p::WindowDispatch(100), 0);
  uint64_t waited = p::NowMs() - start;
  CHECK(waited >= 80 && waited < 5000);

  seen.clear();
  p::Window *window = p::WindowCreateWithProc("BcrWaitWindow", RecordingProc);
  p::Thread *poster = p::ThreadCreate(
      [](void *parameter) {
        p::Sleep(50);
        p::WindowPost(static_cast<p::Window *>(parameter), kTestMessage, 1, 0);
      },
      window);
  start = p::NowMs();
  CHECK_EQ(p::WindowDispatch(8000), 1);
  CHECK(p::NowMs() - start < 6000);
  p::ThreadClose(poster);
  p::WindowDestroy(window);
}

WIN_TEST(WindowDestroyedFromAnotherThreadRunsNoMoreOfItsProcedure) {
  seen.clear();
  p::Window *window = p::WindowCreateWithProc("BcrForeignDestroy", RecordingProc);
  CHECK(p::WindowPost(window, kTestMessage, 1, 0));
  std::atomic<bool> destroyed{false};
  struct Job {
    p::Window *window;
    std::atomic<bool> *destroyed;
  } job{window, &destroyed};
  p::Thread *other = p::ThreadCreate(
      [](void *parameter) {
        Job *j = static_cast<Job *>(parameter);
        *j->destroyed = p::WindowDestroy(j->window);
      },
      &job);
  CHECK(p::ThreadWait(other, 5000) == p::WaitResult::kSignalled);
  p::ThreadClose(other);
  CHECK(destroyed.load());
  for (int i = 0; i < 10 && IsWindow(reinterpret_cast<HWND>(window)); ++i) p::WindowDispatch(50);
  CHECK(seen.empty());
  CHECK(!IsWindow(reinterpret_cast<HWND>(window)));
}

WIN_TEST(NamedEventCarriesThePrefixAndRefusesUnusableNames) {
  SetEnvironmentVariableW(L"BCREADER_EVENT_PREFIX", L"bcrtest-");
  p::Event *event = p::EventOpen("Signal");
  SetEnvironmentVariableW(L"BCREADER_EVENT_PREFIX", nullptr);
  CHECK(event != nullptr);
  HANDLE other = OpenEventW(SYNCHRONIZE, FALSE, L"bcrtest-Signal");
  CHECK(other != nullptr);
  CloseHandle(other);
  p::EventClose(event);
  CHECK(p::EventOpen("") == nullptr);
  CHECK(p::EventOpen("Global\\Signal") == nullptr);
  CHECK(!p::EventSet(nullptr));
}

WIN_TEST(CodePageConversionKeepsUndefinedBytes) {
  CHECK_EQ(GetACP(), 1252u);
  const char text[] =
      "\x80\x81"
      "A";
  CHECK_EQ(p::ConvertToWide(text, -1, nullptr, 0), 4);
  uint16_t wide[8] = {};
  CHECK_EQ(p::ConvertToWide(text, -1, wide, 8), 4);
  CHECK_EQ(wide[0], uint16_t{0x20AC});
  CHECK_EQ(wide[1], uint16_t{0x0081});
  CHECK_EQ(wide[2], uint16_t{'A'});
  CHECK_EQ(wide[3], uint16_t{0});
  CHECK_EQ(p::ConvertToWide(text, -1, wide, 2), 0);
  CHECK_EQ(p::ConvertToWide(text, -2, wide, 8), 0);
  CHECK_EQ(p::ConvertToWide(text, 3, nullptr, 4), 0);
  CHECK_EQ(p::ConvertToWide(nullptr, 3, wide, 8), 0);
}

// The application test sees the lines of a good read; these are the ones it cannot make.
WIN_TEST(RecordSinksWriteOneLinePerCall) {
  std::wstring keys = wintest::TempFile(L"bcr-keyboard.txt");
  std::wstring sound = wintest::TempFile(L"bcr-sound.txt");
  SetEnvironmentVariableW(L"BCREADER_KEYBOARD", (L"record:" + keys).c_str());
  SetEnvironmentVariableW(L"BCREADER_SOUND", (L"record:" + sound).c_str());
  const uint32_t shifts[] = {0x80, 0x80};
  const uint32_t chars[] = {65, static_cast<uint32_t>(-23)};
  p::PostKeybdMessage(0x80, 2, shifts, chars);
  p::PostKeybdMessage(0x80, 2, nullptr, chars);
  CHECK_EQ(wintest::ReadText(keys), std::string("post 128 65,-23 128,128\n"));
  bcr::WString name;
  name.AssignNarrow("\\Windows\\Hwandsw");
  CHECK(p::PlaySoundFile(name, p::kSoundPlayFile));
  p::StopSound();
  CHECK_EQ(wintest::ReadText(sound), std::string("play 139264 \\Windows\\Hwandsw\nstop\n"));
}

WIN_TEST(PortKeepsItsLineAndTimeoutsAndAMissingOneFailsWithTheSystemsError) {
  p::SetLastError(0);
  CHECK(p::PortOpen("COM9:") == nullptr);
  CHECK(p::LastError() != 0u);
  p::Port *port = OpenEnginePort();
  CHECK(port != nullptr);
  if (port == nullptr) return;
  p::LineSettings line;
  line.baudRate = 38400;
  CHECK(p::PortSetLine(port, line));
  p::LineSettings back;
  CHECK(p::PortGetLine(port, &back));
  CHECK_EQ(back.baudRate, 38400u);
  CHECK(back.byteSize == 8 && back.parity == 0 && back.stopBits == 0);
  CHECK(!back.ctsFlow && !back.rtsFlow);
  p::PortClose(port);
}

WIN_TEST(PortReadWaitsAtMostItsTimeout) {
  p::Port *port = OpenEnginePort();
  CHECK(port != nullptr);
  if (port == nullptr) return;
  uint8_t octet = 0xAA;
  uint32_t received = 99;
  uint64_t start = p::NowMs();
  CHECK(p::PortRead(port, &octet, 1, 200, &received));
  uint64_t waited = p::NowMs() - start;
  CHECK_EQ(received, 0u);
  CHECK(waited >= 150 && waited < 4000);
  // A wait of 0: whatever is there, at once.
  start = p::NowMs();
  CHECK(p::PortRead(port, &octet, 1, 0, &received));
  CHECK_EQ(received, 0u);
  CHECK(p::NowMs() - start < 1000);
  p::PortClose(port);
}

WIN_TEST(PortWriteDoesNotWaitBehindAnotherThreadsRead) {
  p::Port *port = OpenEnginePort();
  CHECK(port != nullptr);
  if (port == nullptr) return;
  p::Thread *reader = p::ThreadCreate(
      [](void *parameter) {
        uint8_t octet = 0;
        uint32_t received = 0;
        p::PortRead(static_cast<p::Port *>(parameter), &octet, 1, 3000, &received);
      },
      port);
  p::Sleep(200);
  // A lone zero is the engine's wake byte: it answers nothing.
  const uint8_t wake = 0x00;
  uint32_t written = 0;
  uint64_t start = p::NowMs();
  CHECK(p::PortWrite(port, &wake, 1, 500, &written));
  CHECK_EQ(written, 1u);
  CHECK(p::NowMs() - start < 2000);
  CHECK(p::ThreadWait(reader, 10000) == p::WaitResult::kSignalled);
  p::ThreadClose(reader);
  p::PortClose(port);
}

int main() {
  return wintest::RunAll();
}
