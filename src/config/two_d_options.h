// The option functions of the 4507 imager's own symbologies. Results: 1 done, 0 nothing asked
// for or failed, -253 when another engine (or none) is fitted.
#ifndef BCREADER_CONFIG_TWO_D_OPTIONS_H
#define BCREADER_CONFIG_TWO_D_OPTIONS_H

#include <cstdint>

namespace bcr {

class ScanEngine;

int32_t PostalCodeOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                          int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8);
int32_t CompositeOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                         int32_t *a4, int32_t *a5, int32_t *a6);
int32_t SymbologySecurityLevelOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                                      int32_t *a3);
// The application sees and sets the escape-character option (argument 3) as 0 or 1, while the
// engine and the cache hold 0 or 2.
int32_t MacroPDFOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Matrix2Of5Options(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                          int32_t *a4, int32_t *a5, int32_t *a6);
int32_t SymbologiesOptions(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                           int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                           int32_t *a9, int32_t *a10, int32_t *a11, int32_t *a12);

}  // namespace bcr

#endif  // BCREADER_CONFIG_TWO_D_OPTIONS_H
