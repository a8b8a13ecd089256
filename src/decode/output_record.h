// The output record: the decoded data dressed for the application with an optional decode type
// character, an optional length of at least four digits, a prefix and a suffix, as the output
// settings ask. Built from the last decode any reception received, the synchronous read's
// included; its data are empty once a later reception ended without a decode.
#ifndef BCREADER_DECODE_OUTPUT_RECORD_H
#define BCREADER_DECODE_OUTPUT_RECORD_H

#include <cstdint>

#include "util/wstring.h"

namespace bcr {

class ScanEngine;
struct Decode;

// Copies the record for device (the reader, 7; any other device has an empty record) into a
// buffer of size bytes, each unit as its low byte: the record and a zero when it fits, else
// size - 1 bytes and a zero. Returns the record length, or size when cut; -300 for a null buffer
// or a size below 1. The record may hold zero bytes (a decode type of 0): the result, not the
// first zero, gives its length.
int32_t OutputRecord(const ScanEngine &reader, int32_t device, char *buffer, int32_t size);

// As OutputRecord in 16-bit characters, with the data converted from the system code page (empty
// when the conversion fails); prefix and suffix are taken unit for unit, and the length piece
// counts the converted data.
int32_t OutputRecordWide(const ScanEngine &reader, int32_t device, uint16_t *buffer, int32_t size);

// The exported conversion: 0 for a null source or destination or a length below 1, else the
// platform's conversion of the system code page (the number of characters written, 0 when the
// destination is too small or the conversion fails).
int32_t ConvertByteToWide(const char *source, int32_t sourceLength, uint16_t *destination,
                          int32_t destinationLength);

// The text the keyboard wedge types after a decode: the record (at most 999 units) with the
// terminator key before or after it. QR Code, PDF417 and Data Matrix reads of the 4507 take the
// converted record, everything else the byte record with each byte as one unit. Empty unless
// selector is 2, the wParam of the decode message.
void BuildWedgeText(int32_t deviceType, const Decode &decode, uint32_t selector, WString &out);

}  // namespace bcr

#endif  // BCREADER_DECODE_OUTPUT_RECORD_H
