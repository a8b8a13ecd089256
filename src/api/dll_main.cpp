// The entry point of bcreader.dll. The process attach is the first use of the library's globals
// and so creates them; the C runtime destroys them after DllMain has handled the process detach,
// which gives the order the library needs.
//
// At process exit the system has ended every other thread before the detach: the worker threads'
// handles are then signalled, so the detach closes them without the quit handshake.
#include <windows.h>

#include "platform/win32/module.h"
#include "reader/lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      bcr::platform::SetOwnModule(module);
      bcr::ProcessAttach(module);
      break;
    case DLL_PROCESS_DETACH:
      bcr::ProcessDetach();
      break;
    default:
      break;
  }
  return TRUE;
}
