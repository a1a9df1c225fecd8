// The size arithmetic of the photo tool over the whole range of int: the box
// a picture is fitted into, the resize a request gives, and the rectangle a
// trimming drag selects.
#include "FuzzSupport.h"
#include "engine/BoxScale.h"
#include "engine/TrimGeometry.h"
#include "imaging/Pixels.h"

namespace {

bool InSideRange(int value) {
    return value >= 1 && value <= kMaxImageSide;
}

void CheckBox(int width, int height, int limitW, int limitH, int enlarge) {
    ResizeRequest request = BoxResize(width, height, limitW, limitH, enlarge);
    if (limitW == 0 && limitH == 0) {
        FUZZ_CHECK(request.width == 0 && request.height == 0);
        return;
    }
    if (!InSideRange(width) || !InSideRange(height) || !InSideRange(limitW) || !InSideRange(limitH)) {
        return;
    }
    int w = width, h = height;
    if ((request.width || request.height) && !ResolveResize(width, height, request.width, request.height, &w, &h)) {
        return;  // a box larger than any picture we take on
    }
    if (!enlarge) {
        FUZZ_CHECK(w <= width && h <= height);
        if (width <= limitW && height <= limitH) {
            FUZZ_CHECK(w == width && h == height);
            return;
        }
    } else {
        FUZZ_CHECK(w == limitW || h == limitH);
    }
    FUZZ_CHECK(w <= limitW && h <= limitH);
}

void CheckResolve(int sourceWidth, int sourceHeight, int width, int height) {
    int w = -7, h = -7;
    if (!ResolveResize(sourceWidth, sourceHeight, width, height, &w, &h)) {
        FUZZ_CHECK(w == -7 && h == -7);
        return;
    }
    FUZZ_CHECK(SizeAllowed(w, h));
    if (width > 0 && height > 0) {
        FUZZ_CHECK(w == width && h == height);
    }
    FUZZ_CHECK(width == -1 || w == width);
    FUZZ_CHECK(height == -1 || h == height);
}

void CheckTrim(int anchorX, int anchorY, int x, int y, int pictureWidth, int pictureHeight) {
    TrimRect rect;
    TrimVerdict verdict = JudgeTrim(anchorX, anchorY, x, y, pictureWidth, pictureHeight, &rect);
    FUZZ_CHECK(rect.width >= 0 && rect.height >= 0 && rect.x >= 0 && rect.y >= 0);
    if (pictureWidth >= 0 && pictureHeight >= 0) {
        FUZZ_CHECK(int64_t(rect.x) + rect.width <= pictureWidth && int64_t(rect.y) + rect.height <= pictureHeight);
    }
    bool narrow = rect.width < kMinTrimSide, shortSide = rect.height < kMinTrimSide;
    FUZZ_CHECK((verdict == TrimVerdict::Accepted) == (!narrow && !shortSide));
    FUZZ_CHECK((verdict == TrimVerdict::TooSmall) == (narrow && shortSide));
    FUZZ_CHECK((verdict == TrimVerdict::TooNarrow) == (narrow && !shortSide));
    FUZZ_CHECK((verdict == TrimVerdict::TooShort) == (!narrow && shortSide));
}

// Mostly sizes near the picture limits, sometimes anything at all.
int Side(FuzzedDataProvider& data) {
    return data.ConsumeBool() ? data.ConsumeIntegral<int>() : data.ConsumeIntegralInRange(-2, kMaxImageSide + 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    int a = Side(data), b = Side(data), c = Side(data), d = Side(data), e = Side(data), f = Side(data);
    int enlarge = data.ConsumeBool() ? 1 : 0;
    CheckBox(a, b, c, d, enlarge);
    CheckResolve(a, b, c, d);
    CheckTrim(a, b, c, d, e, f);
    return 0;
}
