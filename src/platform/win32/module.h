// The module that holds the library's code: its windows and window class belong to it.
#ifndef BCREADER_PLATFORM_WIN32_MODULE_H
#define BCREADER_PLATFORM_WIN32_MODULE_H

#include <windows.h>

namespace bcr::platform {

// Set by the DLL's entry point at process attach.
void SetOwnModule(HMODULE module);

// The DLL once its entry point has run; the program when the code is linked into it.
HMODULE OwnModule();

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_WIN32_MODULE_H
