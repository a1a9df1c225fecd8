// Bounded copying of ANSI (code page 932) text: a cut never leaves half of a
// double-byte character behind.
#pragma once

#include <cstddef>

// Copies `text` into `buffer` of `capacity` bytes (capacity >= 1), cutting it
// to at most capacity - 1 bytes at a character boundary. Returns false when
// it had to cut.
bool CopyAnsiBounded(char* buffer, size_t capacity, const char* text);

// Appends `text` to the zero-terminated `buffer` of `capacity` bytes the same
// way. Returns false when it had to cut.
bool AppendAnsiBounded(char* buffer, size_t capacity, const char* text);

// Length in bytes of the longest prefix of `text` that fits in `limit` bytes
// without splitting a double-byte character.
size_t AnsiPrefixLength(const char* text, size_t limit);

// Removes a lead byte left alone at the end of `text` (by a cut that did not
// know about double-byte characters).
void DropPartialTrailingCharacter(char* text);
