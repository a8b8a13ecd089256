#include "check.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace wintest {

namespace {

struct Case {
  const char *name;
  Body body;
};

std::vector<Case> &Cases() {
  static std::vector<Case> cases;
  return cases;
}

bool currentFailed = false;

}  // namespace

Registrar::Registrar(const char *name, Body body) {
  Cases().push_back({name, body});
}

void Fail(const char *file, int line, const std::string &what) {
  currentFailed = true;
  std::printf("%s:%d: check failed: %s\n", file, line, what.c_str());
  std::fflush(stdout);
}

int RunAll() {
  int passed = 0;
  int failed = 0;
  for (const Case &test : Cases()) {
    std::printf("[ RUN      ] %s\n", test.name);
    std::fflush(stdout);
    currentFailed = false;
    test.body();
    std::printf("%s %s\n", currentFailed ? "[  FAILED  ]" : "[       OK ]", test.name);
    std::fflush(stdout);
    (currentFailed ? failed : passed) += 1;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 ? 0 : 1;
}

std::wstring TempFile(const wchar_t *name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + name;
  DeleteFileW(path.c_str());
  return path;
}

std::string ReadText(const std::wstring &path) {
  std::string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

}  // namespace wintest
