#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/Compose.h"
#include "engine/TileMarks.h"
#include "imaging/Parallel.h"

namespace {

// The passes one after another, as written down.
uint8_t Reference(int c, int l0, int l1, int l2, int l3, int o, bool tint) {
    c = std::max(0, c - l1);
    if (l0 != 0) {
        c = (c + 5 * l0) / 6;
    }
    c = std::clamp(c + l2 - l3, 0, 255);
    if (tint) {
        c = std::min(255, c + o);
    }
    return uint8_t(c);
}

TEST(ComposeFrame, MatchesThePassesForEveryByte) {
    // Random layers over an odd length (no whole number of vector lanes), and
    // every pair of picture byte and copyright byte.
    std::mt19937 random(7);
    const size_t n = 65536 + 1000 + 13;
    std::vector<uint8_t> frame(n), layer[5];
    for (auto& l : layer) {
        l.resize(n);
    }
    for (size_t i = 0; i < n; ++i) {
        frame[i] = uint8_t(i < 65536 ? i & 0xFF : random());
        layer[0][i] = uint8_t(i < 65536 ? i >> 8 : random());
        for (int k = 1; k < 5; ++k) {
            layer[k][i] = uint8_t(i < 65536 ? 0 : random() % (k == 4 ? 256 : 120));
        }
    }
    for (bool tint : {false, true}) {
        std::vector<uint8_t> out = frame;
        ComposeFrame(out.data(), n,
                     {layer[0].data(), layer[1].data(), layer[2].data(), layer[3].data(), layer[4].data()}, tint);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(out[i],
                      Reference(frame[i], layer[0][i], layer[1][i], layer[2][i], layer[3][i], layer[4][i], tint))
                << "byte " << i << (tint ? " with tint" : "");
        }
    }
}

TEST(ComposeFrame, AllCoresGiveTheBytesOfOne) {
    // A frame of several bands of whole cache lines plus an odd tail.
    std::mt19937 random(11);
    const size_t n = 3 * 1024 * 1024 + 77;
    std::vector<uint8_t> frame(n), layer[5];
    for (auto& l : layer) {
        l.resize(n);
        for (uint8_t& byte : l) {
            byte = uint8_t(random() % 3 ? 0 : random());
        }
    }
    for (uint8_t& byte : frame) {
        byte = uint8_t(random());
    }
    LayerPixels layers = {layer[0].data(), layer[1].data(), layer[2].data(), layer[3].data(), layer[4].data()};
    for (bool tint : {false, true}) {
        std::vector<uint8_t> one = frame, many = frame;
        SetParallelThreads(1);
        ComposeFrame(one.data(), n, layers, tint);
        SetParallelThreads(7);
        ComposeFrame(many.data(), n, layers, tint);
        SetParallelThreads(0);
        EXPECT_TRUE(one == many) << (tint ? "with tint" : "without tint");
        EXPECT_EQ(one[n - 1], Reference(frame[n - 1], layer[0][n - 1], layer[1][n - 1], layer[2][n - 1],
                                        layer[3][n - 1], layer[4][n - 1], tint));
    }
}

TEST(ComposeFrame, WithoutAFrameOrALayerDoesNothing) {
    std::vector<uint8_t> frame(100, 77), layer(100, 200);
    LayerPixels layers = {layer.data(), layer.data(), layer.data(), layer.data(), nullptr};
    ComposeFrame(nullptr, 100, layers, true);
    layers.watermarkSoft = nullptr;
    ComposeFrame(frame.data(), frame.size(), layers, false);
    EXPECT_EQ(frame, std::vector<uint8_t>(100, 77));
    // No overlay: the tint is left out, the rest is done.
    layers.watermarkSoft = layer.data();
    ComposeFrame(frame.data(), frame.size(), layers, true);
    EXPECT_EQ(frame[0], Reference(77, 200, 200, 200, 200, 0, false));
}

TEST(ComposeFrame, ShowsTextShadowReliefAndTint) {
    struct {
        uint8_t c, l0, l1, l2, l3, o;
        bool tint;
        uint8_t expected;
    } cases[] = {
        {100, 0, 0, 0, 0, 200, false, 100},  // nothing drawn, tint off
        {100, 0, 30, 0, 0, 0, false, 70},    // halo darkens
        {10, 0, 30, 0, 0, 0, false, 0},      // ... not below black
        {70, 255, 0, 0, 0, 0, false, 224},   // white text: (70 + 1275) / 6
        {0, 1, 0, 0, 0, 0, false, 0},        // 5 / 6 truncates
        {250, 0, 0, 180, 0, 0, false, 255},  // relief clamps high
        {20, 0, 0, 0, 180, 0, false, 0},     // ... and low
        {200, 0, 0, 0, 0, 100, true, 255},   // tint saturates
        {30, 0, 0, 0, 0, 30, true, 60},
    };
    for (const auto& c : cases) {
        uint8_t frame = c.c;
        ComposeFrame(&frame, 1, {&c.l0, &c.l1, &c.l2, &c.l3, &c.o}, c.tint);
        EXPECT_EQ(frame, c.expected) << int(c.c) << " " << int(c.l0) << " " << int(c.l1);
    }
}

}  // namespace

namespace {

// A bottom-up picture and layers of width x height, the layers black outside
// their areas, composed whole by ComposeFrame and by boxes with ComposeBox.
TEST(ComposeBox, GivesTheBytesOfTheWholeFrameInItsBox) {
    std::mt19937 random(3);
    const int width = 97, height = 61;
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t n = stride * height;
    std::vector<uint8_t> picture(n), layer[5];
    for (uint8_t& byte : picture) {
        byte = uint8_t(random());
    }
    const PixelBox copyrightArea = {60, 50, 95, 60};
    const PixelBox watermarkArea = {0, 0, width, height};
    auto fill = [&](std::vector<uint8_t>& l, const PixelBox& area) {
        l.assign(n, 0);
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = 3 * area.left; x < 3 * area.right; ++x) {
                l[stride * (height - 1 - y) + x] = uint8_t(random() % 4 ? 0 : random());
            }
        }
    };
    fill(layer[0], copyrightArea);
    fill(layer[1], copyrightArea);
    fill(layer[2], watermarkArea);
    fill(layer[3], watermarkArea);
    fill(layer[4], watermarkArea);
    const PixelPlane plane = {picture.data(), stride, width, height};
    const PixelBox whole = {0, 0, width, height};
    const LayerPair copyright = {layer[0].data(), layer[1].data(), copyrightArea, whole};
    const LayerPair watermark = {layer[2].data(), layer[3].data(), watermarkArea, whole};
    // The copyright's layers held only over a box round its area (as the
    // document keeps them), one pixel and row of black beyond it.
    const PixelBox cutBox = {59, 49, 96, 61};
    const size_t cutStride = (size_t(cutBox.right - cutBox.left) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> cut[2];
    for (int i = 0; i < 2; ++i) {
        cut[i].assign(cutStride * size_t(cutBox.bottom - cutBox.top), 0);
        for (int y = cutBox.top; y < cutBox.bottom; ++y) {
            std::memcpy(cut[i].data() + cutStride * size_t(cutBox.bottom - 1 - y),
                        layer[i].data() + stride * size_t(height - 1 - y) + 3 * size_t(cutBox.left),
                        3 * size_t(cutBox.right - cutBox.left));
        }
    }
    const LayerPair cutCopyright = {cut[0].data(), cut[1].data(), copyrightArea, cutBox};

    for (bool tint : {false, true}) {
        std::vector<uint8_t> composed = picture;
        ComposeFrame(composed.data(), n,
                     {layer[0].data(), layer[1].data(), layer[2].data(), layer[3].data(), layer[4].data()}, tint);
        const PixelBox boxes[] = {{0, 0, width, height},
                                  {55, 45, 97, 61},
                                  {1, 1, 2, 2},
                                  {10, 5, 70, 55},
                                  {90, 0, 120, 80}};  // the last reaches beyond the picture
        for (const PixelBox& box : boxes) {
            SCOPED_TRACE(testing::Message() << box.left << "," << box.top << " " << (tint ? "tint" : ""));
            const PixelBox inside = Intersection(box, PixelBox{0, 0, width, height});
            const int w = inside.right - inside.left, h = inside.bottom - inside.top;
            const size_t outStride = (size_t(w) * 3 + 3) & ~size_t(3);
            for (const LayerPair& pair : {copyright, cutCopyright}) {
                std::vector<uint8_t> out(outStride * h, 0xAB);
                ComposeBox(plane, pair, watermark, tint ? layer[4].data() : nullptr, box, out.data(), outStride);
                for (int y = 0; y < h; ++y) {
                    const uint8_t* expected =
                        composed.data() + stride * (height - 1 - (inside.top + y)) + 3 * inside.left;
                    const uint8_t* got = out.data() + outStride * (h - 1 - y);
                    ASSERT_TRUE(std::equal(got, got + 3 * w, expected))
                        << "row " << y << (pair.sharp == cut[0].data() ? " (copyright cut out)" : "");
                }
            }
        }
        // In place over the whole picture, as the view's scaled copy is made.
        std::vector<uint8_t> inPlace = picture;
        ComposeBox(PixelPlane{inPlace.data(), stride, width, height}, cutCopyright, watermark,
                   tint ? layer[4].data() : nullptr, PixelBox{0, 0, width, height}, inPlace.data(), stride);
        EXPECT_TRUE(inPlace == composed);
    }

    // A pair without text (no area) is skipped: its layers are never read.
    std::vector<uint8_t> plain(stride * height);
    ComposeBox(plane, LayerPair{}, LayerPair{nullptr, nullptr, watermarkArea, whole}, nullptr, whole, plain.data(),
               stride);
    for (int row = 0; row < height; ++row) {
        ASSERT_TRUE(std::equal(plain.begin() + stride * row, plain.begin() + stride * row + 3 * width,
                               picture.begin() + stride * row))
            << "row " << row;
    }
}

// The pieces a paint is cut into cover the box once, each wholly marked or
// wholly unmarked as the tiles under it are, and rows cut alike are merged.
TEST(TileMarks, PiecesCoverTheBoxOnceAndFollowTheMarks) {
    const int width = 203, height = 150, tile = TileMarks::kTile;
    TileMarks marks;
    marks.Reset(width, height);
    std::vector<MarkedPiece> pieces;
    marks.Pieces(PixelBox{-5, 10, 500, 90}, pieces);
    ASSERT_EQ(pieces.size(), 1u) << "nothing marked: the clipped box whole";
    EXPECT_FALSE(pieces[0].marked);
    EXPECT_EQ(pieces[0].box.left, 0);
    EXPECT_EQ(pieces[0].box.right, width);

    // A crosshair: one line across, one down, as the overlay draws it.
    marks.Mark(PixelBox{0, 70, width, 71});
    marks.Mark(PixelBox{100, 0, 101, height});
    marks.Pieces(PixelBox{0, 0, width, height}, pieces);
    // Above the line: unmarked | column | unmarked, once for all those rows;
    // the line's tile row whole; below it the three again.
    ASSERT_EQ(pieces.size(), 7u);
    EXPECT_EQ(pieces[0].box.bottom, 2 * tile);
    EXPECT_TRUE(pieces[1].marked);
    EXPECT_EQ(pieces[3].box.left, 0);
    EXPECT_EQ(pieces[3].box.right, width);
    EXPECT_TRUE(pieces[3].marked);

    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        marks.Reset(width, height);
        std::vector<uint8_t> marked(size_t(width) * height, 0);
        const int count = int(random() % 6);
        for (int i = 0; i < count; ++i) {
            const int left = int(random() % 260) - 30, top = int(random() % 200) - 30;
            const PixelBox box = {left, top, left + int(random() % 90), top + int(random() % 90)};
            marks.Mark(box);
            const PixelBox in = Intersection(box, PixelBox{0, 0, width, height});
            for (int y = in.top / tile * tile;
                 !in.Empty() && y < std::min(height, (in.bottom - 1) / tile * tile + tile); ++y) {
                for (int x = in.left / tile * tile; x < std::min(width, (in.right - 1) / tile * tile + tile); ++x) {
                    marked[size_t(y) * width + x] = 1;
                }
            }
        }
        const int left = int(random() % 220) - 10, top = int(random() % 170) - 10;
        const PixelBox box = {left, top, left + 1 + int(random() % 220), top + 1 + int(random() % 170)};
        marks.Pieces(box, pieces);
        const PixelBox inside = Intersection(box, PixelBox{0, 0, width, height});
        std::vector<int> covered(size_t(width) * height, 0);
        int lastTop = -1;
        for (const MarkedPiece& piece : pieces) {
            ASSERT_FALSE(piece.box.Empty());
            ASSERT_GE(piece.box.top, lastTop) << "top to bottom";
            lastTop = piece.box.top;
            for (int y = piece.box.top; y < piece.box.bottom; ++y) {
                for (int x = piece.box.left; x < piece.box.right; ++x) {
                    ++covered[size_t(y) * width + x];
                    ASSERT_EQ(marked[size_t(y) * width + x], piece.marked ? 1 : 0) << x << "," << y;
                }
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool in = x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom;
                ASSERT_EQ(covered[size_t(y) * width + x], in ? 1 : 0) << x << "," << y << " round " << round;
            }
        }
    }
}

}  // namespace
