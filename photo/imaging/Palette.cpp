#include "imaging/Palette.h"

#include <algorithm>
#include <new>

#include "imaging/Image.h"

namespace {

inline uint32_t ColourAt(const uint8_t* p) {
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// Open addressing over 1024 slots: at most 257 colours are ever stored.
class ColourTable {
public:
    static constexpr int kSlots = 1024;
    ColourTable() { std::fill(keys_, keys_ + kSlots, kEmpty); }
    // The index of `colour`, adding it when new; -1 when the table holds 256.
    int Find(uint32_t colour, std::vector<uint32_t>& palette) {
        unsigned slot = (colour * 2654435761u) >> 22;
        for (;;) {
            if (keys_[slot] == colour) {
                return values_[slot];
            }
            if (keys_[slot] == kEmpty) {
                if (palette.size() == 256) {
                    return -1;
                }
                keys_[slot] = colour;
                values_[slot] = uint8_t(palette.size());
                palette.push_back(colour);
                return values_[slot];
            }
            slot = (slot + 1) & (kSlots - 1);
        }
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    uint32_t keys_[kSlots];
    uint8_t values_[kSlots];
};

bool ExactPalette(const PixelImage& image, IndexedPixels& out) {
    ColourTable table;
    out.palette.clear();
    uint8_t* index = out.indices.data();
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* p = image.DisplayRow(y);
        for (int x = 0; x < image.width; ++x, p += 3) {
            int found = table.Find(ColourAt(p), out.palette);
            if (found < 0) {
                return false;
            }
            *index++ = uint8_t(found);
        }
    }
    return true;
}

inline int BinOf(const uint8_t* p) {
    return (p[2] >> 3) << 10 | (p[1] >> 3) << 5 | (p[0] >> 3);
}

struct Bin {
    uint32_t count = 0;
    uint64_t sum[3] = {0, 0, 0};  // red, green, blue
};

struct Box {
    std::vector<int> bins;
    uint64_t count = 0;
    int axis = 0;   // 0 red, 1 green, 2 blue: the longest side
    int range = 0;  // its length in 5-bit steps
};

inline int Channel(int bin, int axis) {
    return (bin >> (10 - 5 * axis)) & 31;
}

void Measure(Box& box, const std::vector<Bin>& bins) {
    int low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
    box.count = 0;
    for (int bin : box.bins) {
        box.count += bins[size_t(bin)].count;
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], Channel(bin, a));
            high[a] = std::max(high[a], Channel(bin, a));
        }
    }
    box.axis = 0;
    box.range = -1;
    for (int a = 0; a < 3; ++a) {
        if (high[a] - low[a] > box.range) {
            box.range = high[a] - low[a];
            box.axis = a;
        }
    }
}

void MedianCut(const PixelImage& image, IndexedPixels& out) {
    std::vector<Bin> bins(32768);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* p = image.BufferRow(y);
        for (int x = 0; x < image.width; ++x, p += 3) {
            Bin& bin = bins[size_t(BinOf(p))];
            ++bin.count;
            bin.sum[0] += p[2];
            bin.sum[1] += p[1];
            bin.sum[2] += p[0];
        }
    }
    std::vector<Box> boxes(1);
    for (int b = 0; b < 32768; ++b) {
        if (bins[size_t(b)].count) {
            boxes[0].bins.push_back(b);
        }
    }
    Measure(boxes[0], bins);
    while (boxes.size() < 256) {
        // Split the box where most pixels meet the widest spread of colour.
        size_t pick = boxes.size();
        double best = 0.0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            double score = double(boxes[i].count) * boxes[i].range;
            if (boxes[i].bins.size() > 1 && score > best) {
                best = score;
                pick = i;
            }
        }
        if (pick == boxes.size()) {
            break;
        }
        Box& box = boxes[pick];
        int axis = box.axis;
        std::sort(box.bins.begin(), box.bins.end(),
                  [axis](int a, int b) { return Channel(a, axis) < Channel(b, axis); });
        uint64_t half = box.count / 2, seen = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.bins.size(); ++i) {
            seen += bins[size_t(box.bins[i])].count;
            cut = i + 1;
            if (seen >= half) {
                break;
            }
        }
        Box upper;
        upper.bins.assign(box.bins.begin() + ptrdiff_t(cut), box.bins.end());
        box.bins.resize(cut);
        Measure(box, bins);
        Measure(upper, bins);
        boxes.push_back(std::move(upper));
    }
    out.palette.clear();
    for (const Box& box : boxes) {
        uint64_t sum[3] = {0, 0, 0};
        for (int bin : box.bins) {
            for (int a = 0; a < 3; ++a) {
                sum[a] += bins[size_t(bin)].sum[a];
            }
        }
        uint64_t n = std::max<uint64_t>(box.count, 1);
        out.palette.push_back(uint32_t((sum[0] + n / 2) / n) << 16 | uint32_t((sum[1] + n / 2) / n) << 8 |
                              uint32_t((sum[2] + n / 2) / n));
    }
    // Each occupied bin goes to the palette colour nearest its mean colour.
    std::vector<uint8_t> nearest(32768, 0);
    for (int b = 0; b < 32768; ++b) {
        const Bin& bin = bins[size_t(b)];
        if (!bin.count) {
            continue;
        }
        int mean[3];
        for (int a = 0; a < 3; ++a) {
            mean[a] = int(bin.sum[a] / bin.count);
        }
        int bestDistance = 1 << 30;
        for (size_t i = 0; i < out.palette.size(); ++i) {
            int dr = int(out.palette[i] >> 16 & 0xFF) - mean[0];
            int dg = int(out.palette[i] >> 8 & 0xFF) - mean[1];
            int db = int(out.palette[i] & 0xFF) - mean[2];
            int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                nearest[size_t(b)] = uint8_t(i);
            }
        }
    }
    uint8_t* index = out.indices.data();
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* p = image.DisplayRow(y);
        for (int x = 0; x < image.width; ++x, p += 3) {
            *index++ = nearest[size_t(BinOf(p))];
        }
    }
}

}  // namespace

uint32_t QuantizePixels(const PixelImage& image, IndexedPixels& out) {
    if (!image.bits) {
        return ImgErrInvalidArg;
    }
    try {
        out.indices.resize(size_t(image.width) * size_t(image.height));
        if (!ExactPalette(image, out)) {
            MedianCut(image, out);
        }
    } catch (const std::bad_alloc&) {
        return ImgErrOutOfMemory;
    }
    return 0;
}
