#include "engine/BoxScale.h"

ResizeRequest BoxResize(int width, int height, int limitW, int limitH, int enlarge) {
    if (limitW == 0 && limitH == 0) {
        return {0, 0};
    }
    if (width <= 0 || height <= 0 || limitW < 0 || limitH < 0) {
        return {0, 0};  // no picture to fit, or no box: nothing to do
    }
    if (limitH == 0) {
        return {limitW, -1};
    }
    if (limitW == 0) {
        return {-1, limitH};
    }
    // The height the picture would get at the width limit.
    double fittedHeight = static_cast<double>(static_cast<unsigned>(height)) * static_cast<unsigned>(limitW) /
                          static_cast<unsigned>(width);
    bool widthDecides = static_cast<long long>(fittedHeight) < limitH;
    if (enlarge) {
        return widthDecides ? ResizeRequest{limitW, -1} : ResizeRequest{-1, limitH};
    }
    if (limitW >= width) {
        // Already narrow enough: only a height above the box shrinks it.
        return limitH >= height ? ResizeRequest{width, height} : ResizeRequest{-1, limitH};
    }
    return widthDecides ? ResizeRequest{limitW, -1} : ResizeRequest{-1, limitH};
}

int64_t PicturePixelLimit(uint64_t addressSpace, int64_t hardLimit) {
    uint64_t limit = addressSpace / 2 / (3 * uint64_t(kPictureCopies));
    return limit < uint64_t(hardLimit) ? int64_t(limit) : hardLimit;
}
