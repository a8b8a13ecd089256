// The option functions of the linear symbologies, one per exported pair: ownEngine is the
// engine named by the exported function (9 for _1D_SE955, 8 for _2D_4507). Results: 1 done, 0
// nothing asked for or failed, -253 another engine (or none) fitted.
#ifndef BCREADER_CONFIG_LINEAR_OPTIONS_H
#define BCREADER_CONFIG_LINEAR_OPTIONS_H

#include <cstdint>

namespace bcr {

class ScanEngine;

int32_t Code39Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                      int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                      int32_t *a9);
// Argument 15 is the SE955's UPC/EAN security level (handler option 16).
int32_t UpcOptionsSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                        int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8,
                        int32_t *a9, int32_t *a10, int32_t *a11, int32_t *a12, int32_t *a13,
                        int32_t *a14, int32_t *a15);
// The 4507-only option 15 has no argument: it is never read or written here.
int32_t UpcOptions4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                       int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9,
                       int32_t *a10, int32_t *a11, int32_t *a12, int32_t *a13, int32_t *a14);
// Argument 8 is the SE955's UPC/EAN security level (handler option 9).
int32_t EanJanOptionsSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                           int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8);
int32_t EanJanOptions4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                          int32_t *a4, int32_t *a5, int32_t *a6, int32_t *a7);
int32_t Code128OptionsSE955(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2,
                            int32_t *a3);
int32_t Code128Options4507(ScanEngine &reader, int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3,
                           int32_t *a4, int32_t *a5);
int32_t Code93Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                      int32_t *a3);
int32_t Code11Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                      int32_t *a3, int32_t *a4, int32_t *a5);
int32_t Interleaved2Of5Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1,
                               int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6);
int32_t Industrial2Of5Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1,
                              int32_t *a2, int32_t *a3);
int32_t CodabarOptions(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1,
                       int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5);
int32_t MsiOptions(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                   int32_t *a3, int32_t *a4, int32_t *a5, int32_t *a6);
// GS1 DataBar (exported both as Rss_ and as GS1_DataBar_).
int32_t RssOptions(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1, int32_t *a2,
                   int32_t *a3, int32_t *a4);
int32_t Chinese2Of5Options(ScanEngine &reader, int32_t ownEngine, int32_t mode, int32_t *a1);

}  // namespace bcr

#endif  // BCREADER_CONFIG_LINEAR_OPTIONS_H
