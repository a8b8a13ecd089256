// The C boundary of the message system (include/bcreader_posix.h): converts handles and
// results; no exception crosses it.
#include "bcreader_posix.h"

#include "api/export.h"
#include "platform/window.h"

namespace {

bcr::platform::Window *ToWindow(BcrWindow window) {
  return reinterpret_cast<bcr::platform::Window *>(window);
}

BcrWindow FromWindow(bcr::platform::Window *window) {
  return reinterpret_cast<BcrWindow>(window);
}

}  // namespace

BCR_EXPORT uint32_t BcrRegisterWindowMessage(const char *name) {
  try {
    return bcr::platform::WindowMessageRegister(name);
  } catch (...) {
    return 0;
  }
}

BCR_EXPORT BcrWindow BcrCreateWindow(const char *className, BcrWindowProc proc) {
  try {
    // Same signature apart from the handle type, which is the same pointer.
    auto windowProc = reinterpret_cast<bcr::platform::WindowProc>(proc);
    return FromWindow(bcr::platform::WindowCreateWithProc(className, windowProc));
  } catch (...) {
    return nullptr;
  }
}

BCR_EXPORT int BcrDestroyWindow(BcrWindow w) {
  try {
    return bcr::platform::WindowDestroy(ToWindow(w)) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

BCR_EXPORT BcrWindow BcrFindWindow(const char *className) {
  try {
    return FromWindow(bcr::platform::WindowFind(className));
  } catch (...) {
    return nullptr;
  }
}

BCR_EXPORT int BcrPostMessage(BcrWindow w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  try {
    return bcr::platform::WindowPost(ToWindow(w), msg, wParam, lParam) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

BCR_EXPORT int BcrDispatchMessages(int timeoutMs) {
  try {
    return bcr::platform::WindowDispatch(timeoutMs);
  } catch (...) {
    return 0;
  }
}
