#include "config/two_d_options.h"

#include "config/handlers.h"
#include "config/option_function.h"
#include "link/engine_link.h"

namespace bcr {

namespace {

// The engine's value for escape characters in the GLI protocol.
constexpr int32_t kEscapeGli = 2;

}  // namespace

int32_t PostalCodeOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                          int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8) {
  return RunOptionFunction(reader, kImager4507, PostalCodeParam(), mode,
                           {a1, a2, a3, a4, a5, a6, a7, a8}, {a1, a2, a3, a4, a5, a6, a7, a8});
}

int32_t CompositeOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                         int32_t *a4, int32_t *a5, int32_t *a6) {
  return RunOptionFunction(reader, kImager4507, CompositeParam(), mode, {a1, a2, a3, a4, a5, a6},
                           {a1, a2, a3, a4, a5, a6});
}

int32_t SymbologySecurityLevelOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                                      int32_t *a3) {
  return RunOptionFunction(reader, kImager4507, SymbologySecurityLevelParam(), mode, {a1, a2, a3},
                           {a1, a2, a3});
}

int32_t MacroPDFOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  int32_t check = CheckOptionCall(reader, kImager4507, {a1, a2, a3});
  if (check != 1) return check;
  if (mode == kModeWrite) {
    int32_t gli = kEscapeGli;
    int32_t *escape = a3 != nullptr && *a3 != 0 ? &gli : a3;
    return CallHandler(MacroPDFParam(), reader, mode, {a1, a2, escape});
  }
  if (mode != kModeRead) return 0;
  int32_t result = CallHandler(MacroPDFParam(), reader, mode, {a1, a2, a3});
  if (a3 != nullptr && *a3 != 0) *a3 = 1;
  return result;
}

int32_t Matrix2Of5Options(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                          int32_t *a4, int32_t *a5, int32_t *a6) {
  return RunOptionFunction(reader, kImager4507, Matrix2Of5Param(), mode, {a1, a2, a3, a4, a5, a6},
                           {a1, a2, a3, a4, a5, a6});
}

int32_t SymbologiesOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                           int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                           int32_t *a9, int32_t *a10, int32_t *a11, int32_t *a12) {
  return RunOptionFunction(reader, kImager4507, SymbologiesParam(), mode,
                           {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12},
                           {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12});
}

}  // namespace bcr
