// Paths of the engine on the disk.
//
// Engine paths keep their Windows form ("data\scripts\main.lua"). On disk "\" becomes "/"
// and each component is matched against the directory case-insensitively (ASCII letters
// only), an exact match first; among several case-insensitive matches the first in byte
// order wins, so the choice never depends on the directory's order. Writing resolves
// names the same way: existing components are matched, missing ones are created as given,
// so a file written as "data\Saves\save1.sav" is found again as "DATA\saves\SAVE1.SAV".
// Nothing here knows the engine; every reader and writer of the engine goes through it.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace fs {

// The path with every "\" turned into "/" (no disk access).
std::string ToNativePath(const std::string& path);

// The on-disk path of an existing file or directory named by an engine path.
// False when some component has no match.
bool ResolvePath(const std::string& path, std::string& resolved);

// The on-disk path for writing: components that exist are matched as for reading
// (directories only, above the last one), the missing rest is kept as given.
std::string ResolveWritePath(const std::string& path);

// fopen on an engine path. Modes beginning with 'r' need an existing regular file;
// 'w' and 'a' resolve for writing and create the missing parent directories.
// Null with errno set on failure (EISDIR for a directory opened for reading).
std::FILE* Open(const std::string& path, const char* mode);

// True when an engine path names an existing regular file.
bool FileExists(const std::string& path);

// Creates the missing directories of an engine path (the path itself included).
// True when the directory exists afterwards.
bool CreateDirectories(const std::string& path);

// True when an engine path could be opened for writing now, as fopen with "w" would,
// without changing anything: an existing entry must be a file that opens for writing (not
// a directory, not refused by its permission bits), and for a missing one the nearest
// existing directory above it must take new names. Writers check it before
// WriteFileAtomic, whose rename would otherwise replace a read-only file.
bool CanOpenForWriting(const std::string& path);

// Outcome of WriteFileAtomic.
enum class WriteStatus {
    kOk,           // the file holds the new bytes
    kCannotCreate, // no directory or temporary file could be made; nothing changed
    kCannotWrite,  // writing, flushing or renaming failed; the old file is untouched
};

// Replaces a file's contents as one step: the bytes go to a temporary file in the same
// directory, which is flushed to the disk and renamed over the old file. On failure the
// temporary file is removed and the old file keeps its contents; errno tells why.
// Missing parent directories are created. A new file gets mode 0644, a replaced one
// keeps its mode.
WriteStatus WriteFileAtomic(const std::string& path, const void* data, size_t size);

}  // namespace fs
