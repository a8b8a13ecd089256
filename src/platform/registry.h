// Registry values of the platform layer: one DWORD value under a root key, a subkey path and a
// value name, kept where the platform keeps such settings.
//
// On Linux the values live in a text file in the registry editor's .reg format (see
// RegistryFilePath). A write reads the file, changes or adds the one value, keeps every other
// key and value, and replaces the file atomically: a crash leaves the old or the new file, never
// a part. A file that is not such text (or is larger than 1 MiB, which is not read) is kept
// beside it as <file>.bad and a new one started. UTF-16LE text with a byte-order mark, as the
// registry editor exports it, is read too; the file is always written back as UTF-8 with LF.
// Symbolic links are followed: the file they lead to is read and replaced in its own folder, and
// the links stay. Only a regular file is ever opened, moved aside or replaced: a write to a
// name that holds anything else (a device, a FIFO, a folder) fails and leaves it alone.
//
// Thread rules: any thread, any number at once; writers of the same file, in this process or
// another, take turns. A write waits at most 250 ms for a writer of another process and fails
// when that one holds the file longer.
// Errors: a failed call returns false; no error code is kept.
#ifndef BCREADER_PLATFORM_REGISTRY_H
#define BCREADER_PLATFORM_REGISTRY_H

#include <cstdint>
#include <string>

namespace bcr::platform {

// Predefined root keys, by their handle values.
constexpr uint32_t kRegistryClassesRoot = 0x80000000;
constexpr uint32_t kRegistryCurrentUser = 0x80000001;
constexpr uint32_t kRegistryLocalMachine = 0x80000002;
constexpr uint32_t kRegistryUsers = 0x80000003;

// The file that holds the values, read from the environment at every call: $BCREADER_REGISTRY
// when set and not empty; else /var/lib/bcreader/registry.reg when that folder can be created
// or written; else $XDG_STATE_HOME/bcreader/registry.reg (XDG_STATE_HOME absolute), else
// ~/.local/state/bcreader/registry.reg. Does not block.
std::string RegistryFilePath();

// Sets the DWORD value valueName of root\subkey (subkey parts separated by '\', e.g.
// "Drivers\BuiltIn\SerialBarcode"), creating the file, its missing folders, the key and the
// value as needed. Blocks for the file's input and output, including fsync, and while another
// writer holds the file (bounded, see above). False for an unknown root, an empty value name, a
// name that is not a regular file, a lock not had in time or a failed write (the file is then
// unchanged).
bool RegistryWriteDword(uint32_t root, const char *subkey, const char *valueName, uint32_t data);

// Reads a DWORD value back. False when the file is missing, not a regular file, larger than the
// limit or not .reg text, or the key or the
// value is missing or not a DWORD. Blocks for the file's input.
bool RegistryReadDword(uint32_t root, const char *subkey, const char *valueName, uint32_t *data);

}  // namespace bcr::platform

#endif  // BCREADER_PLATFORM_REGISTRY_H
