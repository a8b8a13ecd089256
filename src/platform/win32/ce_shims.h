// The calls of the terminal's system (Windows CE) that desktop Windows lacks or gives another
// meaning. A build for the terminal defines _WIN32_WCE and uses the system's own calls; every
// other build gets a desktop equivalent of the same name and contract here, so the platform files
// are written once, in the terminal's terms.
#ifndef BCREADER_PLATFORM_WIN32_CE_SHIMS_H
#define BCREADER_PLATFORM_WIN32_CE_SHIMS_H

#include <windows.h>

#ifdef _WIN32_WCE

// windows.h of the terminal declares EventModify, GetProcAddressW and PostKeybdMessage.

namespace bcr::platform {

// The terminal's keybd_event flags are its own: 4 is a key without the click.
inline DWORD KeybdEventFlags(DWORD terminalFlags) {
  return terminalFlags;
}

}  // namespace bcr::platform

#else

// EventModify actions.
#ifndef EVENT_PULSE
#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3
#endif

// Sets, resets or pulses an event, as the terminal's EventModify does.
inline BOOL EventModify(HANDLE event, DWORD action) {
  switch (action) {
    case EVENT_SET:
      return SetEvent(event);
    case EVENT_RESET:
      return ResetEvent(event);
    case EVENT_PULSE:
      return PulseEvent(event);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

// The terminal looks entries up by a 16-bit name; desktop Windows by a narrow one. Entry names
// are ASCII.
FARPROC GetProcAddressW(HMODULE module, const wchar_t *name);

// Types count characters into the window with the keyboard focus (window must be the focus
// window's stand-in, (HWND)-1), as the terminal's keyboard driver does with a posted run of
// characters: each character is pressed and released as a Unicode key. Characters are the
// terminal's 32-bit values; one that is no UTF-16 character (negative, above U+10FFFF) is
// skipped. virtualKey and the key-state words have no desktop counterpart and are not used.
BOOL PostKeybdMessage(HWND window, UINT virtualKey, UINT keyStateFlags, UINT count,
                      UINT *shiftStates, UINT *characters);

namespace bcr::platform {

// Desktop flags for the terminal's keybd_event flags: the key-up flag is the same, the terminal's
// "no click" flag (4) is KEYEVENTF_UNICODE on the desktop and is dropped.
inline DWORD KeybdEventFlags(DWORD terminalFlags) {
  return terminalFlags & KEYEVENTF_KEYUP;
}

}  // namespace bcr::platform

#endif  // _WIN32_WCE

namespace bcr::platform {

// The DWORD write of the terminal's shell library (its ordinal 335): creates root\subkey as
// needed and stores value as a REG_DWORD. ERROR_SUCCESS or the registry's error code.
LONG ShellWriteDword(HKEY root, const wchar_t *subkey, const wchar_t *value, DWORD data);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_WIN32_CE_SHIMS_H
