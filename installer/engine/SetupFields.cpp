#include "engine/SetupFields.h"

int32_t ParseDecimal(const char* text) {
    if (!text) {
        return 0;
    }
    bool negative = false;
    if (*text == '-') {
        negative = true;
        ++text;
    }
    uint32_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') {
            return 0;
        }
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}
