// A small test runner for the Windows test programs, which run under Wine where GoogleTest is not
// built: cases register by name and run in the order of their definition, a failed check reports
// its place and the case goes on, and the program closes with the line "N passed, N failed".
#ifndef BCREADER_TESTS_WINDOWS_CHECK_H
#define BCREADER_TESTS_WINDOWS_CHECK_H

#include <string>
#include <type_traits>

namespace wintest {

using Body = void (*)();

struct Registrar {
  Registrar(const char *name, Body body);
};

void Fail(const char *file, int line, const std::string &what);
// Runs every case; 0 when all passed.
int RunAll();

// A file of that name in the temporary folder, removed if it was there.
std::wstring TempFile(const wchar_t *name);
// The whole content of a file; empty when it cannot be read.
std::string ReadText(const std::wstring &path);

template <typename T>
std::string Show(const T &value) {
  if constexpr (std::is_same_v<T, std::string>) {
    return "\"" + value + "\"";
  } else if constexpr (std::is_convertible_v<T, const char *>) {
    return value == nullptr ? "null" : "\"" + std::string(value) + "\"";
  } else if constexpr (std::is_enum_v<T>) {
    return std::to_string(static_cast<long long>(value));
  } else if constexpr (std::is_pointer_v<T>) {
    return value == nullptr ? "null" : "pointer";
  } else {
    return std::to_string(value);
  }
}

}  // namespace wintest

#define WIN_TEST(name)                                          \
  static void name();                                           \
  static const wintest::Registrar name##Registrar(#name, name); \
  static void name()

#define CHECK(condition)                                             \
  do {                                                               \
    if (!(condition)) wintest::Fail(__FILE__, __LINE__, #condition); \
  } while (0)

#define CHECK_EQ(actual, expected)                                                                \
  do {                                                                                            \
    auto checkActual = (actual);                                                                  \
    auto checkExpected = (expected);                                                              \
    if (!(checkActual == checkExpected)) {                                                        \
      wintest::Fail(__FILE__, __LINE__,                                                           \
                    std::string(#actual " == " #expected ": got ") + wintest::Show(checkActual) + \
                        ", want " + wintest::Show(checkExpected));                                \
    }                                                                                             \
  } while (0)

#endif  // BCREADER_TESTS_WINDOWS_CHECK_H
