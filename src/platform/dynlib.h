// Dynamic libraries of the platform layer: load a library by the name it has on the terminal,
// look its entries up by name, free it.
//
// On Linux, names map to shared objects, the environment read at every load:
// - "\Windows\Brevald.dll" (the terminal's system library; case does not matter) is
//   $BCREADER_SYSLIB when set and not empty, else libbrevald.so in the folder of the shared
//   object that holds this code (of the program, when the code is linked into it);
// - any other "\Windows\<Name>.dll" is lib<name>.so, lower case, in that folder;
// - a name with a '/' is a path and taken as it is.
// Libraries are opened with RTLD_NOW | RTLD_LOCAL: every symbol bound at load, none of them
// visible to other libraries.
//
// Thread rules: any thread; LibraryFree must not race with another call on the same handle.
// Errors: a failed call returns nullptr; no error code is kept.
#ifndef BCREADER_PLATFORM_DYNLIB_H
#define BCREADER_PLATFORM_DYNLIB_H

#include <string>

namespace bcr::platform {

struct Library;  // a loaded library

// The file a terminal name stands for now, or "" when it stands for none. Does not block.
std::string LibraryPath(const char *terminalName);

// Loads the library. Blocks while the loader maps it and runs its initialisers. nullptr when
// the file is missing or cannot be loaded.
Library *LibraryLoad(const char *terminalName);

// The address of the entry of that name, nullptr when the library has none.
void *LibrarySymbol(Library *library, const char *name);

// Unloads the library (when no other load holds it); its entries become invalid. Null does
// nothing.
void LibraryFree(Library *library);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_DYNLIB_H
