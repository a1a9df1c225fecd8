#include "engine/OverlayText.h"

const wchar_t kOverlayFace[] = L"Lucida Sans Unicode";

namespace {

// Restores the previously selected font when it goes.
class FontSelection {
public:
    FontSelection(HDC dc, HFONT font) : dc_(dc), previous_(static_cast<HFONT>(SelectObject(dc, font))) {}
    ~FontSelection() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
    }
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;

private:
    HDC dc_;
    HFONT previous_;
};

// For each character whether `font` lacks a glyph for it.
std::vector<bool> MissingGlyphs(HDC dc, HFONT font, const std::vector<wchar_t>& text) {
    std::vector<bool> missing(text.size(), false);
    if (text.empty() || !font) {
        return missing;
    }
    std::vector<WORD> glyphs(text.size(), 0);
    FontSelection select(dc, font);
    if (GetGlyphIndicesW(dc, text.data(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) {
        return missing;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        missing[i] = glyphs[i] == 0xFFFF;
    }
    return missing;
}

bool IsSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

}  // namespace

HFONT CreateOverlayFont(const wchar_t* face, int height, bool bold, BYTE charset) {
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, face);
}

OverlayText::OverlayText(HDC dc, const wchar_t* text, const wchar_t* face, int height, bool bold) {
    for (const wchar_t* c = text; c && *c; ++c) {
        text_.push_back(*c);
    }
    fonts_[0] = ScopedFont(CreateOverlayFont(face, height, bold, SHIFTJIS_CHARSET));
    std::vector<bool> missing = MissingGlyphs(dc, fonts_[0].Get(), text_);
    std::vector<int> fontOf(text_.size(), 0);
    bool anyMissing = false;
    for (size_t i = 0; i < text_.size(); ++i) {
        anyMissing = anyMissing || (missing[i] && !IsSurrogate(text_[i]));
    }
    if (anyMissing) {
        fonts_[1] = ScopedFont(CreateOverlayFont(face, height, bold, DEFAULT_CHARSET));
        std::vector<bool> missingInFallback = MissingGlyphs(dc, fonts_[1].Get(), text_);
        for (size_t i = 0; i < text_.size(); ++i) {
            // Surrogate pairs stay with the primary font, so a pair is never split.
            if (missing[i] && !missingInFallback[i] && !IsSurrogate(text_[i])) {
                fontOf[i] = 1;
                missing[i] = false;
            }
        }
    }
    for (size_t i = 0; i < text_.size(); ++i) {
        missing_ += missing[i] && text_[i] >= 0x20 ? 1 : 0;
    }

    for (size_t i = 0; i < text_.size();) {
        size_t end = i + 1;
        while (end < text_.size() && fontOf[end] == fontOf[i]) {
            ++end;
        }
        Run run = {i, end - i, fontOf[i], 0};
        runs_.push_back(run);
        i = end;
    }
    if (runs_.size() > 1) {
        for (Run& run : runs_) {
            FontSelection select(dc, fonts_[run.font].Get());
            SIZE extent = {};
            GetTextExtentPoint32W(dc, text_.data() + run.start, static_cast<int>(run.length), &extent);
            run.width = extent.cx;
        }
    }
}

void OverlayText::Draw(HDC dc, int x, int y) const {
    // Right-aligned: the last run ends at x, each run before it where the
    // next one starts.
    int right = x;
    for (size_t i = runs_.size(); i-- > 0;) {
        const Run& run = runs_[i];
        FontSelection select(dc, fonts_[run.font].Get());
        TextOutW(dc, right, y, text_.data() + run.start, static_cast<int>(run.length));
        right -= run.width;
    }
}

HFONT OverlayText::FontOf(size_t index) const {
    for (const Run& run : runs_) {
        if (index >= run.start && index < run.start + run.length) {
            return fonts_[run.font].Get();
        }
    }
    return fonts_[0].Get();
}
