// Scanning and joining of installer paths, free of Windows calls. Paths are
// ANSI byte strings of a double-byte code page (Shift-JIS): a trail byte may
// equal a backslash, so every scan walks whole characters with the stepping
// function the caller passes (CharNextA in the program). Every result is
// bounded by its buffer's capacity and built all or nothing: a path that
// would not fit is a failure, never a silently shortened path.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

// Returns the character after the one at `p`; never steps past the
// terminating zero (at the terminator it returns `p`).
using CharStep = const char* (*)(const char* p);

// The first backslash of `text` that is a character of its own, or null.
const char* FindFirstBackslash(const char* text, CharStep next);

// The last such backslash at byte offset `minOffset` or later, or null.
const char* FindLastBackslash(const char* text, CharStep next, size_t minOffset = 0);

// For a macro entry "%NAME%rest": the closing percent sign, searched from the
// second character on; null when the entry ends first.
const char* FindMacroEnd(const char* entry, CharStep next);

// Concatenates `parts` into `out` of `capacity` bytes. False, with `out`
// empty, when the result would not fit.
bool JoinPath(char* out, size_t capacity, std::initializer_list<const char*> parts);

// Copies the first `length` bytes of `text` into `out` the same way.
bool CopyPrefix(char* out, size_t capacity, const char* text, size_t length);

// The source of a "Files" entry: `ownDir` (with its trailing backslash)
// followed by what comes after the entry's last backslash; a backslash in the
// first position does not count, and without one the whole entry is used.
bool BuildSourcePath(char* out, size_t capacity, const char* ownDir, const char* field, CharStep next);

// Every directory that creating `path` level by level has to create, in
// order: the text before each backslash after the drive part ("C:\"), then
// the whole path. A path of three bytes or fewer is only itself.
std::vector<std::string> DirectoryTreeLevels(const char* path, CharStep next);

// The directory a copy to `destination` needs: the text before its last
// backslash. False when the destination lies directly in a drive root
// ("C:\a.txt") or has no backslash at all.
bool CopyDestinationDirectory(char* out, size_t capacity, const char* destination, CharStep next);

// The file name of `path`: the text after its last backslash, or null when
// the path has none.
const char* FileNameOf(const char* path, CharStep next);

// Splits a registry path "ROOT\sub\key" at its first backslash: `root`
// receives ROOT, `subKey` points into `path` after the backslash. False when
// there is no backslash or the root does not fit.
bool SplitRegistryPath(const char* path, CharStep next, char* root, size_t rootCapacity, const char** subKey);
