#include "engine/Escapes.h"

namespace {
const int kMaxCodeDigits = 5;

bool IsCodeDigit(wchar_t c) {
    return c >= L'1' && c <= L'9';
}
}  // namespace

void ExpandEscapes(wchar_t* text) {
    if (!text) {
        return;
    }
    const wchar_t* in = text;
    wchar_t* out = text;
    for (;;) {
        wchar_t c = *in;
        if (c == L'#') {
            wchar_t next = in[1];
            wchar_t symbol = 0;
            switch (next) {
                case L'#':
                    symbol = L'#';
                    break;
                case L'c':
                    symbol = 0x00A9;
                    break;
                case L'r':
                    symbol = 0x00AE;
                    break;
                case L't':
                    symbol = 0x2122;
                    break;
                default:
                    break;
            }
            if (symbol) {
                *out++ = symbol;
                in += 2;
                continue;
            }
            if (IsCodeDigit(next)) {
                const wchar_t* digit = in + 1;
                unsigned value = 0;
                for (int count = 0; count < kMaxCodeDigits && IsCodeDigit(*digit); ++count, ++digit) {
                    value = value * 10 + static_cast<unsigned>(*digit - L'0');
                }
                // "#65536" would become a terminator and silently cut the rest
                // of the text off; it is left as written instead.
                wchar_t unit = static_cast<wchar_t>(value & 0xFFFFu);
                if (unit != 0) {
                    *out++ = unit;
                    in = digit;
                    continue;
                }
            }
            // A lone "#": kept, and the next character read as usual.
            *out++ = L'#';
            ++in;
            continue;
        }
        *out++ = c;
        if (c == L'\0') {
            return;
        }
        ++in;
    }
}
