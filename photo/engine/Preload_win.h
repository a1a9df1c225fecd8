// The picture named on the command line, loaded on a thread of its own from
// the first moment of the run: decoding a large photograph takes about as
// long as making the main window, so the two overlap, and the document takes
// the picture when it opens that path.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/Image.h"

// Starts loading `path`. Nothing is started when no thread can be made: the
// document then loads the picture itself.
void StartPreload(const wchar_t* path);

// When a load of `path` was started: waits for it to end and hands over its
// picture (none when it failed), the shooting data and the library's error
// code; true. False, and nothing handed over, for any other path and when no
// load was started or it was taken already.
bool TakePreload(const wchar_t* path, ImgHandle* picture, std::vector<uint8_t>* shootingData, uint32_t* error);

// Frees a load that nobody took (the named file was refused before opening),
// waiting for it to end.
void DiscardPreload();
