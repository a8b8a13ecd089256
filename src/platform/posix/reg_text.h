// The text of a .reg file as the registry editor writes it, read and edited as pure functions:
//
//   Windows Registry Editor Version 5.00
//   <blank line>
//   [HKEY_LOCAL_MACHINE\Drivers\BuiltIn\SerialBarcode]
//   "BarcodeUnderUsing"=dword:00000001
//
// UTF-8 with LF line ends (CR LF is read too). Key paths and value names compare without regard
// to ASCII case, as in the registry. Lines the functions do not change are kept byte for byte.
#ifndef BCREADER_PLATFORM_POSIX_REG_TEXT_H
#define BCREADER_PLATFORM_POSIX_REG_TEXT_H

#include <cstdint>
#include <string>

namespace bcr::platform {

// The text of a file without keys: the header line and a blank line.
std::string RegTextEmpty();

// True when text is .reg text: valid UTF-8 without zero bytes, the header line first (after an
// optional byte-order mark), then only blank lines, comments (';'), key lines ("[...]"), and
// within a key value lines ("name"=... or @=...) with their '\'-continued lines.
bool RegTextValid(const std::string &text);

// The bytes of a file as registry text: UTF-8 as they stand, or UTF-16LE after its byte-order
// mark (the form the registry editor exports) converted to UTF-8 without the mark, CR LF
// becoming LF. False, *text unspecified, when the result is not registry text.
bool RegTextDecode(const std::string &bytes, std::string *text);

// The text with value valueName of key (a full path such as "HKEY_LOCAL_MACHINE\Drivers") set
// to the DWORD data: every line of that value in the key is replaced, else the value is added at
// the end of the key's last section, else a section is added at the end. text must be valid.
std::string RegTextSetDword(const std::string &text, const std::string &key,
                            const std::string &valueName, uint32_t data);

// Reads the DWORD value valueName of key (the last line of it counts, as when the editor imports
// the file). False when it is missing or not a DWORD. text must be valid.
bool RegTextGetDword(const std::string &text, const std::string &key, const std::string &valueName,
                     uint32_t *data);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_REG_TEXT_H
