// The one runner of the exported option functions: each hands its pointers and its row of the
// option catalog here. Nothing asked for gives 0, an engine other than the function's own gives
// -253, otherwise the handler the row names decides, with each pointer passed on as the handler
// argument the row gives it.
#ifndef BCREADER_CONFIG_OPTION_FUNCTION_H
#define BCREADER_CONFIG_OPTION_FUNCTION_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "config/option_catalog.h"

namespace bcr {

class ScanEngine;

// Runs function with its count pointers, in the function's argument order. 1 done, 0 when every
// pointer is null, count is not the row's or the handler failed, -253 when another engine (or
// none) is fitted.
int32_t RunOptionFunction(ScanEngine &reader, const catalog::OptionFunction &function, int32_t mode,
                          int32_t *const *args, size_t count);
int32_t RunOptionFunction(ScanEngine &reader, const catalog::OptionFunction &function, int32_t mode,
                          std::initializer_list<int32_t *> args);

// The first two rules alone: 1 when the handler may be called.
int32_t CheckOptionCall(const ScanEngine &reader, int32_t ownEngine,
                        std::initializer_list<int32_t *> given);

}  // namespace bcr

#endif  // BCREADER_CONFIG_OPTION_FUNCTION_H
