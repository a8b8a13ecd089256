// The keyboard wedge: types a text into the focused application.
#ifndef BCREADER_DECODE_WEDGE_H
#define BCREADER_DECODE_WEDGE_H

#include "util/wstring.h"

namespace bcr {

// Character style (keyStrokes false) posts runs of characters; key-stroke style presses a
// virtual key for every character. Returns when everything has been sent.
void TypeText(const WString &text, bool keyStrokes);

}  // namespace bcr

#endif  // BCREADER_DECODE_WEDGE_H
