// Text helpers of the Windows platform layer: the library's narrow names as the system's 16-bit
// text, and the environment read through the system (not through the C runtime's copy, which
// does not see changes made with SetEnvironmentVariableW).
#ifndef BCREADER_PLATFORM_WIN32_TEXT_H
#define BCREADER_PLATFORM_WIN32_TEXT_H

#include <string>

namespace bcr::platform {

// The bytes of text in the system code page as 16-bit text, as the system's narrow calls read
// them. Null gives "".
std::wstring Widen(const char *text);

// The value of the environment variable, "" when it is unset.
std::wstring EnvironmentText(const wchar_t *name);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_WIN32_TEXT_H
