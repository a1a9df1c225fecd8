#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "IccProfiles.h"
#include "imaging/ColourProfile.h"

namespace {

using iccprofiles::Curve;

TEST(ColourProfile, SrgbIsKnownByItsPrimariesAndCurvesWhateverTheirForm) {
    struct Case {
        const char* name;
        iccprofiles::Primaries primaries;
        Curve curve;
        bool srgb;
    } cases[] = {
        {"sRGB, parametric curves", iccprofiles::kSrgb, Curve::SrgbParametric, true},
        {"sRGB, sampled curves", iccprofiles::kSrgb, Curve::SrgbTable, true},
        {"sRGB primaries, gamma 1.8", iccprofiles::kSrgb, Curve::Gamma18, false},
        {"sRGB primaries, gamma 2.2 (off by more than half a level)", iccprofiles::kSrgb, Curve::Gamma22, false},
        {"sRGB primaries, linear", iccprofiles::kSrgb, Curve::Linear, false},
        {"Display P3", iccprofiles::kDisplayP3, Curve::SrgbParametric, false},
        {"Display P3, sampled curves", iccprofiles::kDisplayP3, Curve::SrgbTable, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> profile = iccprofiles::MatrixProfile(c.primaries, c.curve);
        EXPECT_EQ(IccProfileIsSrgb(profile.data(), profile.size()), c.srgb) << c.name;
    }
}

TEST(ColourProfile, AnythingElseIsNotSrgbAndIsReadWithinItsBounds) {
    std::vector<uint8_t> srgb = iccprofiles::MatrixProfile(iccprofiles::kSrgb, Curve::SrgbParametric);
    std::vector<uint8_t> grey = iccprofiles::MatrixProfile(iccprofiles::kSrgb, Curve::SrgbParametric, "GRAY");
    EXPECT_FALSE(IccProfileIsSrgb(grey.data(), grey.size()));
    std::vector<uint8_t> noSignature = srgb;
    noSignature[36] = 'x';
    EXPECT_FALSE(IccProfileIsSrgb(noSignature.data(), noSignature.size()));
    std::vector<uint8_t> manyTags = srgb;
    manyTags[128] = 0x7F;  // a tag count far beyond the data
    EXPECT_FALSE(IccProfileIsSrgb(manyTags.data(), manyTags.size()));
    EXPECT_FALSE(IccProfileIsSrgb(nullptr, 0));
    // Every prefix, in a buffer of exactly its size: a cut profile is not sRGB.
    for (size_t n = 0; n < srgb.size(); ++n) {
        std::vector<uint8_t> prefix(srgb.begin(), srgb.begin() + ptrdiff_t(n));
        EXPECT_FALSE(IccProfileIsSrgb(prefix.data(), prefix.size())) << n;
    }
}

}  // namespace
