// Parsing of setup information file entries, free of Windows calls.
#pragma once

#include <cstdint>

// A decimal integer with an optional leading '-'. Any other character makes
// the result 0, as do an empty text and a lone '-'. Values beyond 32 bits wrap
// around modulo 2^32, the way the original 32-bit accumulation did, but
// without signed overflow.
int32_t ParseDecimal(const char* text);
