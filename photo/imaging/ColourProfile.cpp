#include "imaging/ColourProfile.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

const size_t kHeaderBytes = 128;

// sRGB's primaries adapted to the profile connection space (D50), as every
// sRGB profile states them, and how far a profile's may lie from them.
const double kSrgbColorants[3][3] = {{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}};
const double kColorantTolerance = 0.003;
// sRGB's curve at input 0.5, and half a level of 255.
const double kSrgbMidGrey = 0.21404;
const double kCurveTolerance = 0.5 / 255.0;

struct Profile {
    const uint8_t* data;
    size_t size;

    uint32_t U32(size_t at) const {
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
    }
    unsigned U16(size_t at) const { return unsigned(data[at]) << 8 | data[at + 1]; }
    double S15Fixed16(size_t at) const { return double(int32_t(U32(at))) / 65536.0; }

    // The tag's data, or false when the profile has none that lies inside.
    bool Tag(const char* signature, size_t* at, size_t* length) const {
        uint32_t count = U32(kHeaderBytes);
        if (count > (size - kHeaderBytes - 4) / 12) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            size_t entry = kHeaderBytes + 4 + size_t(i) * 12;
            if (std::memcmp(data + entry, signature, 4) != 0) {
                continue;
            }
            size_t offset = U32(entry + 4), bytes = U32(entry + 8);
            if (offset > size || bytes > size - offset || bytes < 8) {
                return false;
            }
            *at = offset;
            *length = bytes;
            return true;
        }
        return false;
    }

    bool Colorant(const char* signature, const double (&expected)[3]) const {
        size_t at = 0, length = 0;
        if (!Tag(signature, &at, &length) || length < 20 || std::memcmp(data + at, "XYZ ", 4) != 0) {
            return false;
        }
        for (int i = 0; i < 3; ++i) {
            if (std::fabs(S15Fixed16(at + 8 + size_t(i) * 4) - expected[i]) > kColorantTolerance) {
                return false;
            }
        }
        return true;
    }

    // The curve's output for input 0.5; negative when it cannot be read.
    double CurveAtHalf(const char* signature) const {
        size_t at = 0, length = 0;
        if (!Tag(signature, &at, &length) || length < 12) {
            return -1;
        }
        const double x = 0.5;
        if (std::memcmp(data + at, "curv", 4) == 0) {
            uint32_t entries = U32(at + 8);
            if (entries > (length - 12) / 2) {
                return -1;
            }
            if (entries == 0) {
                return x;
            }
            if (entries == 1) {
                return std::pow(x, U16(at + 12) / 256.0);
            }
            double position = x * (entries - 1);
            size_t below = size_t(position);
            double fraction = position - double(below);
            double low = U16(at + 12 + below * 2) / 65535.0;
            double high = below + 1 < entries ? U16(at + 12 + (below + 1) * 2) / 65535.0 : low;
            return low + (high - low) * fraction;
        }
        if (std::memcmp(data + at, "para", 4) == 0) {
            static const unsigned kParameters[] = {1, 3, 4, 5, 7};
            unsigned function = U16(at + 8);
            if (function > 4 || length < 12 + size_t(kParameters[function]) * 4) {
                return -1;
            }
            double p[7] = {};
            for (unsigned i = 0; i < kParameters[function]; ++i) {
                p[i] = S15Fixed16(at + 12 + size_t(i) * 4);
            }
            const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
            auto power = [g](double base) { return base > 0 ? std::pow(base, g) : 0.0; };
            switch (function) {
                case 0:
                    return power(x);
                case 1:
                    return a * x + b >= 0 ? power(a * x + b) : 0.0;
                case 2:
                    return a * x + b >= 0 ? power(a * x + b) + c : c;
                case 3:
                    return x >= d ? power(a * x + b) : c * x;
                default:
                    return x >= d ? power(a * x + b) + e : c * x + f;
            }
        }
        return -1;
    }
};

}  // namespace

bool IccProfileIsSrgb(const uint8_t* profile, size_t size) {
    if (!profile || size < kHeaderBytes + 4 || std::memcmp(profile + 36, "acsp", 4) != 0 ||
        std::memcmp(profile + 16, "RGB ", 4) != 0) {
        return false;
    }
    Profile p{profile, size};
    if (!p.Colorant("rXYZ", kSrgbColorants[0]) || !p.Colorant("gXYZ", kSrgbColorants[1]) ||
        !p.Colorant("bXYZ", kSrgbColorants[2])) {
        return false;
    }
    for (const char* curve : {"rTRC", "gTRC", "bTRC"}) {
        double y = p.CurveAtHalf(curve);
        if (y < 0 || std::fabs(y - kSrgbMidGrey) > kCurveTolerance) {
            return false;
        }
    }
    return true;
}
