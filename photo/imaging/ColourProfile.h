// What the loader needs to know of an ICC colour profile a picture carries:
// whether it describes sRGB already, so that converting would change nothing.
// Free of windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

// True for an RGB matrix profile with sRGB's primaries (as adapted to D50)
// and tone curves that meet sRGB's within half a level at mid-grey; false for
// any other profile (wide-gamut, grey, CMYK, table-based) and for data that
// is no profile. Never reads outside `size` bytes.
bool IccProfileIsSrgb(const uint8_t* profile, size_t size);
