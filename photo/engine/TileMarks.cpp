#include "engine/TileMarks.h"

#include <algorithm>

void TileMarks::Reset(int width, int height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    columns_ = (width_ + kTile - 1) / kTile;
    rows_ = (height_ + kTile - 1) / kTile;
    marks_.assign(size_t(columns_) * size_t(rows_), 0);
    any_ = false;
}

void TileMarks::Clear() {
    if (any_) {
        std::fill(marks_.begin(), marks_.end(), uint8_t(0));
        any_ = false;
    }
}

void TileMarks::Mark(const PixelBox& box) {
    const PixelBox clipped = Intersection(box, PixelBox{0, 0, width_, height_});
    if (clipped.Empty()) {
        return;
    }
    for (int row = clipped.top / kTile; row <= (clipped.bottom - 1) / kTile; ++row) {
        uint8_t* line = marks_.data() + size_t(row) * size_t(columns_);
        std::fill(line + clipped.left / kTile, line + (clipped.right - 1) / kTile + 1, uint8_t(1));
    }
    any_ = true;
}

void TileMarks::Pieces(const PixelBox& box, std::vector<MarkedPiece>& out) const {
    out.clear();
    const PixelBox clipped = Intersection(box, PixelBox{0, 0, width_, height_});
    if (clipped.Empty()) {
        return;
    }
    if (!any_) {
        out.push_back(MarkedPiece{clipped, false});
        return;
    }
    const int firstColumn = clipped.left / kTile, lastColumn = (clipped.right - 1) / kTile;
    // The pieces of the tile row before, still open: they grow downwards
    // while the next row is cut the same way.
    size_t open = 0;
    for (int row = clipped.top / kTile; row <= (clipped.bottom - 1) / kTile; ++row) {
        const int top = std::max(clipped.top, row * kTile);
        const int bottom = std::min(clipped.bottom, (row + 1) * kTile);
        const uint8_t* line = marks_.data() + size_t(row) * size_t(columns_);
        const size_t start = out.size();
        for (int column = firstColumn; column <= lastColumn;) {
            int end = column;
            while (end + 1 <= lastColumn && line[end + 1] == line[column]) {
                ++end;
            }
            const int left = std::max(clipped.left, column * kTile);
            const int right = std::min(clipped.right, (end + 1) * kTile);
            out.push_back(MarkedPiece{PixelBox{left, top, right, bottom}, line[column] != 0});
            column = end + 1;
        }
        const size_t count = out.size() - start;
        bool same = count == start - open && start > open;
        for (size_t i = 0; same && i < count; ++i) {
            const MarkedPiece& above = out[open + i];
            const MarkedPiece& here = out[start + i];
            same = above.marked == here.marked && above.box.left == here.box.left && above.box.right == here.box.right;
        }
        if (same) {
            for (size_t i = 0; i < count; ++i) {
                out[open + i].box.bottom = bottom;
            }
            out.resize(start);
        } else {
            open = start;
        }
    }
}
