// Whether the system-wide registry file can be used: the library takes it when its folder, or the
// nearest folder of its path that exists, lets this process add entries.
#ifndef BCREADER_PLATFORM_POSIX_REGISTRY_FOLDER_H
#define BCREADER_PLATFORM_POSIX_REGISTRY_FOLDER_H

#include <string>

namespace bcr::platform {

// True when file could be created: the nearest existing folder on its path is a folder this
// process may write and search. A path that cannot be followed (a loop of links, a name too
// long, anything but a missing folder) is never writable.
bool FolderWritable(const std::string &file);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_POSIX_REGISTRY_FOLDER_H
