// Text of the watermark and copyright overlays as GDI draws it into a layer:
// the face the overlays ask for, with the Japanese character set. Where the
// font the mapper picks lacks a character (a Japanese font without "™", say),
// that character is drawn in the first of a few fallbacks that has it: the
// same face with the default character set, then common faces known to carry
// the symbols. So markers never come out as empty boxes.
#pragma once

#include <windows.h>

#include <vector>

#include "win/Gdi.h"

extern const wchar_t kOverlayFace[];  // "Lucida Sans Unicode"

// The overlay font: `height` in logical units, weight 700 or 400, the given
// character set, anti-aliased, fixed pitch and modern family as a hint.
HFONT CreateOverlayFont(const wchar_t* face, int height, bool bold, BYTE charset);

// One text laid out once and drawn any number of times (the watermark draws
// it at every tile). The text is taken as it is: markers already expanded.
class OverlayText {
public:
    OverlayText(HDC dc, const wchar_t* text, const wchar_t* face, int height, bool bold);
    OverlayText(const OverlayText&) = delete;
    OverlayText& operator=(const OverlayText&) = delete;

    // Draws with the lower right corner of the text at (x, y), in the DC's
    // text colour and background mode; leaves the DC's font as it was.
    void Draw(HDC dc, int x, int y) const;

    // The advance width and the cell height of the whole text as drawn.
    SIZE Extent(HDC dc) const;

    // Whether every character has a glyph in the font it is drawn with.
    bool AllCharactersHaveGlyphs() const { return missing_ == 0; }
    // The font a character is drawn with.
    HFONT FontOf(size_t index) const;

private:
    struct Run {
        size_t start;
        size_t length;
        size_t font;  // index into fonts_, 0 the primary
        int width;    // advance in logical units
    };
    std::vector<wchar_t> text_;
    std::vector<Run> runs_;
    std::vector<Font> fonts_;
    int missing_ = 0;
};
