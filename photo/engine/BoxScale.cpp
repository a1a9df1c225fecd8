#include "engine/BoxScale.h"

ResizeRequest BoxResize(int width, int height, int limitW, int limitH, int enlarge) {
    if (limitW == 0 && limitH == 0) {
        return {0, 0};
    }
    if (limitH == 0) {
        return {limitW, -1};
    }
    if (limitW == 0) {
        return {-1, limitH};
    }
    if (width <= 0 || height <= 0) {
        // A picture without pixels has nothing to fit.
        return {0, 0};
    }
    // The height the picture would get at the width limit, compared as a
    // double: for an integer limit "fitted < limit" is the same as "truncated
    // fitted < limit", and no conversion can overflow.
    double fittedHeight = static_cast<double>(height) * static_cast<unsigned>(limitW) / width;
    bool widthDecides = fittedHeight < limitH;
    if (enlarge) {
        return widthDecides ? ResizeRequest{limitW, -1} : ResizeRequest{-1, limitH};
    }
    if (limitW >= width) {
        // Already narrow enough: only a height above the box shrinks it.
        return limitH >= height ? ResizeRequest{width, height} : ResizeRequest{-1, limitH};
    }
    return widthDecides ? ResizeRequest{limitW, -1} : ResizeRequest{-1, limitH};
}
