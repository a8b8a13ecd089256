// The one export macro of the library: only the functions of the C boundary carry it; every
// other symbol is hidden.
#ifndef BCREADER_API_EXPORT_H
#define BCREADER_API_EXPORT_H

#define BCR_EXPORT extern "C" __attribute__((visibility("default")))

#endif  // BCREADER_API_EXPORT_H
