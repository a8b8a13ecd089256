#include "config/linear_options.h"

#include "config/handlers.h"
#include "config/option_function.h"
#include "link/engine_link.h"

namespace bcr {

int32_t Code39Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                      int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                      int32_t *a9) {
  return RunOptionFunction(reader, ownEngine, Code39Param(), mode,
                           {a1, a2, a3, a4, a5, a6, a7, a8, a9},
                           {a1, a2, a3, a4, a5, a6, a7, a8, a9});
}

int32_t UpcOptionsSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                        int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                        int32_t *a9, int32_t *a10, int32_t *a11, int32_t *a12, int32_t *a13,
                        int32_t *a14, int32_t *a15) {
  return RunOptionFunction(
      reader, kEngineSE955, UpcParam(), mode,
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15},
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, nullptr, a15});
}

int32_t UpcOptions4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                       int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9,
                       int32_t *a10, int32_t *a11, int32_t *a12, int32_t *a13, int32_t *a14) {
  return RunOptionFunction(
      reader, kImager4507, UpcParam(), mode,
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14},
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, nullptr, nullptr});
}

int32_t EanJanOptionsSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                           int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8) {
  return RunOptionFunction(reader, kEngineSE955, EanJanParam(), mode,
                           {a1, a2, a3, a4, a5, a6, a7, a8},
                           {a1, a2, a3, a4, a5, a6, a7, nullptr, a8});
}

int32_t EanJanOptions4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                          int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7) {
  return RunOptionFunction(reader, kImager4507, EanJanParam(), mode, {a1, a2, a3, a4, a5, a6, a7},
                           {a1, a2, a3, a4, a5, a6, a7, nullptr, nullptr});
}

int32_t Code128OptionsSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                            int32_t *a3) {
  return RunOptionFunction(reader, kEngineSE955, Code128Param(), mode, {a1, a2, a3},
                           {a1, a2, a3, nullptr, nullptr});
}

int32_t Code128Options4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                           int32_t *a4, int32_t *a5) {
  return RunOptionFunction(reader, kImager4507, Code128Param(), mode, {a1, a2, a3, a4, a5},
                           {a1, a2, a3, a4, a5});
}

int32_t Code93Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                      int32_t *a3) {
  return RunOptionFunction(reader, ownEngine, Code93Param(), mode, {a1, a2, a3}, {a1, a2, a3});
}

int32_t Code11Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                      int32_t *a3, int32_t *a4, int32_t *a5) {
  return RunOptionFunction(reader, ownEngine, Code11Param(), mode, {a1, a2, a3, a4, a5},
                           {a1, a2, a3, a4, a5});
}

int32_t Interleaved2Of5Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1,
                               int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6) {
  return RunOptionFunction(reader, ownEngine, Interleaved2Of5Param(), mode,
                           {a1, a2, a3, a4, a5, a6}, {a1, a2, a3, a4, a5, a6});
}

int32_t Industrial2Of5Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1,
                              int32_t *a2, int32_t *a3) {
  return RunOptionFunction(reader, ownEngine, Industrial2Of5Param(), mode, {a1, a2, a3},
                           {a1, a2, a3});
}

int32_t CodabarOptions(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1,
                       int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5) {
  return RunOptionFunction(reader, ownEngine, CodabarParam(), mode, {a1, a2, a3, a4, a5},
                           {a1, a2, a3, a4, a5});
}

int32_t MsiOptions(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                   int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6) {
  return RunOptionFunction(reader, ownEngine, MsiParam(), mode, {a1, a2, a3, a4, a5, a6},
                           {a1, a2, a3, a4, a5, a6});
}

int32_t RssOptions(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                   int32_t *a3, int32_t *a4) {
  return RunOptionFunction(reader, ownEngine, RssParam(), mode, {a1, a2, a3, a4}, {a1, a2, a3, a4});
}

int32_t Chinese2Of5Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1) {
  return RunOptionFunction(reader, ownEngine, Chinese2Of5Param(), mode, {a1}, {a1});
}

}  // namespace bcr
