#include "engine/OverlayText_win.h"

#include <algorithm>
#include <utility>

const wchar_t kOverlayFace[] = L"Lucida Sans Unicode";

namespace {

// For each character whether `font` lacks a glyph for it.
std::vector<bool> MissingGlyphs(HDC dc, HFONT font, const std::vector<wchar_t>& text) {
    std::vector<bool> missing(text.size(), false);
    if (text.empty() || !font) {
        return missing;
    }
    std::vector<WORD> glyphs(text.size(), 0);
    ScopedSelect select(dc, font);
    if (GetGlyphIndicesW(dc, text.data(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) ==
        GDI_ERROR) {
        return missing;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        missing[i] = glyphs[i] == 0xFFFF;
    }
    return missing;
}

// Tried in order for characters the primary font lacks; null stands for the
// overlay face itself with the default character set.
const wchar_t* const kFallbackFaces[] = {
    nullptr, L"Arial", L"Segoe UI", L"Tahoma", L"Segoe UI Symbol", L"DejaVu Sans",
};

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
    fonts_.push_back(Font(CreateOverlayFont(face, height, bold, SHIFTJIS_CHARSET)));
    std::vector<bool> missing = MissingGlyphs(dc, fonts_[0].Get(), text_);
    std::vector<size_t> fontOf(text_.size(), 0);
    // Surrogate pairs stay with the primary font, so a pair is never split;
    // control characters (from a "#1" code) have no glyph anywhere.
    auto needsFallback = [&](size_t i) { return missing[i] && !IsSurrogate(text_[i]) && text_[i] >= 0x20; };
    for (size_t f = 0; f < sizeof(kFallbackFaces) / sizeof(kFallbackFaces[0]); ++f) {
        bool anyMissing = false;
        for (size_t i = 0; i < text_.size() && !anyMissing; ++i) {
            anyMissing = needsFallback(i);
        }
        if (!anyMissing) {
            break;
        }
        Font fallback(CreateOverlayFont(kFallbackFaces[f] ? kFallbackFaces[f] : face, height, bold, DEFAULT_CHARSET));
        std::vector<bool> missingInFallback = MissingGlyphs(dc, fallback.Get(), text_);
        bool used = false;
        for (size_t i = 0; i < text_.size(); ++i) {
            if (needsFallback(i) && !missingInFallback[i]) {
                fontOf[i] = fonts_.size();
                missing[i] = false;
                used = true;
            }
        }
        if (used) {
            fonts_.push_back(std::move(fallback));
        }
    }
    for (size_t i = 0; i < text_.size(); ++i) {
        missing_ += needsFallback(i) ? 1 : 0;
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
            ScopedSelect select(dc, fonts_[run.font].Get());
            SIZE extent = {};
            GetTextExtentPoint32W(dc, text_.data() + run.start, static_cast<int>(run.length), &extent);
            run.width = extent.cx;
        }
    }
}

void OverlayText::Draw(HDC dc, int x, int y) const {
    if (runs_.size() == 1 && GetCurrentObject(dc, OBJ_FONT) == fonts_[runs_[0].font].Get()) {
        // Already selected by the caller (the watermark's tiles).
        TextOutW(dc, x, y, text_.data(), static_cast<int>(runs_[0].length));
        return;
    }
    // Right-aligned: the last run ends at x, each run before it where the
    // next one starts.
    int right = x;
    for (size_t i = runs_.size(); i-- > 0;) {
        const Run& run = runs_[i];
        ScopedSelect select(dc, fonts_[run.font].Get());
        TextOutW(dc, right, y, text_.data() + run.start, static_cast<int>(run.length));
        right -= run.width;
    }
}

SIZE OverlayText::Extent(HDC dc) const {
    SIZE total = {0, 0};
    for (const Run& run : runs_) {
        ScopedSelect select(dc, fonts_[run.font].Get());
        SIZE extent = {};
        GetTextExtentPoint32W(dc, text_.data() + run.start, static_cast<int>(run.length), &extent);
        total.cx += extent.cx;
        total.cy = std::max(total.cy, extent.cy);
    }
    return total;
}

HFONT OverlayText::FontOf(size_t index) const {
    for (const Run& run : runs_) {
        if (index >= run.start && index < run.start + run.length) {
            return fonts_[run.font].Get();
        }
    }
    return fonts_[0].Get();
}
