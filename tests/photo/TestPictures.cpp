#include "TestPictures.h"

#include <cstdio>
#include <cstring>

#include "support/TestFiles.h"

namespace testpictures {

namespace {

void Put16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

uint32_t Get32(const std::string& in, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(in[at + i]);
    }
    return value;
}

uint16_t Get16(const std::string& in, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(in[at]) | (static_cast<uint8_t>(in[at + 1]) << 8));
}

}  // namespace

Picture MakePicture(int width, int height, const std::function<Rgb(int x, int y)>& colour) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(colour(x, y));
        }
    }
    return picture;
}

Rgb PositionColour(int x, int y) {
    Rgb colour;
    colour.r = static_cast<uint8_t>(x & 0xFF);
    colour.g = static_cast<uint8_t>(y & 0xFF);
    colour.b = static_cast<uint8_t>((x * 7 + y * 13) & 0xFF);
    return colour;
}

bool WriteBmp(const std::wstring& path, const Picture& picture) {
    const uint32_t stride = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * static_cast<uint32_t>(picture.height);
    std::string out;
    out += "BM";
    Put32(out, 14 + 40 + imageBytes);
    Put32(out, 0);
    Put32(out, 14 + 40);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(picture.width));
    Put32(out, static_cast<uint32_t>(picture.height));  // bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, imageBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < picture.width; ++x) {
            Rgb c = picture.At(x, y);
            row.push_back(static_cast<char>(c.b));
            row.push_back(static_cast<char>(c.g));
            row.push_back(static_cast<char>(c.r));
        }
        row.resize(stride, '\0');
        out += row;
    }
    return testfiles::WriteFileBytes(path, out);
}

bool ReadBmp(const std::wstring& path, Picture* picture) {
    std::string in = testfiles::ReadFileBytes(path);
    if (in.size() < 54 || in[0] != 'B' || in[1] != 'M') {
        return false;
    }
    uint32_t offset = Get32(in, 10);
    int32_t width = static_cast<int32_t>(Get32(in, 18));
    int32_t height = static_cast<int32_t>(Get32(in, 22));
    uint16_t bits = Get16(in, 28);
    uint32_t compression = Get32(in, 30);
    bool bitfields32 = bits == 32 && compression == 3;
    if ((bits != 24 && bits != 32) || (compression != 0 && !bitfields32) || width <= 0 || height == 0) {
        return false;
    }
    bool bottomUp = height > 0;
    int rows = bottomUp ? height : -height;
    uint32_t bytesPerPixel = bits / 8;
    uint32_t stride = (static_cast<uint32_t>(width) * bytesPerPixel + 3) & ~3u;
    if (offset + static_cast<uint64_t>(stride) * rows > in.size()) {
        return false;
    }
    picture->width = width;
    picture->height = rows;
    picture->pixels.assign(static_cast<size_t>(width) * rows, Rgb());
    for (int row = 0; row < rows; ++row) {
        int y = bottomUp ? rows - 1 - row : row;
        const char* line = in.data() + offset + static_cast<size_t>(stride) * row;
        for (int x = 0; x < width; ++x) {
            Rgb& c = picture->pixels[static_cast<size_t>(y) * width + x];
            c.b = static_cast<uint8_t>(line[x * bytesPerPixel]);
            c.g = static_cast<uint8_t>(line[x * bytesPerPixel + 1]);
            c.r = static_cast<uint8_t>(line[x * bytesPerPixel + 2]);
        }
    }
    return true;
}

std::string Describe(const Rgb& colour) {
    char text[32];
    std::snprintf(text, sizeof(text), "(%d,%d,%d)", colour.r, colour.g, colour.b);
    return text;
}

}  // namespace testpictures
