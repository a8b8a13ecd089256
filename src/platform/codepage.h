// Code-page conversion of the platform layer: text in the system code page (bytes) to 16-bit
// characters, as MultiByteToWideChar does for CP_ACP without flags.
//
// On Linux the system code page is the iconv character set named by $BCREADER_CODEPAGE (CP1252,
// CP936, UTF-8, ...), read at every call; CP1252 when the variable is unset or empty.
//
// Thread rules: any thread, any number at once. Does not block.
// Errors: a failed call returns 0; no error code is kept.
#ifndef BCREADER_PLATFORM_CODEPAGE_H
#define BCREADER_PLATFORM_CODEPAGE_H

#include <cstdint>

namespace bcr::platform {

// Converts sourceLength bytes of source (-1: up to and including its terminating zero; zero
// bytes are text like any other) into UTF-16 units at destination, characters beyond U+FFFF as
// surrogate pairs, and returns the number of units written. No terminating zero is added beyond
// what the source holds.
//
// A byte that a single-byte code page leaves undefined (in CP1252 0x81, 0x8D, 0x8F, 0x90, 0x9D)
// becomes the character of the same value; in a multibyte code page each byte of an invalid or
// cut-off sequence becomes U+FFFD. Never reads past sourceLength bytes.
//
// destinationLength 0 asks for the number of units the text needs (destination may then be
// null). 0 for a null source, a sourceLength of 0 or below -1, a negative destinationLength, a
// null destination with room, a destination too small for the whole text (it may then hold part
// of the text), or a code page iconv does not know.
int ConvertToWide(const char *source, int sourceLength, uint16_t *destination,
                  int destinationLength);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_CODEPAGE_H
