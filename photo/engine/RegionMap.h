// Where a lasso region drawn on the shown picture lies on the loaded one, and
// back: the maps between pixel-edge coordinates of the pictures of the chain
// (scaling, quarter turns, the cut of a trim). Applied effects keep their
// regions on the loaded picture so every rebuild can draw them again on the
// new working picture. Free of windows.h.
#pragma once

#include <vector>

struct RegionPoint {
    double x = 0;
    double y = 0;
};
using Region = std::vector<RegionPoint>;

// x' = xx x + xy y + dx, y' = yx x + yy y + dy.
struct Affine {
    double xx = 1, xy = 0, dx = 0;
    double yx = 0, yy = 1, dy = 0;
    RegionPoint operator()(RegionPoint p) const { return {xx * p.x + xy * p.y + dx, yx * p.x + yy * p.y + dy}; }
};

// `first`, then `second`.
Affine Then(const Affine& first, const Affine& second);
// The map back; the identity for a map that has none (never made here).
Affine Inverse(const Affine& map);
Affine Shift(double dx, double dy);
// From a width x height picture to the same scaled to scaledWidth x
// scaledHeight and then turned `degrees` clockwise (0, 90, 180 or 270; any
// other value does not turn).
Affine ScaleAndTurn(int width, int height, int scaledWidth, int scaledHeight, int degrees);

Region Mapped(const Region& region, const Affine& map);
// The part of `region` within left <= x <= right, top <= y <= bottom, as a
// polygon that fills the same points there under either fill rule; empty when
// none of it is inside.
Region ClippedTo(const Region& region, double left, double top, double right, double bottom);
