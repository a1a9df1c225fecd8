// Pictures for tests of Tandrel: written as plain 24-bit BMP files, and read
// back from the 24- or 32-bit BMP files the program saves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testpictures {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
    bool operator!=(const Rgb& other) const { return !(*this == other); }
};

// A picture held top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Picture MakePicture(int width, int height, const std::function<Rgb(int x, int y)>& colour);

// A colour that tells every position of a picture up to 256 x 256 apart.
Rgb PositionColour(int x, int y);

bool WriteBmp(const std::wstring& path, const Picture& picture);
// False when the file is missing or not an uncompressed 24- or 32-bit BMP.
bool ReadBmp(const std::wstring& path, Picture* picture);

std::string Describe(const Rgb& colour);

}  // namespace testpictures
