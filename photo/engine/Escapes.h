// The markers users type into the watermark and copyright texts.
#pragma once

// Expands, in place: "##" -> "#"; "#c", "#r", "#t" -> (c), (R), TM symbols
// (U+00A9, U+00AE, U+2122; lower case only); "#" followed by up to five digits
// 1 to 9 (a 0 ends the run) -> the one UTF-16 unit of that number. Any other
// "#" stays as written. The text never grows.
void ExpandEscapes(wchar_t* text);
