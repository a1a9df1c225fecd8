// The byte arithmetic of a paint: the text layers and the selection tint
// combined into a copy of the displayed picture. Free of windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

// Pixels of the five layers, each as long as the frame (same geometry).
struct LayerPixels {
    const uint8_t* copyrightSharp;  // layer 0
    const uint8_t* copyrightSoft;   // layer 1
    const uint8_t* watermarkSharp;  // layer 2
    const uint8_t* watermarkSoft;   // layer 3
    const uint8_t* overlay;         // selection and rubber band
};

// For every byte c of `frame` (padding included), in this order:
//   c = max(0, c - L1)                      dark halo of the copyright text
//   c = (c + 5 L0) / 6      where L0 != 0   the copyright text, 5 parts in 6
//   c = clamp(c + L2 - L3, 0, 255)          watermark relief
//   c = min(255, c + O)     only with tint  selection tint and rubber band
// Nothing happens without a frame or a text layer; no overlay means no tint.
// The frame is split over the cores, with the bytes of one thread.
void ComposeFrame(uint8_t* frame, size_t count, const LayerPixels& layers, bool tint);

// A rectangle of a picture as displayed (top row 0); right, bottom exclusive.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};
PixelBox Intersection(const PixelBox& a, const PixelBox& b);

// A picture's pixels with the geometry of the layers laid over it: 24 bits a
// pixel, rows of `stride` bytes, buffer row 0 the bottom row as displayed.
struct PixelPlane {
    const uint8_t* bits = nullptr;
    size_t stride = 0;
    int width = 0;
    int height = 0;
};

// One text's sharp and soft layer, laid over the rectangle `box` of the
// picture: each as wide and high as the box, rows padded to 4 bytes, buffer
// row 0 the box's bottom row. Black outside
// `area` (on the picture); an empty area or a missing layer stands for no
// text, and only the part of the area within the box is read.
struct LayerPair {
    const uint8_t* sharp = nullptr;
    const uint8_t* soft = nullptr;
    PixelBox area;
    PixelBox box;
};

// The part `box` of the composed picture, the same bytes as ComposeFrame
// gives there: the picture's pixels in `box`, the copyright pair and the
// watermark pair applied only where their areas meet it, the tint of
// `overlay` (geometry of the picture; none: no tint) over all of it. `out`
// receives the box as its own bottom-up picture, rows of `outStride` bytes.
// It may be the picture itself (the box then the whole picture).
void ComposeBox(const PixelPlane& picture,
                const LayerPair& copyright,
                const LayerPair& watermark,
                const uint8_t* overlay,
                PixelBox box,
                uint8_t* out,
                size_t outStride);
