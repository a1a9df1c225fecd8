// The installer's registry layer: ANSI names, REG_SZ and REG_DWORD values. Nothing
// here shows a message; every caller reports its own failure.
#pragma once

#include <windows.h>

#include "win/RegKey.h"

// Opens `subKey` under `root` for full access; with `create` the key (and any
// missing parent) is created first. Any key `key` held before is closed.
bool OpenRegKey(HKEY root, const char* subKey, bool create, RegKey& key);

// Opens `subKey` under `root` for reading only.
bool OpenRegKeyForRead(HKEY root, const char* subKey, RegKey& key);

// Reads value `name` of `key` into `buffer`, whose size in bytes `*size`
// gives. On success the result and `*size` are the byte count the registry
// reports (the terminating zero of a string included); on failure, including
// a value too long for the buffer, `defaultText` is copied (cut to fit) and
// the result is its length. The value's type is not checked, but the buffer
// always ends up zero-terminated, whatever bytes the value holds.
DWORD ReadRegString(HKEY key, const char* name, char* buffer, DWORD* size, const char* defaultText);

// Stores `text` as value `name` of type REG_SZ, terminating zero included.
bool WriteRegString(HKEY key, const char* name, const char* text);

// Stores `number` as value `name` of type REG_DWORD.
bool WriteRegDword(HKEY key, const char* name, DWORD number);

// Reads one string value in one call. True when the key opened and the value
// read is not empty. When the key does not open `buffer` is left as it was;
// otherwise a missing or unreadable value leaves it empty.
bool QueryRegString(HKEY root, const char* subKey, const char* name, char* buffer, DWORD size);
