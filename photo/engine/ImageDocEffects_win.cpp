// Text overlays and region effects of the open picture: the copyright line
// and the tiled watermark drawn into the text layers, mosaic and blur of the
// lasso region of `display`.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "engine/Effects.h"
#include "engine/Escapes.h"
#include "engine/ImageDoc_win.h"
#include "engine/OverlayText_win.h"
#include "engine/ViewMouse_win.h"
#include "imaging/Image_win.h"

namespace {

const size_t kOverlayTextCapacity = 1024;
const COLORREF kCopyrightColour = RGB(255, 255, 255);
const COLORREF kWatermarkColour = RGB(180, 180, 180);
const UINT kTextAlignLowerRight = TA_RIGHT | TA_BOTTOM;

// The stored text in a local buffer (at most 1023 characters), markers expanded.
void ExpandedCopy(const wchar_t* text, wchar_t (&buffer)[kOverlayTextCapacity]) {
    std::wcsncpy(buffer, text ? text : L"", kOverlayTextCapacity - 1);
    buffer[kOverlayTextCapacity - 1] = L'\0';
    ExpandEscapes(buffer);
}

void PrepareTextDC(HDC dc, COLORREF colour) {
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, kTextAlignLowerRight);
}

// The part of a width x height picture a text layer must hold for ink within
// `ink` (on the picture): room for the softening to spread and read.
PixelBox LayerBoxFor(const PixelBox& ink, int width, int height) {
    const LayerArea window = SmoothingWindow(LayerArea{ink.left, ink.top, ink.right, ink.bottom}, width, height);
    return PixelBox{window.left, window.top, window.right, window.bottom};
}

// Softens one layer, lying over `box` of a width x height picture, after GDI
// has finished drawing into it; it was black outside `ink` (on the picture).
// Returns where on the picture it may now hold ink.
PixelBox SmoothDrawnLayer(const DibLayer& layer, const PixelBox& box, int width, int height, const PixelBox& ink) {
    if (!layer) {
        return PixelBox{};
    }
    GdiFlush();
    const LayerArea area = {ink.left, ink.top, ink.right, ink.bottom};
    SmoothLayerWindow(layer.Bits(), LayerArea{box.left, box.top, box.right, box.bottom}, width, height, area);
    const LayerArea grown = SmoothedArea(area, width, height);
    // The sharp layer's ink lies within it too, unless softening left it alone.
    PixelBox covered = {std::min(grown.left, ink.left), std::min(grown.top, ink.top), std::max(grown.right, ink.right),
                        std::max(grown.bottom, ink.bottom)};
    return Intersection(covered, box);
}

PixelBox Shifted(const PixelBox& box, int dx, int dy) {
    return PixelBox{box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
}

// The soft layer of a pair receives exactly what the sharp one received (both
// started black), so its pixels are copied instead of drawing every text
// twice; layers of different geometry are drawn into separately. Only the rows
// of `ink` are copied: elsewhere both are black.
bool CopyLayer(const DibLayer& from, DibLayer& to, const PixelBox& ink) {
    if (!from || !to.HasSize(from.Width(), from.Height())) {
        return false;
    }
    GdiFlush();
    const PixelBox rows = Intersection(ink, PixelBox{0, 0, from.Width(), from.Height()});
    if (rows.Empty()) {
        return true;
    }
    const size_t stride = RowStride(from.Width());
    const size_t first = stride * size_t(from.Height() - rows.bottom);
    std::memcpy(to.Bits() + first, from.Bits() + first, stride * size_t(rows.bottom - rows.top));
    return true;
}

// GDI takes coordinates up to 2^27; a tile anchored farther away than this
// (a size from a hand-edited settings file) draws nothing on any screen.
int ToDeviceCoordinate(int64_t value) {
    const int64_t kFar = int64_t(1) << 26;
    return static_cast<int>(value > kFar ? kFar : value < -kFar ? -kFar : value);
}

// Width and height of `text` (markers expanded) as DrawText draws it.
SIZE TextExtent(HDC dc, const wchar_t* text, int size, int bold) {
    wchar_t buffer[kOverlayTextCapacity];
    ExpandedCopy(text, buffer);
    return OverlayText(dc, buffer, kOverlayFace, size, bold != 0).Extent(dc);
}

bool IsOn(int on, const wchar_t* text) {
    return on && text && text[0] != L'\0';
}

}  // namespace

void ImageDoc::DrawText(HDC dc,
                        const wchar_t* text,
                        const wchar_t* face,
                        int height,
                        int x,
                        int y,
                        int bold,
                        COLORREF colour) {
    if (!dc) {
        return;
    }
    PrepareTextDC(dc, colour);
    wchar_t buffer[kOverlayTextCapacity];
    ExpandedCopy(text, buffer);
    OverlayText(dc, buffer, face, height, bold != 0).Draw(dc, x, y);
}

int ImageDoc::DrawCopyrightLocked() {
    HWND view = View();
    if (!view || !display_) {
        return 0;
    }
    ReleasePairLocked(0);
    if (!IsOn(texts_.copyrightOn, texts_.copyright.c_str())) {
        return 1;
    }
    const wchar_t* text = texts_.copyright.c_str();
    const int size = texts_.copyrightSize;
    // Placed by the picture, not by the view: a window cannot be made as
    // small as a small trim, and the line must land on what is saved.
    const int width = ImgWidth(display_.Get()), height = ImgHeight(display_.Get());
    const int x = width - 10;
    const int y = height - 5;
    const int bold = size > 7 ? 1 : 0;
    // The text's box with room for overhangs and anti-aliasing all round:
    // only there do the layers hold pixels, softened and composed.
    WindowDC windowDC(view);
    MemoryDC measuring(CreateCompatibleDC(windowDC.Get()));
    const SIZE extent = TextExtent(measuring.Get(), text, size, bold);
    const int64_t margin = std::max(4, size < 0 ? -size : size) + 2;
    const PixelBox ink =
        Intersection(PixelBox{ToDeviceCoordinate(x - extent.cx - margin), ToDeviceCoordinate(y - extent.cy - margin),
                              ToDeviceCoordinate(x + margin), ToDeviceCoordinate(y + margin)},
                     PixelBox{0, 0, width, height});
    if (ink.Empty()) {
        return 1;  // nothing of the line on the picture
    }
    const PixelBox box = LayerBoxFor(ink, width, height);
    if (!MakePairLocked(0, box)) {
        return 0;
    }
    DibLayer& sharp = layers_[LayerCopyrightSharp];
    DibLayer& soft = layers_[LayerCopyrightSoft];
    DrawText(sharp.DC(), text, kOverlayFace, size, x - box.left, y - box.top, bold, kCopyrightColour);
    if (!CopyLayer(sharp, soft, Shifted(ink, -box.left, -box.top))) {
        DrawText(soft.DC(), text, kOverlayFace, size, x - box.left, y - box.top, bold, kCopyrightColour);
    }
    textArea_[0] = SmoothDrawnLayer(soft, box, width, height, ink);
    return 1;
}

int ImageDoc::DrawWatermarkLocked() {
    HWND view = View();
    if (!view || !display_) {
        return 0;
    }
    ReleasePairLocked(1);
    if (!IsOn(texts_.watermarkOn, texts_.watermark.c_str())) {
        return 1;
    }
    const int size = texts_.watermarkSize;
    const int width = ImgWidth(display_.Get()), height = ImgHeight(display_.Get());
    const RECT client = {0, 0, width, height};  // the picture's, as for the copyright
    wchar_t stored[kOverlayTextCapacity];
    std::wcsncpy(stored, texts_.watermark.c_str(), kOverlayTextCapacity - 1);
    stored[kOverlayTextCapacity - 1] = L'\0';
    // The tiles are spaced by the stored text (markers unexpanded) times the
    // size. A size below 1 (possible from a hand-edited settings file) would
    // tile without end; such a watermark is not drawn.
    const int64_t step = static_cast<int64_t>(std::wcslen(stored)) * size;
    if (size < 1 || step < 1) {
        return 1;
    }
    wchar_t expanded[kOverlayTextCapacity];
    ExpandedCopy(stored, expanded);
    // The tiles cover the picture: the pair lies over all of it.
    const PixelBox whole = {0, 0, width, height};
    if (!MakePairLocked(1, whole)) {
        return 0;
    }
    DibLayer& sharp = layers_[LayerWatermarkSharp];
    DibLayer& soft = layers_[LayerWatermarkSoft];

    // Laid out once for all tiles; the same drawing as DrawText at each. A
    // text in one font keeps it selected across the tiles.
    PrepareTextDC(sharp.DC(), kWatermarkColour);
    OverlayText tile(sharp.DC(), expanded, kOverlayFace, size, true);
    const int64_t rowPitch = 2 * static_cast<int64_t>(size);
    auto drawTiles = [&](HDC dc) {
        for (int64_t row = 0; rowPitch * row < client.bottom + rowPitch; ++row) {
            for (int64_t x = (row % 2) * step / 2; x < client.right + step; x += step) {
                tile.Draw(dc, ToDeviceCoordinate(x), ToDeviceCoordinate(rowPitch * row));
            }
        }
    };
    {
        ScopedSelect font(sharp.DC(), tile.FontOf(0));
        drawTiles(sharp.DC());
    }
    if (!CopyLayer(sharp, soft, whole)) {
        PrepareTextDC(soft.DC(), kWatermarkColour);
        drawTiles(soft.DC());
    }
    textArea_[1] = SmoothDrawnLayer(soft, whole, width, height, whole);
    return 1;
}

int ImageDoc::RenderTexts(int watermarkOn,
                          int copyrightOn,
                          const wchar_t* watermarkText,
                          const wchar_t* copyrightText,
                          int watermarkSize,
                          int copyrightSize,
                          int /*recreate*/) {
    {
        DocLock lock(*this);
        texts_.watermarkOn = watermarkOn;
        texts_.copyrightOn = copyrightOn;
        texts_.watermark = watermarkText ? watermarkText : L"";
        texts_.copyright = copyrightText ? copyrightText : L"";
        texts_.watermarkSize = watermarkSize;
        texts_.copyrightSize = copyrightSize;
        if (!View()) {
            return 0;
        }
        layersCurrent_ = true;
        DrawWatermarkLocked();
        DrawCopyrightLocked();
    }
    InvalidateRect(View(), nullptr, FALSE);
    return 1;
}

int ImageDoc::SetWatermark(int on, const wchar_t* text, int size) {
    DocLock lock(*this);
    texts_.watermarkOn = on;
    texts_.watermark = text ? text : L"";
    texts_.watermarkSize = size;
    return RedrawPairLocked(&ImageDoc::DrawWatermarkLocked);
}

int ImageDoc::SetCopyright(int on, const wchar_t* text, int size) {
    DocLock lock(*this);
    texts_.copyrightOn = on;
    texts_.copyright = text ? text : L"";
    texts_.copyrightSize = size;
    return RedrawPairLocked(&ImageDoc::DrawCopyrightLocked);
}

int ImageDoc::RedrawPairLocked(int (ImageDoc::*draw)()) {
    HWND view = View();
    if (!view) {
        return 0;
    }
    (this->*draw)();
    shownStale_ = true;
    InvalidateRect(view, nullptr, FALSE);
    return 1;
}

// Runs one effect from `working` into `display` where `mask` is set; all
// three of one geometry, checked by the caller.
static bool RunOnPixels(bool mosaic, int size, ImgHandle working, ImgHandle display, const uint8_t* mask) {
    const int width = ImgWidth(display), height = ImgHeight(display);
    const uint8_t* samples = nullptr;
    uint8_t* target = nullptr;
    uint32_t sampleBytes = 0, targetBytes = 0;
    if (!ImgReadPixels(working, nullptr, &samples, &sampleBytes) ||
        !ImgGetPixels(display, nullptr, &target, &targetBytes)) {
        return false;
    }
    const size_t needed = RowStride(width) * static_cast<size_t>(height);
    if (sampleBytes < needed || targetBytes < needed) {
        return false;
    }
    return mosaic ? MosaicRegion(samples, target, mask, width, height, size)
                  : BlurRegion(samples, target, mask, width, height, size);
}

// The mask of `regions` (on the picture) as the mouse drew them
// (ImageDoc::MouseMoved, FinishLasso): the outline, then the fill. The
// release point only closes the fill.
static void DrawMask(DibLayer& mask, const std::vector<std::vector<POINT>>& regions) {
    mask.Clear();
    for (const std::vector<POINT>& points : regions) {
        DrawLasso(mask.DC(), nullptr, points.data(), int(points.size()) - 1, kOverlayColour);
        FillLasso(mask.DC(), nullptr, points.data(), int(points.size()), kOverlayColour);
    }
    GdiFlush();
}

static bool MakeMask(DibLayer& mask, ImgHandle display) {
    BITMAPINFOHEADER header = {};
    if (!ImgGetHeader(display, &header) || !mask.Create(header, nullptr)) {
        return false;
    }
    SelectObject(mask.DC(), GetStockObject(NULL_PEN));
    return true;
}

// Runs one effect over the selected regions, so that a paint on the view
// thread never copies `display` half-replaced and no rebuild frees the
// pictures under it. The regions are masked on the picture itself, whatever
// the scale the view draws them at. False when nothing was done.
bool ImageDoc::RunEffectLocked(bool mosaic, int size) {
    if (!display_ || !working_ || size <= 0 || mode_ != DocMode::Selected || closedRegions_.empty()) {
        return false;
    }
    DibLayer mask;
    if (!MakeMask(mask, display_.Get())) {
        return false;
    }
    DrawMask(mask, closedRegions_);
    if (!RunOnPixels(mosaic, size, working_.Get(), display_.Get(), mask.Bits())) {
        return false;
    }
    shownStale_ = true;
    return true;
}

bool ImageDoc::ReplayEffectsLocked(ImgHandle working, ImgHandle display, const Affine& loadedToWorking) const {
    if (effects_.empty()) {
        return true;
    }
    DibLayer mask;
    if (!MakeMask(mask, display)) {
        return false;
    }
    std::vector<std::vector<POINT>> regions;
    for (const AppliedEffect& effect : effects_) {
        regions.clear();
        for (const Region& region : effect.regions) {
            std::vector<POINT> points;
            for (const RegionPoint& p : Mapped(region, loadedToWorking)) {
                points.push_back(POINT{static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))});
            }
            regions.push_back(std::move(points));
        }
        DrawMask(mask, regions);
        if (!RunOnPixels(effect.mosaic, effect.size, working, display, mask.Bits())) {
            return false;
        }
    }
    return true;
}

void ImageDoc::KeepEffectsWithinLocked(double left, double top, double right, double bottom) {
    const Affine toWorking = Then(loadedToSource_, sourceToWorking_);
    const Affine back = Inverse(toWorking);
    std::vector<AppliedEffect> kept;
    for (AppliedEffect& effect : effects_) {
        std::vector<Region> inside;
        for (const Region& region : effect.regions) {
            Region clipped = ClippedTo(Mapped(region, toWorking), left, top, right, bottom);
            if (!clipped.empty()) {
                inside.push_back(Mapped(clipped, back));
            }
        }
        if (!inside.empty()) {
            kept.push_back(AppliedEffect{effect.mosaic, effect.size, std::move(inside)});
        }
    }
    effects_ = std::move(kept);
}

// Keeps the effect just run over the closed regions.
void ImageDoc::RecordEffectLocked(bool mosaic, int size) {
    const Affine back = Inverse(Then(loadedToSource_, sourceToWorking_));
    AppliedEffect effect = {mosaic, size, {}};
    for (const std::vector<POINT>& closed : closedRegions_) {
        Region region;
        region.reserve(closed.size());
        for (POINT p : closed) {
            region.push_back(back(RegionPoint{double(p.x), double(p.y)}));
        }
        effect.regions.push_back(std::move(region));
    }
    effects_.push_back(std::move(effect));
}

void ImageDoc::RemoveEffects() {
    {
        DocLock lock(*this);
        effects_.clear();
        // `display` is `working` again: the two share their pixels.
        OwnedImage plain(ImgCopy(working_.Get()));
        if (plain) {
            display_ = std::move(plain);
        } else if (working_ && display_) {
            ImgCopyPixels(display_.Get(), working_.Get());
        }
        shownStale_ = true;
    }
    if (HWND view = View()) {
        InvalidateRect(view, nullptr, FALSE);
    }
}

bool ImageDoc::HasEffects() const {
    DocLock lock(*this);
    return !effects_.empty();
}

// What both effects do after running: the selection ends and the picture is
// shown again.
int ImageDoc::FinishEffect() {
    {
        DocLock lock(*this);
        mode_ = DocMode::Idle;
        ClearOverlayLocked(1);
    }
    InvalidateRect(View(), nullptr, FALSE);
    return 1;
}

int ImageDoc::ApplyMosaic(int blockSize) {
    {
        DocLock lock(*this);
        if (!RunEffectLocked(true, blockSize)) {
            return 0;
        }
        RecordEffectLocked(true, blockSize);
    }
    return FinishEffect();
}

int ImageDoc::ApplyBlur(int radius) {
    {
        DocLock lock(*this);
        if (!RunEffectLocked(false, radius)) {
            return 0;
        }
        RecordEffectLocked(false, radius);
    }
    return FinishEffect();
}
