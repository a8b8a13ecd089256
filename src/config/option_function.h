// The rules every exported option function applies before its handler: nothing asked for gives
// 0, an engine other than the function's own gives -253, otherwise the handler decides.
#ifndef BCREADER_CONFIG_OPTION_FUNCTION_H
#define BCREADER_CONFIG_OPTION_FUNCTION_H

#include <cstdint>
#include <initializer_list>

#include "config/param_handler.h"

namespace bcr {

// 0 when every pointer of given (all the function's option arguments) is null; -253 when the
// fitted engine is not ownEngine (no engine included); else the handler's result with the
// pointers of passed, one per handler argument.
int32_t RunOptionFunction(ScanEngine &reader, int32_t ownEngine, const ParamHandler &handler,
                          int32_t mode, std::initializer_list<int32_t *> given,
                          std::initializer_list<int32_t *> passed);

// The first two rules alone: 1 when the handler may be called.
int32_t CheckOptionCall(const ScanEngine &reader, int32_t ownEngine,
                        std::initializer_list<int32_t *> given);

}  // namespace bcr

#endif  // BCREADER_CONFIG_OPTION_FUNCTION_H
