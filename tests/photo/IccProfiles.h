// ICC colour profiles built by hand for tests: RGB matrix profiles with the
// primaries of sRGB or Display P3 and a choice of tone curves, and the APP2
// segment that carries one in a JPEG file. Free of windows.h.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace iccprofiles {

using Bytes = std::vector<uint8_t>;

// Primaries as adapted to D50, rows red, green, blue.
struct Primaries {
    double xyz[3][3];
};
const Primaries kSrgb = {{{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}}};
const Primaries kDisplayP3 = {{{0.5151, 0.2412, -0.0011}, {0.2920, 0.6922, 0.0419}, {0.1571, 0.0666, 0.7841}}};

enum class Curve { SrgbParametric, SrgbTable, Gamma22, Gamma18, Linear };

inline void Put32(Bytes& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        b.push_back(uint8_t(v >> shift));
    }
}
inline void Put16(Bytes& b, unsigned v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
inline void PutFixed(Bytes& b, double v) {
    Put32(b, uint32_t(int32_t(std::lround(v * 65536.0))));
}
inline void PutText(Bytes& b, const char* four) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(uint8_t(four[i]));
    }
}

inline Bytes Xyz(const double (&v)[3]) {
    Bytes tag;
    PutText(tag, "XYZ ");
    Put32(tag, 0);
    for (double c : v) {
        PutFixed(tag, c);
    }
    return tag;
}

inline double SrgbDecode(double x) {
    return x >= 0.04045 ? std::pow((x + 0.055) / 1.055, 2.4) : x / 12.92;
}

inline Bytes CurveTag(Curve curve) {
    Bytes tag;
    switch (curve) {
        case Curve::SrgbParametric:
            PutText(tag, "para");
            Put32(tag, 0);
            Put16(tag, 3);
            Put16(tag, 0);
            for (double p : {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}) {
                PutFixed(tag, p);
            }
            break;
        case Curve::SrgbTable:
            PutText(tag, "curv");
            Put32(tag, 0);
            Put32(tag, 1024);
            for (int i = 0; i < 1024; ++i) {
                Put16(tag, unsigned(std::lround(SrgbDecode(i / 1023.0) * 65535.0)));
            }
            break;
        case Curve::Gamma22:
        case Curve::Gamma18:
            PutText(tag, "curv");
            Put32(tag, 0);
            Put32(tag, 1);
            Put16(tag, curve == Curve::Gamma22 ? 0x0233 : 0x01CD);  // 2.2 and 1.8 in u8Fixed8
            Put16(tag, 0);
            break;
        case Curve::Linear:
            PutText(tag, "curv");
            Put32(tag, 0);
            Put32(tag, 0);
            break;
    }
    return tag;
}

// A version 2.1 display profile for RGB.
inline Bytes MatrixProfile(const Primaries& primaries, Curve curve, const char* colourSpace = "RGB ") {
    std::vector<std::pair<std::string, Bytes>> tags = {
        {"rXYZ", Xyz(primaries.xyz[0])}, {"gXYZ", Xyz(primaries.xyz[1])},
        {"bXYZ", Xyz(primaries.xyz[2])}, {"wtpt", Xyz({0.9642, 1.0, 0.8249})},
        {"rTRC", CurveTag(curve)},       {"gTRC", CurveTag(curve)},
        {"bTRC", CurveTag(curve)},
    };
    Bytes table, data;
    size_t dataAt = 128 + 4 + 12 * tags.size();
    for (auto& tag : tags) {
        while (tag.second.size() % 4) {
            tag.second.push_back(0);
        }
        PutText(table, tag.first.c_str());
        Put32(table, uint32_t(dataAt + data.size()));
        Put32(table, uint32_t(tag.second.size()));
        data.insert(data.end(), tag.second.begin(), tag.second.end());
    }
    Bytes profile;
    Put32(profile, uint32_t(dataAt + data.size()));
    PutText(profile, "none");
    Put32(profile, 0x02100000);
    PutText(profile, "mntr");
    PutText(profile, colourSpace);
    PutText(profile, "XYZ ");
    profile.resize(36, 0);  // date
    PutText(profile, "acsp");
    profile.resize(68, 0);
    PutFixed(profile, 0.9642);  // illuminant
    PutFixed(profile, 1.0);
    PutFixed(profile, 0.8249);
    profile.resize(128, 0);
    Put32(profile, uint32_t(tags.size()));
    profile.insert(profile.end(), table.begin(), table.end());
    profile.insert(profile.end(), data.begin(), data.end());
    return profile;
}

// `jpeg` with `profile` in one APP2 segment right after its start marker.
inline Bytes WithProfile(const Bytes& jpeg, const Bytes& profile) {
    Bytes segment = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
    segment.insert(segment.end(), profile.begin(), profile.end());
    size_t length = segment.size() + 2;
    const uint8_t marker[] = {jpeg[0], jpeg[1], 0xFF, 0xE2, uint8_t(length >> 8), uint8_t(length)};
    // Copied into place rather than inserted: GCC 12 warns of bounds in
    // vector::insert that are not crossed.
    Bytes out(sizeof(marker) + segment.size() + jpeg.size() - 2);
    auto at = std::copy(marker, marker + sizeof(marker), out.begin());
    at = std::copy(segment.begin(), segment.end(), at);
    std::copy(jpeg.begin() + 2, jpeg.end(), at);
    return out;
}

}  // namespace iccprofiles
