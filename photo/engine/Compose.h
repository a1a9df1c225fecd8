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
