/* bcreader: access to the terminal's built-in barcode scan engine.
 *
 * Results are 32-bit signed: 1 success, 0 failure or bad argument, negative codes for specific
 * conditions (-101 no engine, -102 window not created, -103 no engine found, -111 engine kind
 * known but the engine did not come up, -253 option function of the other engine, -242 no
 * sound path, -300 null buffer or size below 1). The value 7 is the reader's device code.
 * The names below (BCR_READER_DEVICE, BCR_RESULT_...) stand for these values.
 *
 * Threads. InitReader belongs to the thread that runs the application's message loop: the
 * library's hidden window is that thread's, and decodes are delivered (broadcast, event,
 * keystrokes) while it dispatches messages. A read waits for the engine's data either in the
 * library's decode thread (after a trigger press) or in ReadBarcodeData on the caller's thread.
 * Any thread may call any function meanwhile: a thread of the library reads every frame the
 * engine sends and hands a decode to the reception waiting for it and a reply to the exchange
 * waiting for it; nothing received is purged. Calls that talk to the engine (GetDecoderVersion,
 * the option and preference functions, the steps of ResetReaderToDefault, the start and stop
 * decode of a read) take turns, first come, first served, each waiting at most 6 s for the one
 * before it; one that does not get its turn fails (0) without sending anything.
 *
 * Text copies: a function that copies text takes the buffer and its size in elements; text that
 * does not fit is cut to size - 1 elements and a zero.
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

/* The reader's device code, and 255, which the switching and reset functions also accept. */
#define BCR_READER_DEVICE 7
#define BCR_ANY_DEVICE 255

/* What GetReaderType answers for each engine (0: no engine). */
#define BCR_READER_TYPE_4507 0x40
#define BCR_READER_TYPE_SE955 0x80

/* The results that are not plain 1 or 0. */
#define BCR_RESULT_NO_ENGINE (-101)        /* InitReader has not found an engine (or not run) */
#define BCR_RESULT_NO_WINDOW (-102)        /* the hidden window could not be made */
#define BCR_RESULT_ENGINE_NOT_FOUND (-103) /* no engine kind known or the port did not open */
#define BCR_RESULT_ENGINE_DOWN (-111)      /* the engine kind is known, the engine did not answer */
#define BCR_RESULT_NO_SOUND_PATH (-242)    /* Beeper(-1) without a path */
#define BCR_RESULT_OTHER_ENGINE (-253)     /* an option function of the other engine */
#define BCR_RESULT_BAD_BUFFER (-300)       /* a null buffer or a size below 1 */

/* The mode argument of the option and settings functions. */
#define BCR_MODE_READ 'r'
#define BCR_MODE_WRITE 'w'

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the reader: creates the hidden window "Quenrix" on the calling thread, finds the
 * engine on its serial port, brings it to its working speed and starts the worker threads; it
 * takes about half a second. Call it on the thread that dispatches messages, once or again after
 * a failure (a repeated call keeps what runs and starts what is missing). There is no stop
 * function: unloading the library stops the reader.
 * 1 running; -102 the window could not be made; -103 no engine kind known or the port did not
 * open; -111 the engine kind is known but the engine did not answer (sound, LED and Beeper
 * work, engine functions return -101). */
int32_t InitReader(void);
/* As InitReader; the window is left in place when the library is unloaded. */
int32_t InitReaderForNet(void);

/* The fitted engine: 64 the two-dimensional imager (4507), 128 the one-dimensional engine
 * (SE955), 0 none. Any thread, any time. */
int32_t GetReaderType(void);
/* 7 when the reader is on, 0 when switched off, -101 without an engine. Any thread. */
int32_t GetActiveDevice(void);
/* device 7 or 255 switches the reader on, 0 off (reads then do nothing); recorded in
 * the registry value "BarcodeUnderUsing". 1 done, 0 for another code, -101 without an engine. */
int32_t SetActiveDevice(int32_t device);
/* Copies the library version "1.0.1.0" into buffer (size bytes). 1, or 0 for a null buffer or a
 * size below 1. Needs no engine. */
int32_t GetDllVer(char *buffer, int32_t size);
/* kind 7: asks the engine for its revision and copies the text into buffer (size bytes; empty
 * when the engine did not answer). 1; 0 for a null buffer, a size below 1 or another kind; -101
 * without an engine. Talks to the engine (see Threads above). */
int32_t GetDecoderVersion(int32_t kind, char *buffer, int32_t size);

/* One complete read on the caller's thread: start decode, wait up to the decode time-out
 * (3 s unless the user preferences change it) for the engine's data, stop decode. Copies the
 * data into buffer (size bytes) and, when codeType is not null, stores the decode type character
 * there; the decode is then announced (broadcast, event, keystrokes, good-read signal) as a
 * triggered one is. Returns the data length (also when cut), 0 without a decode or for a null
 * buffer or a size below 1, -101 without an engine.
 * One read at a time; other calls may run meanwhile (see Threads above). */
int32_t ReadBarcodeData(uint32_t *codeType, char *buffer, int32_t size);
/* Copies the data of the last decode the library delivered into buffer (size bytes): its length,
 * size when cut, -300 for a null buffer or a size below 1, -101 without an engine. Any thread,
 * also while a read waits. */
int32_t GetDecodeData(char *buffer, int32_t size);
/* The decode type character of the last decode (from the library's code-type table), 0 when it
 * has none, -101 without an engine. Any thread. */
int32_t GetDecodeType(void);

/* device 7: copies the output record of the last decode received (code id, four-digit length,
 * prefix, data, suffix, as DataOutputSettings says) into buffer (size bytes). Returns the record
 * length (the record may hold zero bytes: the result gives its end), size when cut, -300 for a
 * null buffer or a size below 1; another device has an empty record (0). Any thread. */
int32_t GetOutputRecord(int32_t device, char *buffer, int32_t size);
/* As GetOutputRecord in 16-bit characters (size in characters), the data converted from the
 * system code page. */
int32_t GetOutputRecordWideChar(int32_t device, BcrWideChar *buffer, int32_t size);
/* Converts sourceLength bytes of the system code page into destination (destinationLength
 * characters). The number of characters written; 0 for a null pointer, a length below 1, a
 * destination too small for the whole text or bytes that do not convert. */
int32_t ConvertByteToWideChar(const char *source, int32_t sourceLength, BcrWideChar *destination,
                              int32_t destinationLength);
/* mode 'r' (114) reads the settings into the pointers given, 'w' (119) sets them from the
 * pointers given (null: leave alone). keyboardOutput: 0 no keystrokes, 1 the record typed as
 * characters, 2 as key strokes; terminatorPlacement: 1 after the record, 2 before, else none;
 * terminatorKey: 1 Enter, 2 Tab, 3 space, 4 comma, 5 semicolon; codeId and length: not 0 puts
 * the code id and the four-digit length in the record; prefix and suffix: zero-terminated texts
 * ('r' copies them into buffers of prefixSize and suffixSize bytes; 'w' takes them up to their
 * first zero, within prefixSize and suffixSize bytes when the size is above 0, and up to their
 * terminating zero when the size is 0 or below).
 * 1 done; 0 for another mode or when no argument is given. Any thread, any time; the next
 * record follows the new values. */
int32_t DataOutputSettings(int32_t mode, int32_t *keyboardOutput, int32_t *terminatorPlacement,
                           int32_t *terminatorKey, int32_t *codeId, int32_t *length, char *prefix,
                           int32_t prefixSize, char *suffix, int32_t suffixSize);

/* Symbology options. mode 'r' (114) reads the engine's values into the given pointers, 'w'
 * (119) writes them; a null pointer leaves its option alone. Flags are 0 or 1, numbers 0..255 (a
 * value outside is refused, 0, and nothing is sent); writing values the engine already has sends
 * nothing. 1 done, 0 nothing asked for or failed, -253 when the other engine (or none)
 * is fitted. _1D_SE955 functions serve the one-dimensional engine, _2D_4507 functions the
 * imager. Each talks to the engine on the caller's thread (see Threads above). The pointers a1, a2,
 * ... are the options named below, in order (`bcreader help set` prints the same names). */
/* Code 39: enable, trioptic, convert_to_code32, code32_prefix, check_digit,
 * transmit_check_digit, full_ascii, length1, length2. */
int32_t Code39_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9);
int32_t Code39_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                       int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9);
/* UPC: upca, upce, upce1, supplementals, supplemental_redundancy, transmit_upca_check_digit,
 * transmit_upce_check_digit, transmit_upce1_check_digit, upca_preamble, upce_preamble,
 * upce1_preamble, convert_upce_to_upca, convert_upce1_to_upca, coupon_extended and, on the
 * SE955 only, security_level. */
int32_t Upc_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                     int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9, int32_t *a10, int32_t *a11,
                     int32_t *a12, int32_t *a13, int32_t *a14, int32_t *a15);
int32_t Upc_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                    int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9, int32_t *a10, int32_t *a11,
                    int32_t *a12, int32_t *a13, int32_t *a14);
/* EAN/JAN: ean8, ean13, bookland, supplementals, supplemental_redundancy, ean8_zero_extend,
 * coupon_extended and, on the SE955 only, security_level. */
int32_t EanJan_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8);
int32_t EanJan_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                       int32_t *a5, int32_t *a6, int32_t *a7);
/* Code 128: enable, gs1_128, isbt128 and, on the imager, isbt_concatenation,
 * isbt_concatenation_redundancy. */
int32_t Code128_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Code128_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5);
/* Code 93: enable, length1, length2. */
int32_t Code93_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Code93_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
/* Code 11: enable, check_digit, transmit_check_digit, length1, length2. */
int32_t Code11_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5);
int32_t Code11_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                       int32_t *a5);
/* Interleaved 2 of 5: enable, length1, length2, check_digit, transmit_check_digit,
 * convert_to_ean13. */
int32_t Interleaved2Of5_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                 int32_t *a5, int32_t *a6);
int32_t Interleaved2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                int32_t *a5, int32_t *a6);
/* Industrial (discrete) 2 of 5: enable, length1, length2. */
int32_t Industrial2Of5_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
int32_t Industrial2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
/* Codabar: enable, length1, length2, clsi_editing, notis_editing. */
int32_t Codabar_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                         int32_t *a5);
int32_t Codabar_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                        int32_t *a5);
/* MSI: enable, length1, length2, two_check_digits, transmit_check_digit,
 * check_digit_algorithm. */
int32_t Msi_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                     int32_t *a6);
int32_t Msi_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4, int32_t *a5,
                    int32_t *a6);
/* GS1 DataBar (Rss_ and GS1_DataBar_ are the same functions): databar14, limited, expanded,
 * convert_to_upc_ean. */
int32_t Rss_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t Rss_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t GS1_DataBar_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
int32_t GS1_DataBar_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4);
/* Chinese 2 of 5: enable. */
int32_t Chinese2Of5_1D_SE955(int32_t mode, int32_t *a1);
int32_t Chinese2Of5_2D_4507(int32_t mode, int32_t *a1);

/* Options of the imager only (-253 on the SE955), with the same rules.
 * Postal codes: us_postnet, us_planet, uk_postal, transmit_uk_check_digit, japan_postal,
 * australian_postal, dutch_postal, transmit_us_check_digit. */
int32_t PostalCode_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                           int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8);
/* Composite codes: cc_c, cc_ab, tlc39, upc_mode, beep_mode, gs1_128_emulation. */
int32_t Composite_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                          int32_t *a5, int32_t *a6);
/* Decode security: linear_level, upc_ean_level, intercharacter_gap. */
int32_t SymbologySecurityLevel_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
/* Macro PDF: mode, transmit_control_header, escape_characters. */
int32_t MacroPDF_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
/* Matrix 2 of 5: enable, length1, length2, redundancy, check_digit,
 * transmit_check_digit. */
int32_t Matrix2Of5_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                           int32_t *a5, int32_t *a6);
/* Two-dimensional symbologies: pdf417, micropdf417, code128_emulation, datamatrix,
 * datamatrix_inverse, datamatrix_mirror, maxicode, qrcode, qrcode_inverse, microqr, aztec,
 * aztec_inverse. */
int32_t Symbologies_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                            int32_t *a5, int32_t *a6, int32_t *a7, int32_t *a8, int32_t *a9,
                            int32_t *a10, int32_t *a11, int32_t *a12);

/* User preferences, with the rules of the symbology options. SE955: timeout, param_bf,
 * param_89, param_4e, a5 (counts only as given), kept_value, trigger_mode; imager: timeout,
 * param_89, trigger_mode. timeout is the decode time-out in tenths of a second; trigger mode 4 on
 * the SE955 and 7 on the imager read continuously, without trigger presses, until another mode is
 * written. */
int32_t UserPreferences_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3, int32_t *a4,
                                 int32_t *a5, int32_t *a6, int32_t *a7);
int32_t UserPreferences_2D_4507(int32_t mode, int32_t *a1, int32_t *a2, int32_t *a3);
/* Miscellaneous option: param_2d; a2 counts only as given. */
int32_t MiscellaneousOption_1D_SE955(int32_t mode, int32_t *a1, int32_t *a2);
int32_t MiscellaneousOption_2D_4507(int32_t mode, int32_t *a1, int32_t *a2);
/* device 7 or 255: the library's settings back to their values at load and fixed defaults written
 * into the engine. 1 (whatever the engine answered), 0 for another code, -101 without an engine.
 * Talks to the engine (see Threads above). */
int32_t ResetReaderToDefault(int32_t device);

/* Stops the sound playing and plays good-read sound `sound` (1..9; 0 only stops), or with -1
 * the wave file path (a path beginning "\Windows\" names the sound folder), and returns when it
 * has played. 1; 4 for a sound above 9 (nothing played); -242 for -1 without a path. Needs no
 * engine; any thread. */
int32_t Beeper(int32_t sound, const char *path);
/* What a good read signals. mode 'r' (114) reads into the pointers given, 'w' (119) sets from
 * them (null: leave alone): sound 1..9, vibrate (not 0: on), vibrateUnits (vibrator time in
 * 500 ms units), ledMs (LED time in ms, 0: no LED). 1 done; 0 for another mode or no pointer.
 * Any thread, any time. */
int32_t NotificationSettings(int32_t mode, int32_t *sound, int32_t *vibrate, int32_t *vibrateUnits,
                             int32_t *ledMs);

#ifdef __cplusplus
}
#endif

#endif /* BCREADER_H */
