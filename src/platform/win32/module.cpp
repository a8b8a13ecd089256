#include "platform/win32/module.h"

#include <atomic>

namespace bcr::platform {

namespace {

std::atomic<HMODULE> ownModule{nullptr};

}  // namespace

void SetOwnModule(HMODULE module) {
  ownModule = module;
}

HMODULE OwnModule() {
  HMODULE module = ownModule;
  return module != nullptr ? module : GetModuleHandleW(nullptr);
}

}  // namespace bcr::platform
