#include "engine/RegionMap.h"

#include <functional>

Affine Then(const Affine& a, const Affine& b) {
    Affine r;
    r.xx = b.xx * a.xx + b.xy * a.yx;
    r.xy = b.xx * a.xy + b.xy * a.yy;
    r.dx = b.xx * a.dx + b.xy * a.dy + b.dx;
    r.yx = b.yx * a.xx + b.yy * a.yx;
    r.yy = b.yx * a.xy + b.yy * a.yy;
    r.dy = b.yx * a.dx + b.yy * a.dy + b.dy;
    return r;
}

Affine Inverse(const Affine& m) {
    double determinant = m.xx * m.yy - m.xy * m.yx;
    if (determinant == 0) {
        return Affine();
    }
    Affine r;
    r.xx = m.yy / determinant;
    r.xy = -m.xy / determinant;
    r.yx = -m.yx / determinant;
    r.yy = m.xx / determinant;
    r.dx = -(r.xx * m.dx + r.xy * m.dy);
    r.dy = -(r.yx * m.dx + r.yy * m.dy);
    return r;
}

Affine Shift(double dx, double dy) {
    Affine r;
    r.dx = dx;
    r.dy = dy;
    return r;
}

Affine ScaleAndTurn(int width, int height, int scaledWidth, int scaledHeight, int degrees) {
    Affine scale;
    if (width > 0 && height > 0) {
        scale.xx = double(scaledWidth) / width;
        scale.yy = double(scaledHeight) / height;
    }
    // A pixel at (x, y) of the W x H picture lands, turned clockwise, at
    // (H - 1 - y, x): its edges at x' = H - y.
    const double w = scaledWidth, h = scaledHeight;
    Affine turn;
    switch (degrees) {
        case 90:
            turn = {0, -1, h, 1, 0, 0};
            break;
        case 180:
            turn = {-1, 0, w, 0, -1, h};
            break;
        case 270:
            turn = {0, 1, 0, -1, 0, w};
            break;
        default:
            break;
    }
    return Then(scale, turn);
}

Region Mapped(const Region& region, const Affine& map) {
    Region result;
    result.reserve(region.size());
    for (const RegionPoint& p : region) {
        result.push_back(map(p));
    }
    return result;
}

namespace {

// One side of the box at a time: the outline's parts beyond it are replaced by
// runs along it, which keeps the winding of every point inside.
Region ClipSide(const Region& region,
                const std::function<bool(RegionPoint)>& inside,
                const std::function<RegionPoint(RegionPoint, RegionPoint)>& crossing) {
    Region result;
    for (size_t i = 0; i < region.size(); ++i) {
        RegionPoint from = region[i];
        RegionPoint to = region[(i + 1) % region.size()];
        bool fromIn = inside(from), toIn = inside(to);
        if (fromIn && toIn) {
            result.push_back(to);
        } else if (fromIn) {
            result.push_back(crossing(from, to));
        } else if (toIn) {
            result.push_back(crossing(from, to));
            result.push_back(to);
        }
    }
    return result;
}

RegionPoint AtX(RegionPoint a, RegionPoint b, double x) {
    return {x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)};
}

RegionPoint AtY(RegionPoint a, RegionPoint b, double y) {
    return {a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y};
}

}  // namespace

Region ClippedTo(const Region& region, double left, double top, double right, double bottom) {
    Region r = region;
    r = ClipSide(
        r, [&](RegionPoint p) { return p.x >= left; }, [&](RegionPoint a, RegionPoint b) { return AtX(a, b, left); });
    r = ClipSide(
        r, [&](RegionPoint p) { return p.x <= right; }, [&](RegionPoint a, RegionPoint b) { return AtX(a, b, right); });
    r = ClipSide(
        r, [&](RegionPoint p) { return p.y >= top; }, [&](RegionPoint a, RegionPoint b) { return AtY(a, b, top); });
    r = ClipSide(
        r, [&](RegionPoint p) { return p.y <= bottom; },
        [&](RegionPoint a, RegionPoint b) { return AtY(a, b, bottom); });
    return r;
}
