#include "api/export.h"
#include "api/guard.h"
#include "bcreader.h"
#include "config/option_catalog.h"
#include "config/option_function.h"
#include "config/reset.h"
#include "reader/globals.h"
#include "state/library_state.h"

using bcr::TheReader;
using bcr::catalog::FunctionIndex;

namespace {

// Every exported option function hands its pointers to the runner with the catalog's row of its
// name; the row is found, and its pointer count checked against the function's, when compiling.
template <size_t Row, size_t N>
int32_t Run(int32_t mode, int32_t *const (&args)[N]) {
  static_assert(Row < bcr::catalog::kFunctionSlots, "the catalog has no row of that name");
  static_assert(bcr::catalog::FunctionAt(Row).argCount == N, "the row's pointers differ");
  return bcr::api::Guard([&] {
    return bcr::RunOptionFunction(TheReader(), bcr::catalog::FunctionAt(Row), mode, args, N);
  });
}

}  // namespace

BCR_EXPORT int32_t Code39_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                   int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                                   int32_t *a9) {
  return Run<FunctionIndex("Code39_1D_SE955")>(mode, {a1, a2, a3, a4, a5, a6, a7, a8, a9});
}

BCR_EXPORT int32_t Code39_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                  int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9) {
  return Run<FunctionIndex("Code39_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6, a7, a8, a9});
}

BCR_EXPORT int32_t Upc_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9,
                                int32_t *a10, int32_t *a11, int32_t *a12, int32_t *a13,
                                int32_t *a14, int32_t *a15) {
  return Run<FunctionIndex("Upc_1D_SE955")>(
      mode, {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15});
}

BCR_EXPORT int32_t Upc_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                               int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9,
                               int32_t *a10, int32_t *a11, int32_t *a12, int32_t *a13,
                               int32_t *a14) {
  return Run<FunctionIndex("Upc_2D_4507")>(
      mode, {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14});
}

BCR_EXPORT int32_t EanJan_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                   int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8) {
  return Run<FunctionIndex("EanJan_1D_SE955")>(mode, {a1, a2, a3, a4, a5, a6, a7, a8});
}

BCR_EXPORT int32_t EanJan_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                  int32_t *a5, int32_t *a6, int32_t *a7) {
  return Run<FunctionIndex("EanJan_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6, a7});
}

BCR_EXPORT int32_t Code128_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("Code128_1D_SE955")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t Code128_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                   int32_t *a5) {
  return Run<FunctionIndex("Code128_2D_4507")>(mode, {a1, a2, a3, a4, a5});
}

BCR_EXPORT int32_t Code93_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("Code93_1D_SE955")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t Code93_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("Code93_2D_4507")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t Code11_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                   int32_t *a5) {
  return Run<FunctionIndex("Code11_1D_SE955")>(mode, {a1, a2, a3, a4, a5});
}

BCR_EXPORT int32_t Code11_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                  int32_t *a5) {
  return Run<FunctionIndex("Code11_2D_4507")>(mode, {a1, a2, a3, a4, a5});
}

BCR_EXPORT int32_t Interleaved2Of5_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                            int32_t *a4, int32_t *a5, int32_t *a6) {
  return Run<FunctionIndex("Interleaved2Of5_1D_SE955")>(mode, {a1, a2, a3, a4, a5, a6});
}

BCR_EXPORT int32_t Interleaved2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                           int32_t *a4, int32_t *a5, int32_t *a6) {
  return Run<FunctionIndex("Interleaved2Of5_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6});
}

BCR_EXPORT int32_t Industrial2Of5_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("Industrial2Of5_1D_SE955")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t Industrial2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("Industrial2Of5_2D_4507")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t Codabar_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                    int32_t *a4, int32_t *a5) {
  return Run<FunctionIndex("Codabar_1D_SE955")>(mode, {a1, a2, a3, a4, a5});
}

BCR_EXPORT int32_t Codabar_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                   int32_t *a5) {
  return Run<FunctionIndex("Codabar_2D_4507")>(mode, {a1, a2, a3, a4, a5});
}

BCR_EXPORT int32_t Msi_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                int32_t *a5, int32_t *a6) {
  return Run<FunctionIndex("Msi_1D_SE955")>(mode, {a1, a2, a3, a4, a5, a6});
}

BCR_EXPORT int32_t Msi_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                               int32_t *a5, int32_t *a6) {
  return Run<FunctionIndex("Msi_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6});
}

BCR_EXPORT int32_t Rss_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4) {
  return Run<FunctionIndex("GS1_DataBar_1D_SE955")>(mode, {a1, a2, a3, a4});
}

BCR_EXPORT int32_t Rss_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4) {
  return Run<FunctionIndex("GS1_DataBar_2D_4507")>(mode, {a1, a2, a3, a4});
}

// The newer names of the GS1 DataBar functions are the same entries, not wrappers. GCC wants the
// alias to repeat that its target throws nothing; Clang takes that for a second, different
// promise about exceptions than the header's and refuses the declaration.
#if defined(__clang__)
#define BCR_ALIAS_OF(target) __attribute__((alias(target)))
#else
#define BCR_ALIAS_OF(target) __attribute__((nothrow, alias(target)))
#endif
BCR_EXPORT int32_t GS1_DataBar_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                        int32_t *a4) BCR_ALIAS_OF("Rss_1D_SE955");
BCR_EXPORT int32_t GS1_DataBar_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                       int32_t *a4) BCR_ALIAS_OF("Rss_2D_4507");
#undef BCR_ALIAS_OF
BCR_EXPORT int32_t Chinese2Of5_1D_SE955(int32_t mode, int32_t *a1) {
  return Run<FunctionIndex("Chinese2Of5_1D_SE955")>(mode, {a1});
}

BCR_EXPORT int32_t Chinese2Of5_2D_4507(int32_t mode, int32_t *a1) {
  return Run<FunctionIndex("Chinese2Of5_2D_4507")>(mode, {a1});
}

BCR_EXPORT int32_t PostalCode_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                      int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7,
                                      int32_t *a8) {
  return Run<FunctionIndex("PostalCode_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6, a7, a8});
}

BCR_EXPORT int32_t Composite_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                     int32_t *a4, int32_t *a5, int32_t *a6) {
  return Run<FunctionIndex("Composite_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6});
}

BCR_EXPORT int32_t SymbologySecurityLevel_2D_4507(int32_t mode, int32_t *a1, int32_t *a2,
                                                  int32_t *a3) {
  return Run<FunctionIndex("SymbologySecurityLevel_2D_4507")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t MacroPDF_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("MacroPDF_2D_4507")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t Matrix2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                      int32_t *a4, int32_t *a5, int32_t *a6) {
  return Run<FunctionIndex("Matrix2Of5_2D_4507")>(mode, {a1, a2, a3, a4, a5, a6});
}

BCR_EXPORT int32_t Symbologies_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                       int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7,
                                       int32_t *a8, int32_t *a9, int32_t *a10, int32_t *a11,
                                       int32_t *a12) {
  return Run<FunctionIndex("Symbologies_2D_4507")>(
      mode, {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12});
}

BCR_EXPORT int32_t UserPreferences_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                                            int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7) {
  return Run<FunctionIndex("UserPreferences_1D_SE955")>(mode, {a1, a2, a3, a4, a5, a6, a7});
}

BCR_EXPORT int32_t UserPreferences_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3) {
  return Run<FunctionIndex("UserPreferences_2D_4507")>(mode, {a1, a2, a3});
}

BCR_EXPORT int32_t MiscellaneousOption_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2) {
  return Run<FunctionIndex("MiscellaneousOption_1D_SE955")>(mode, {a1, a2});
}

BCR_EXPORT int32_t MiscellaneousOption_2D_4507(int32_t mode, int32_t *a1, int32_t *a2) {
  return Run<FunctionIndex("MiscellaneousOption_2D_4507")>(mode, {a1, a2});
}

BCR_EXPORT int32_t ResetReaderToDefault(int32_t device) {
  return bcr::api::Guard([&] { return bcr::ResetReader(TheReader(), device); });
}
