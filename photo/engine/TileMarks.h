// Which parts of a picture-sized layer hold anything, kept by square tiles, so
// that a paint reads a mostly blank layer only where something was drawn and
// a clear wipes only those parts. Free of windows.h.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Compose.h"

// One rectangle of a box cut by the marks: wholly within marked tiles, or
// wholly within unmarked ones.
struct MarkedPiece {
    PixelBox box;
    bool marked = false;
};

class TileMarks {
public:
    static const int kTile = 32;

    // A layer of `width` by `height` pixels with nothing marked.
    void Reset(int width, int height);
    // Nothing marked; the size stays.
    void Clear();
    // The tiles `box` touches (clipped to the layer) are marked.
    void Mark(const PixelBox& box);
    bool Any() const { return any_; }

    // `box` (clipped to the layer) cut into pieces that are each marked or
    // unmarked as a whole, covering it exactly once, top to bottom. A run of
    // tile rows cut alike is one piece, so a box with nothing marked is one.
    void Pieces(const PixelBox& box, std::vector<MarkedPiece>& out) const;

private:
    int width_ = 0;
    int height_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    bool any_ = false;
    std::vector<uint8_t> marks_;  // rows_ by columns_
};
