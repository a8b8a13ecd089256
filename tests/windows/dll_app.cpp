// An application that loads bcreader.dll under Wine and uses it as a terminal application does:
// "COM2:" is the engine simulator (an SE955), the test system library lies in C:\windows.
//
// The simulator is driven by run.sh, which reads this program's output: a line "@sim <command>"
// passes the command to the simulator and is answered "ok" on standard input; "@record" is
// answered with the simulator's record of received frames, one hex line each, then "end".
//
// With --exit-loaded the program only starts the reader and returns from main with the library
// loaded: the process must still end (the system ends the worker threads before the detach).
#include <windows.h>

// Needs the types of windows.h, which it does not include itself.
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "check.h"

namespace {

HMODULE library = nullptr;

template <typename Function>
Function Entry(const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(library, name)));
}

using NoArguments = int32_t (*)();
using OneArgument = int32_t (*)(int32_t);
using CopyText = int32_t (*)(char *, int32_t);
using ThreeOptions = int32_t (*)(int32_t, int32_t *, int32_t *, int32_t *);

// Every exported function: the library's own, then the option functions in their engines' forms.
std::vector<std::string> Exports() {
  std::vector<std::string> names = {"InitReader",
                                    "InitReaderForNet",
                                    "GetReaderType",
                                    "GetActiveDevice",
                                    "SetActiveDevice",
                                    "GetDllVer",
                                    "GetDecoderVersion",
                                    "ReadBarcodeData",
                                    "GetDecodeData",
                                    "GetDecodeType",
                                    "GetOutputRecord",
                                    "GetOutputRecordWideChar",
                                    "Beeper",
                                    "DataOutputSettings",
                                    "ConvertByteToWideChar",
                                    "ResetReaderToDefault",
                                    "NotificationSettings"};
  for (const char *both :
       {"Code39", "Upc", "EanJan", "Code128", "Code93", "Code11", "Interleaved2Of5",
        "Industrial2Of5", "Codabar", "Msi", "Rss", "GS1_DataBar", "Chinese2Of5", "UserPreferences",
        "MiscellaneousOption"}) {
    names.push_back(std::string(both) + "_1D_SE955");
    names.push_back(std::string(both) + "_2D_4507");
  }
  for (const char *imager : {"PostalCode", "Composite", "SymbologySecurityLevel", "MacroPDF",
                             "Matrix2Of5", "Symbologies"}) {
    names.push_back(std::string(imager) + "_2D_4507");
  }
  return names;
}

// The recording files, in the temporary folder.
std::wstring keyboardFile;
std::wstring soundFile;
std::wstring brevaldFile;

// Worker threads found after InitReader.
std::set<DWORD> workerThreads;

// Waits up to timeoutMs for the file to hold text.
bool FileGets(const std::wstring &path, const std::string &text, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += 50) {
    if (wintest::ReadText(path).find(text) != std::string::npos) return true;
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
}

std::set<DWORD> ProcessThreads() {
  std::set<DWORD> threads;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) threads.insert(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return threads;
}

bool ThreadRuns(DWORD id) {
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
  if (thread == nullptr) return false;
  bool runs = WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
  CloseHandle(thread);
  return runs;
}

// One line from run.sh on standard input, waited for at most 20 s.
std::string ScriptLine() {
  struct Read {
    std::string line;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  };
  // A reader that gets no answer stays blocked with its record, which is then left to it.
  Read *read = new Read;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void *parameter) -> DWORD {
        Read *r = static_cast<Read *>(parameter);
        HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
        char c;
        DWORD got = 0;
        while (ReadFile(in, &c, 1, &got, nullptr) && got == 1 && c != '\n') r->line.push_back(c);
        SetEvent(r->done);
        return 0;
      },
      read, 0, nullptr);
  if (WaitForSingleObject(read->done, 20000) != WAIT_OBJECT_0) return std::string();
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(read->done);
  std::string line = read->line;
  delete read;
  return line;
}

bool Simulator(const std::string &command) {
  std::printf("@sim %s\n", command.c_str());
  std::fflush(stdout);
  return ScriptLine() == "ok";
}

std::vector<std::string> SimulatorRecord() {
  std::printf("@record\n");
  std::fflush(stdout);
  std::vector<std::string> frames;
  for (std::string line = ScriptLine(); !line.empty() && line != "end"; line = ScriptLine()) {
    frames.push_back(line);
  }
  return frames;
}

// The application's own top-level window, which the library's broadcasts reach.
UINT decodeDataMessage = 0;
WPARAM decodeDataParam = 0;
int decodeDataCount = 0;

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == decodeDataMessage && decodeDataMessage != 0) {
    decodeDataParam = wParam;
    ++decodeDataCount;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND ApplicationWindow() {
  static HWND window = nullptr;
  if (window != nullptr) return window;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ApplicationProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"BcrApplication";
  RegisterClassW(&windowClass);
  window = CreateWindowExW(0, L"BcrApplication", L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  return window;
}

// Runs the thread's messages (the library's window procedure among them) until count broadcasts
// have arrived or timeoutMs has passed.
bool PumpUntilBroadcasts(int count, DWORD timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (decodeDataCount < count) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return true;
}

void Load() {
  library = LoadLibraryW(L"bcreader.dll");
}

void ConfigureEnvironment() {
  keyboardFile = wintest::TempFile(L"bcr-app-keyboard.txt");
  soundFile = wintest::TempFile(L"bcr-app-sound.txt");
  brevaldFile = wintest::TempFile(L"bcr-app-brevald.txt");
  SetEnvironmentVariableW(L"BCREADER_ENGINE_KIND", L"1");
  SetEnvironmentVariableW(L"BCREADER_KEYBOARD", (L"record:" + keyboardFile).c_str());
  SetEnvironmentVariableW(L"BCREADER_SOUND", (L"record:" + soundFile).c_str());
  SetEnvironmentVariableW(L"BREVALD_RECORD", brevaldFile.c_str());
}

}  // namespace

WIN_TEST(DllExportsEveryFunctionByName) {
  Load();
  CHECK(library != nullptr);
  if (library == nullptr) return;
  const std::vector<std::string> names = Exports();
  CHECK_EQ(names.size(), size_t{53});
  for (const std::string &name : names) {
    if (GetProcAddress(library, name.c_str()) == nullptr) wintest::Fail(__FILE__, __LINE__, name);
  }
  CHECK(GetProcAddress(library, "GS1_DataBar_1D_SE955") == GetProcAddress(library, "Rss_1D_SE955"));
  CHECK(GetProcAddress(library, "GS1_DataBar_2D_4507") == GetProcAddress(library, "Rss_2D_4507"));
  CHECK(GetProcAddress(library, "ProcessAttach") == nullptr);
}

WIN_TEST(InitReaderOpensTheEngineOnCom2) {
  std::set<DWORD> before = ProcessThreads();
  CHECK_EQ(Entry<NoArguments>("InitReader")(), 1);
  CHECK_EQ(Entry<NoArguments>("GetReaderType")(), 128);
  CHECK_EQ(Entry<NoArguments>("GetActiveDevice")(), 7);
  CHECK(FindWindowW(L"Quenrix", nullptr) != nullptr);
  for (DWORD id : ProcessThreads()) {
    if (before.count(id) == 0) workerThreads.insert(id);
  }
  // Decode, auto-trigger, vibrator, LED and sound workers.
  CHECK(workerThreads.size() >= 5);
  CHECK(FileGets(brevaldFile, "GetSysInfo", 0));
}

WIN_TEST(SetActiveDeviceKeepsTheRegistryValue) {
  auto setActive = Entry<OneArgument>("SetActiveDevice");
  auto registryValue = [] {
    DWORD value = 99;
    DWORD size = sizeof value;
    RegGetValueW(HKEY_LOCAL_MACHINE, L"Drivers\\BuiltIn\\SerialBarcode", L"BarcodeUnderUsing",
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
  };
  CHECK_EQ(setActive(0), 1);
  CHECK_EQ(registryValue(), DWORD{0});
  CHECK_EQ(Entry<NoArguments>("GetActiveDevice")(), 0);
  CHECK_EQ(setActive(1), 0);
  CHECK_EQ(setActive(255), 1);
  CHECK_EQ(registryValue(), DWORD{1});
  CHECK_EQ(Entry<NoArguments>("GetActiveDevice")(), 7);
}

WIN_TEST(TriggerPressDeliversTheDecodeByBroadcastAndEvent) {
  decodeDataMessage = RegisterWindowMessageW(L"WM_DECODEDATA");
  CHECK(ApplicationWindow() != nullptr);
  HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, L"DecodeEventBC");
  CHECK(event != nullptr);
  // Keyboard output as characters; the LED lit 400 ms and the vibrator run 500 ms per decode.
  int32_t keyboard = 1;
  CHECK_EQ(Entry<int32_t (*)(int32_t, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, char *,
                             int32_t, char *, int32_t)>("DataOutputSettings")(
               'w', &keyboard, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0),
           1);
  int32_t vibrate = 1, units = 1, led = 100;
  CHECK_EQ(Entry<int32_t (*)(int32_t, int32_t *, int32_t *, int32_t *, int32_t *)>(
               "NotificationSettings")('w', nullptr, &vibrate, &units, &led),
           1);

  HWND reader = FindWindowW(L"Quenrix", nullptr);
  CHECK(PostMessageW(reader, RegisterWindowMessageW(L"WM_USER1DOWN"), 0, 0));
  // The press's reception starts when its message is dispatched; a scan before then is stale.
  PumpUntilBroadcasts(1, 100);
  CHECK(Simulator("decode 01 WINE-1234"));
  CHECK(PumpUntilBroadcasts(1, 10000));
  CHECK_EQ(decodeDataParam, WPARAM{7});
  char data[64] = {};
  CHECK_EQ(Entry<CopyText>("GetDecodeData")(data, sizeof data), 9);
  CHECK_EQ(std::string(data), std::string("WINE-1234"));
  CHECK_EQ(Entry<NoArguments>("GetDecodeType")(), 65);
  if (event != nullptr) {
    CHECK_EQ(WaitForSingleObject(event, 0), DWORD{WAIT_OBJECT_0});
    CHECK_EQ(WaitForSingleObject(event, 0), DWORD{WAIT_TIMEOUT});
    CloseHandle(event);
  }
}

WIN_TEST(GoodReadIsSignalledAndTyped) {
  // Characters posted as one run, the terminator CR as a key press and release.
  CHECK(FileGets(keyboardFile,
                 "post 128 87,73,78,69,45,49,50,51,52 128,128,128,128,128,128,128,128,128\n"
                 "keybd_event 13 0 0\nkeybd_event 13 0 2\n",
                 0));
  CHECK(FileGets(soundFile, "play 139264 \\Windows\\Hwandsw\n", 5000));
  CHECK(FileGets(brevaldFile, "SetLEDLight 1 1\n", 5000));
  CHECK(FileGets(brevaldFile, "SetLEDLight 1 0\n", 5000));
  CHECK(FileGets(brevaldFile, "SetVibratorPower 1\n", 5000));
  CHECK(FileGets(brevaldFile, "SetVibratorPower 0\n", 5000));
}

WIN_TEST(ReadBarcodeDataReadsOnTheCallersThread) {
  CHECK(Simulator("trigger 03 SYNC-42"));
  uint32_t codeType = 0;
  char data[64] = {};
  auto read = Entry<int32_t (*)(uint32_t *, char *, int32_t)>("ReadBarcodeData");
  CHECK_EQ(read(&codeType, data, sizeof data), 7);
  CHECK_EQ(std::string(data), std::string("SYNC-42"));
  CHECK_EQ(codeType, 73u);
  // The read posts its decode to the library's window like a triggered one.
  CHECK(PumpUntilBroadcasts(2, 10000));
}

WIN_TEST(OptionWriteReachesTheEngine) {
  int32_t enable = 1, minimum = 4, maximum = 55;
  CHECK_EQ(Entry<ThreeOptions>("Code93_1D_SE955")('w', &enable, &minimum, &maximum), 1);
  std::vector<std::string> frames = SimulatorRecord();
  bool sent = false;
  for (const std::string &frame : frames)
    sent = sent || frame == "0B C6 04 08 FF 09 01 1A 04 1B 37 FD AA";
  CHECK(sent);
}

WIN_TEST(FreeLibraryEndsTheThreadsAndRemovesTheWindow) {
  // A detach that hangs must not hang the test: the watchdog ends the process.
  HANDLE watchdog = CreateThread(
      nullptr, 0,
      [](void *) -> DWORD {
        Sleep(20000);
        std::printf("FreeLibrary did not return\n");
        std::fflush(stdout);
        ExitProcess(3);
      },
      nullptr, 0, nullptr);
  CHECK(FreeLibrary(library));
  library = nullptr;
  TerminateThread(watchdog, 0);
  CloseHandle(watchdog);
  // Up to 10 s: a loaded machine lets the ended threads go late.
  bool anyRuns = true;
  for (int i = 0; i < 200 && anyRuns; ++i) {
    anyRuns = false;
    for (DWORD id : workerThreads) anyRuns = anyRuns || ThreadRuns(id);
    if (anyRuns) Sleep(50);
  }
  CHECK(!anyRuns);
  CHECK(FindWindowW(L"Quenrix", nullptr) == nullptr);
  CHECK(GetModuleHandleW(L"bcreader.dll") == nullptr);
}

WIN_TEST(LibraryUnloadedByAnotherThreadStartsAgain) {
  Load();
  CHECK(library != nullptr);
  if (library == nullptr) return;
  CHECK_EQ(Entry<NoArguments>("GetReaderType")(), 0);
  CHECK_EQ(Entry<NoArguments>("InitReader")(), 1);
  // The window belongs to this thread; another thread unloads the library.
  HANDLE unloader = CreateThread(
      nullptr, 0, [](void *) -> DWORD { return FreeLibrary(library) ? 0 : 1; }, nullptr, 0,
      nullptr);
  CHECK_EQ(WaitForSingleObject(unloader, 20000), DWORD{WAIT_OBJECT_0});
  DWORD unloaded = 1;
  GetExitCodeThread(unloader, &unloaded);
  CloseHandle(unloader);
  CHECK_EQ(unloaded, DWORD{0});
  library = nullptr;
  // The window closes when this thread next runs its messages.
  for (int i = 0; i < 40 && FindWindowW(L"Quenrix", nullptr) != nullptr; ++i) {
    PumpUntilBroadcasts(decodeDataCount + 1, 50);
  }
  CHECK(FindWindowW(L"Quenrix", nullptr) == nullptr);

  Load();
  CHECK(library != nullptr);
  if (library == nullptr) return;
  CHECK_EQ(Entry<NoArguments>("InitReader")(), 1);
  CHECK(PostMessageW(FindWindowW(L"Quenrix", nullptr), RegisterWindowMessageW(L"WM_USER1DOWN"), 0,
                     0));
  PumpUntilBroadcasts(decodeDataCount + 1, 100);
  CHECK(Simulator("decode 01 AGAIN-1"));
  CHECK(PumpUntilBroadcasts(decodeDataCount + 1, 10000));
  char data[64] = {};
  CHECK_EQ(Entry<CopyText>("GetDecodeData")(data, sizeof data), 7);
  CHECK_EQ(std::string(data), std::string("AGAIN-1"));
  CHECK(FreeLibrary(library));
  library = nullptr;
}

WIN_TEST(WindowKeptByInitReaderForNetOutlivesTheLibrary) {
  const UINT press = RegisterWindowMessageW(L"WM_USER1DOWN");
  Load();
  CHECK_EQ(Entry<NoArguments>("InitReaderForNet")(), 1);
  HWND kept = FindWindowW(L"Quenrix", nullptr);
  CHECK(FreeLibrary(library));
  library = nullptr;
  CHECK(IsWindow(kept));
  // The kept window runs nothing of the unloaded library: a broadcast to it is harmless.
  CHECK(PostMessageW(HWND_BROADCAST, press, 0, 0));
  PumpUntilBroadcasts(decodeDataCount + 1, 200);
  // A new load makes a reader window of its own beside the kept one, and reads with it.
  Load();
  CHECK_EQ(Entry<NoArguments>("InitReader")(), 1);
  CHECK(PostMessageW(HWND_BROADCAST, press, 0, 0));
  PumpUntilBroadcasts(decodeDataCount + 1, 100);
  CHECK(Simulator("decode 01 KEPT-1"));
  CHECK(PumpUntilBroadcasts(decodeDataCount + 1, 10000));
  char data[64] = {};
  CHECK_EQ(Entry<CopyText>("GetDecodeData")(data, sizeof data), 6);
  CHECK(FreeLibrary(library));
  library = nullptr;
  CHECK(DestroyWindow(kept));
}

int main(int argc, char **argv) {
  ConfigureEnvironment();
  if (argc > 1 && std::strcmp(argv[1], "--exit-loaded") == 0) {
    Load();
    int32_t result = library != nullptr ? Entry<NoArguments>("InitReader")() : 0;
    std::printf("InitReader %d\n", result);
    return result == 1 ? 0 : 1;
  }
  return wintest::RunAll();
}
