// How output records are built and typed: reading and changing the output settings.
#ifndef BCREADER_DECODE_OUTPUT_SETTINGS_H
#define BCREADER_DECODE_OUTPUT_SETTINGS_H

#include <cstdint>

namespace bcr {

// Mode 'r' stores each setting whose pointer is given, and copies the prefix and suffix into
// buffers of prefixSize and suffixSize bytes (not at all when a size is below 1; cut to size - 1
// bytes, the last byte of the buffer always zero). Mode 'w' sets each setting whose pointer is
// given, without range checks, and the prefix and suffix from the caller's buffers of
// prefixSize and suffixSize bytes: the text up to the first zero within the size, never a byte
// past it (empty for a size below 1). 1 when done; 0, with nothing changed, when every argument
// after the mode is null or zero or the mode is neither.
int32_t OutputSettings(int32_t mode, int32_t *keyboardOutput, int32_t *terminatorPlacement,
                       int32_t *terminatorKey, int32_t *codeId, int32_t *length, char *prefix,
                       int32_t prefixSize, char *suffix, int32_t suffixSize);

}  // namespace bcr

#endif  // BCREADER_DECODE_OUTPUT_SETTINGS_H
