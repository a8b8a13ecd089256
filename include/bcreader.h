/* bcreader: access to the terminal's built-in barcode scan engine.
 *
 * Results are 32-bit signed: 1 success, 0 failure or bad argument, negative codes for specific
 * conditions (-101 no engine, -102 window not created, -103 no engine found, -111 engine kind
 * known but the engine did not come up, -253 option function of the other engine, -242 no
 * sound path, -300 null buffer or size below 1). The value 7 is the reader's device code.
 */
#ifndef BCREADER_H
#define BCREADER_H

#include <stdint.h>

/* 16-bit characters: WCHAR on Windows; on Linux, where wchar_t has 32 bits, uint16_t. */
#ifdef _WIN32
#include <windows.h>
typedef WCHAR BcrWideChar;
#else
typedef uint16_t BcrWideChar;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Lifecycle. Call InitReader on the thread that dispatches the messages of the library's hidden
 * window. 1, -102, -103 or -111. InitReaderForNet also keeps the window when the library is
 * unloaded. */
int32_t InitReader(void);
int32_t InitReaderForNet(void);

/* Device queries. GetReaderType: 64 imager, 128 one-dimensional engine, 0 none.
 * GetActiveDevice: 7 when on, 0 when off, -101 without engine. SetActiveDevice(7 or 255: on,
 * 0: off): 1, 0 for other codes, -101 without engine. GetDllVer copies "1.0.1.0".
 * GetDecoderVersion(7, ...) copies the engine's revision text: 1, 0 or -101. */
int32_t GetReaderType(void);
int32_t GetActiveDevice(void);
int32_t SetActiveDevice(int32_t device);
int32_t GetDllVer(char *buffer, int32_t size);
int32_t GetDecoderVersion(int32_t kind, char *buffer, int32_t size);

/* Reading. ReadBarcodeData runs one complete read (start decode, wait, stop decode) and returns
 * the data length, 0 without a decode, -101 without engine. GetDecodeData copies the last decode
 * the trigger delivered: its length, the size when cut short, -300 or -101. GetDecodeType: the
 * decode type character of the last decode, 0 when it has none, -101 without engine. */
int32_t ReadBarcodeData(uint32_t *codeType, char *buffer, int32_t size);
int32_t GetDecodeData(char *buffer, int32_t size);
int32_t GetDecodeType(void);

/* Output records. GetOutputRecord(7, ...) copies the record (code id, length, prefix, data,
 * suffix): its length, the size when cut short, 0 for another device, -300 for a bad buffer.
 * GetOutputRecordWideChar does the same in 16-bit characters through the system code page.
 * DataOutputSettings('r' or 'w', ...) reads or writes how records are built and typed; a write
 * takes the prefix and suffix up to their first zero within prefixSize and suffixSize bytes. */
int32_t GetOutputRecord(int32_t device, char *buffer, int32_t size);
int32_t GetOutputRecordWideChar(int32_t device, BcrWideChar *buffer, int32_t size);
int32_t ConvertByteToWideChar(const char *source, int32_t sourceLength, BcrWideChar *destination,
                              int32_t destinationLength);
int32_t DataOutputSettings(int32_t mode, int32_t *keyboardOutput, int32_t *terminatorPlacement,
                           int32_t *terminatorKey, int32_t *codeId, int32_t *length, char *prefix,
                           int32_t prefixSize, char *suffix, int32_t suffixSize);

/* Symbology options. mode 'r' (114) reads the engine's values into the given pointers, 'w'
 * (119) writes them; a null pointer leaves its option alone. 1 done, 0 nothing asked for or
 * failed, -253 when the other engine (or none) is fitted. _1D_SE955 functions serve the
 * one-dimensional engine, _2D_4507 functions the imager. Rss_ and GS1_DataBar_ are the same. */
int32_t Code39_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9);
int32_t Code39_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                       int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9);
int32_t Upc_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                     int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9, int32_t *a10, int32_t *a11,
                     int32_t *a12, int32_t *a13, int32_t *a14, int32_t *a15);
int32_t Upc_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                    int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9, int32_t *a10, int32_t *a11,
                    int32_t *a12, int32_t *a13, int32_t *a14);
int32_t EanJan_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8);
int32_t EanJan_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                       int32_t *a5, int32_t *a6, int32_t *a7);
int32_t Code128_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Code128_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5);
int32_t Code93_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Code93_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Code11_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5);
int32_t Code11_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                       int32_t *a5);
int32_t Interleaved2Of5_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                 int32_t *a5, int32_t *a6);
int32_t Interleaved2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                int32_t *a5, int32_t *a6);
int32_t Industrial2Of5_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Industrial2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Codabar_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                         int32_t *a5);
int32_t Codabar_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5);
int32_t Msi_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                     int32_t *a6);
int32_t Msi_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                    int32_t *a6);
int32_t Rss_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t Rss_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t GS1_DataBar_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t GS1_DataBar_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t Chinese2Of5_1D_SE955(int32_t mode, int32_t *a1);
int32_t Chinese2Of5_2D_4507(int32_t mode, int32_t *a1);

/* Two-dimensional options of the imager. */
int32_t PostalCode_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                           int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8);
int32_t Composite_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                          int32_t *a5, int32_t *a6);
int32_t SymbologySecurityLevel_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t MacroPDF_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Matrix2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                           int32_t *a5, int32_t *a6);
int32_t Symbologies_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                            int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9,
                            int32_t *a10, int32_t *a11, int32_t *a12);

/* User preferences (decode time-out in tenths of a second, trigger mode) and the reset of every
 * setting and of the engine's parameters (selector 7 or 255: 1, 0 or -101). */
int32_t UserPreferences_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                 int32_t *a5, int32_t *a6, int32_t *a7);
int32_t UserPreferences_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t MiscellaneousOption_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2);
int32_t MiscellaneousOption_2D_4507(int32_t mode, int32_t *a1, int32_t *a2);
int32_t ResetReaderToDefault(int32_t device);

/* Good-read notification. Beeper(n, NULL) plays sound n (1..9) at once: 1, 4 for n above 9,
 * -242 for -1 without a path; Beeper(-1, path) plays a wave file. NotificationSettings('r' or
 * 'w', sound, vibrate, vibrate time in 500 ms units, LED time in ms). */
int32_t Beeper(int32_t sound, const char *path);
int32_t NotificationSettings(int32_t mode, int32_t *sound, int32_t *vibrate, int32_t *vibrateUnits,
                             int32_t *ledMs);

#ifdef __cplusplus
}
#endif

#endif /* BCREADER_H */
