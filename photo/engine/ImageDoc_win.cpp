#include "engine/ImageDoc_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "engine/BoxScale.h"
#include "engine/Compose.h"
#include "engine/Effects.h"
#include "engine/Format.h"
#include "engine/Preload_win.h"
#include "engine/ViewWindow_win.h"
#include "engine/WorkerThread_win.h"
#include "imaging/Image_win.h"
#include "imaging/Pixels.h"

namespace {

PixelPlane PlaneOf(ImgHandle image) {
    const ImgInfoHeader* info = nullptr;
    const uint8_t* bits = nullptr;
    PixelPlane plane;
    // Read only: `display` shares its pixels with `working` and `source`
    // until an effect writes it.
    if (image && ImgReadPixels(image, &info, &bits, nullptr)) {
        plane.bits = bits;
        plane.width = ImgWidth(image);
        plane.height = ImgHeight(image);
        plane.stride = RowStride(plane.width);
    }
    return plane;
}

const DWORD kViewEndLimitMs = 10000;

HWND ReadWindow(HWND const* field) {
    return static_cast<HWND>(
        InterlockedCompareExchangePointer(reinterpret_cast<void**>(const_cast<HWND*>(field)), nullptr, nullptr));
}

// Waits until `thread` has ended, answering what other threads send to this
// one meanwhile (the view may be sending to a window of this thread). False
// when it did not end within `limitMs`.
bool WaitAnswering(HANDLE thread, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) {
            return false;
        }
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, limitMs - waited, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1) {
            return false;
        }
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

ImageDoc::ImageDoc() {
    InitializeCriticalSection(&lock_);
}

ImageDoc::~ImageDoc() {
    if (viewThread_) {
        CloseView();
    }
    DeleteCriticalSection(&lock_);
}

std::unique_ptr<ImageDoc> ImageDoc::Unviewed(int width, int height, HWND owner) {
    std::unique_ptr<ImageDoc> doc(new ImageDoc);
    doc->owner_ = owner;
    doc->source_.Reset(ImgCreate(width, height));
    doc->working_.Reset(ImgCreate(width, height));
    doc->display_.Reset(ImgCreate(width, height));
    doc->scale_ = ActualScale(width, height);
    return doc;
}

ImageDoc::Opened ImageDoc::Open(const wchar_t* file, int limitW, int limitH, int rotation, int enlarge, HWND owner) {
    Opened opened;
    std::unique_ptr<ImageDoc> doc(new ImageDoc);
    doc->limitW_ = limitW;
    doc->limitH_ = limitH;
    doc->rotation_ = rotation;
    doc->owner_ = owner;
    doc->path_ = file ? file : L"";

    // Wide paths reach the library whole, so names outside the ANSI code page
    // load as well. An error left from before makes even a good load count as
    // failed: the caller's message then carries that code. The picture named
    // on the command line may have been loaded already, ahead of the window.
    OwnedImage loaded;
    ImgHandle preloaded = nullptr;
    uint32_t preloadError = 0;
    if (TakePreload(doc->path_.c_str(), &preloaded, &doc->shootingData_, &preloadError)) {
        loaded.Reset(preloaded);
        if (preloadError != 0) {
            ImgFail(preloadError);
        }
    } else {
        loaded.Reset(ImgLoadW(doc->path_.c_str(), &doc->shootingData_));
    }
    if (!loaded || ImgLastError() != 0) {
        opened.error = ImgLastError();
        return opened;
    }
    ImgPrepare(loaded.Get());
    // Refused before any copy is made: every copy and layer of an open
    // picture must fit into the address space together.
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    const int64_t pixels = int64_t(ImgWidth(loaded.Get())) * ImgHeight(loaded.Get());
    const int64_t limit =
        PicturePixelLimit(GlobalMemoryStatusEx(&memory) ? memory.ullTotalVirtual : 0, kMaxImagePixels);
    if (pixels > limit) {
        opened.error = ImgErrSizeOutOfRange;
        opened.width = ImgWidth(loaded.Get());
        opened.height = ImgHeight(loaded.Get());
        opened.pixelLimit = limit;
        return opened;
    }
    doc->source_ = std::move(loaded);
    if (!doc->Rebuild(enlarge)) {
        opened.error = ImgLastError();
        return opened;
    }

    WorkerThread thread = WorkerThread::Start(ViewThreadMain, doc.get(), L"ViewDlg");
    doc->viewThread_.Reset(thread.handle);
    // Wait for the view to initialise, answering what other threads send to
    // this one meanwhile (activation of the new window); a view thread that
    // ends without a window ends the wait too.
    HANDLE viewThread = doc->viewThread_.Get();
    while (!ReadWindow(&doc->view_)) {
        DWORD result = MsgWaitForMultipleObjects(1, &viewThread, FALSE, 10, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            break;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    if (!ReadWindow(&doc->view_)) {
        ImgFail(uint32_t(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE)));
        opened.error = ImgLastError();
        return opened;
    }
    doc->ClearOverlay(1);
    opened.doc = std::move(doc);
    return opened;
}

HWND ImageDoc::View() const {
    return ReadWindow(&view_);
}

bool ImageDoc::CloseView() {
    HWND view = View();
    if (view && IsWindow(view) && GetWindowLongPtrW(view, DWLP_USER) == reinterpret_cast<LONG_PTR>(this)) {
        SendMessageW(view, kViewCloseMessage, 0, 0);
    }
    if (viewThread_ && !WaitAnswering(viewThread_.Get(), kViewEndLimitMs)) {
        return false;
    }
    viewThread_.Reset();
    InterlockedExchangePointer(reinterpret_cast<void**>(&view_), nullptr);
    return true;
}

void ImageDoc::Notify(DocEvent event) const {
    if (owner_) {
        PostMessageW(owner_, kDocEventMessage, event, 0);
    }
}

void ImageDoc::SetLimits(int limitW, int limitH) {
    DocLock lock(*this);
    limitW_ = limitW;
    limitH_ = limitH;
}

bool ImageDoc::HasLimits(int limitW, int limitH) const {
    DocLock lock(*this);
    return limitW_ == limitW && limitH_ == limitH;
}

void ImageDoc::SetRotation(int degrees) {
    DocLock lock(*this);
    rotation_ = degrees;
}

int ImageDoc::ScaleToBox(ImgHandle image) {
    ResizeRequest request = BoxResize(ImgWidth(image), ImgHeight(image), limitW_, limitH_, 1);
    if (!request.width && !request.height) {
        return 1;
    }
    return ImgResize(image, request.width, request.height);
}

int ImageDoc::ShrinkToBox(ImgHandle image) {
    int width = ImgWidth(image), height = ImgHeight(image);
    ResizeRequest request = BoxResize(width, height, limitW_, limitH_, 0);
    if ((!request.width && !request.height) || (request.width == width && request.height == height)) {
        return 1;
    }
    return ImgResize(image, request.width, request.height);
}

int ImageDoc::Rebuild(int enlarge) {
    {
        // The new pictures are made aside and take the place of the old ones
        // only once complete, so a failure leaves `working` and `display`
        // matching each other as before. A copy shares its pixels until it is
        // written, so a picture neither scaled, turned nor edited is held
        // once for all three.
        DocLock lock(*this);
        OwnedImage nextWorking(ImgCopy(source_.Get()));
        if (!nextWorking) {
            return 0;
        }
        if ((limitW_ || limitH_) && !(enlarge ? ScaleToBox(nextWorking.Get()) : ShrinkToBox(nextWorking.Get()))) {
            return 0;
        }
        const Affine toWorking = ScaleAndTurn(ImgWidth(source_.Get()), ImgHeight(source_.Get()),
                                              ImgWidth(nextWorking.Get()), ImgHeight(nextWorking.Get()), rotation_);
        if (rotation_ && !ImgRotate(nextWorking.Get(), rotation_)) {
            return 0;
        }
        OwnedImage nextDisplay(ImgCopy(nextWorking.Get()));
        if (!nextDisplay) {
            return 0;
        }
        // A picture published without a mosaic the user made would show
        // what was hidden: no effect, no new picture.
        if (!ReplayEffectsLocked(nextWorking.Get(), nextDisplay.Get(), Then(loadedToSource_, toWorking))) {
            return 0;
        }
        if (!display_ || ImgWidth(display_.Get()) != ImgWidth(nextDisplay.Get()) ||
            ImgHeight(display_.Get()) != ImgHeight(nextDisplay.Get())) {
            ReleaseTextLayers();  // placed by the old picture: drawn anew for this one
        }
        working_ = std::move(nextWorking);
        display_ = std::move(nextDisplay);
        sourceToWorking_ = toWorking;
        shown_.Reset();
        shownStale_ = true;
        // The scale and the overlay follow the picture at once, so no mouse
        // position is ever mapped by the old picture's scale.
        RefitLocked(View());
        ClearOverlayLocked(1);
    }
    // Outside the lock: the view lays itself out on its own thread, which may
    // be waiting for the lock to paint.
    if (HWND view = View()) {
        SendMessageW(view, kViewLayoutMessage, 0, 0);
    }
    return 1;
}

int ImageDoc::Reload() {
    if (path_.empty()) {
        return 0;
    }
    std::vector<uint8_t> shootingData;
    OwnedImage loaded(ImgLoadW(path_.c_str(), &shootingData));
    if (!loaded) {
        return 0;  // the picture in hand stays rather than none at all
    }
    ImgPrepare(loaded.Get());
    DocLock lock(*this);
    source_ = std::move(loaded);
    shootingData_ = std::move(shootingData);
    loadedToSource_ = Affine();
    return 1;
}

DocMode ImageDoc::Mode() const {
    DocLock lock(*this);
    return mode_;
}

bool ImageDoc::Trimmed() const {
    DocLock lock(*this);
    return trimmed_;
}

bool ImageDoc::KeepSizeAfterTrim() const {
    DocLock lock(*this);
    return keepSizeAfterTrim_;
}

POINT ImageDoc::Anchor() const {
    DocLock lock(*this);
    return anchor_;
}

void ImageDoc::ResetAnchor() {
    DocLock lock(*this);
    anchor_ = {-1, -1};
}

void ImageDoc::ArmSelection(bool armed) {
    bool hadRegion;
    {
        DocLock lock(*this);
        hadRegion = mode_ == DocMode::Selected;
        mode_ = armed ? DocMode::SelectArmed : DocMode::Idle;
    }
    if (hadRegion) {
        ClearOverlay(1);
    }
}

void ImageDoc::ArmTrim(bool keepSizeAfterTrim) {
    DocLock lock(*this);
    keepSizeAfterTrim_ = keepSizeAfterTrim;
    mode_ = DocMode::TrimArmed;
}

void ImageDoc::LeaveTrim() {
    DocLock lock(*this);
    trimmed_ = false;
    mode_ = DocMode::Idle;
    anchor_ = {-1, -1};
}

int ImageDoc::UndoTrim() {
    LeaveTrim();
    Reload();
    return Rebuild(1);
}

bool ImageDoc::AppendLassoPoint(int x, int y) {
    DocLock lock(*this);
    if (lasso_.size() >= size_t(kLassoCapacity)) {
        return false;
    }
    lasso_.push_back(POINT{x, y});
    return true;
}

void ImageDoc::ComposeSaveFrameLocked(ImgHandle frame) {
    if (!TextLayersFitLocked()) {
        return;  // the layers are being made anew: the picture alone
    }
    // Pixels of its own before they are written: the frame is a copy of
    // `display`, which shares them.
    uint8_t* target = nullptr;
    if (!ImgGetPixels(frame, nullptr, &target, nullptr)) {
        return;
    }
    const PixelPlane plane = PlaneOf(frame);
    // The whole layers, not only where our drawing put ink: the published
    // picture never depends on that bookkeeping.
    auto whole = [&](int pair) {
        return LayerPair{layers_[2 * pair].Bits(), layers_[2 * pair + 1].Bits(), layerBox_[pair], layerBox_[pair]};
    };
    ComposeBox(plane, whole(0), whole(1), nullptr, PixelBox{0, 0, plane.width, plane.height}, target, plane.stride);
}

bool ImageDoc::TextLayersFitLocked() const {
    if (!layersCurrent_) {
        return false;
    }
    const PixelBox picture = {0, 0, ImgWidth(display_.Get()), ImgHeight(display_.Get())};
    for (int pair = 0; pair < 2; ++pair) {
        const PixelBox box = layerBox_[pair];
        if (box.Empty()) {
            continue;
        }
        const int width = box.right - box.left, height = box.bottom - box.top;
        const PixelBox inside = Intersection(box, picture);
        if (inside.left != box.left || inside.top != box.top || inside.right != box.right ||
            inside.bottom != box.bottom || !layers_[2 * pair].HasSize(width, height) ||
            !layers_[2 * pair + 1].HasSize(width, height)) {
            return false;
        }
    }
    return true;
}

LayerPair ImageDoc::CopyrightPairLocked() const {
    if (!TextLayersFitLocked()) {
        return LayerPair{};
    }
    return LayerPair{layers_[LayerCopyrightSharp].Bits(), layers_[LayerCopyrightSoft].Bits(), textArea_[0],
                     layerBox_[0]};
}

LayerPair ImageDoc::WatermarkPairLocked() const {
    if (!TextLayersFitLocked()) {
        return LayerPair{};
    }
    return LayerPair{layers_[LayerWatermarkSharp].Bits(), layers_[LayerWatermarkSoft].Bits(), textArea_[1],
                     layerBox_[1]};
}

namespace {

// `count` rows of a bottom-up picture `width` wide, the lowest at `bits`,
// drawn from column `left` on, `drawnWidth` wide, with their top-left at
// (x, y). The rows are taken whole, so no origin of a bottom-up source
// rectangle (measured from its bottom) comes into play.
void DrawRows(HDC dc, int x, int y, const uint8_t* bits, int width, int count, int left, int drawnWidth) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = count;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, x, y, drawnWidth, count, left, 0, drawnWidth, count, bits, &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

bool ImageDoc::ComposeShownLocked() {
    const LayerPair copyright = CopyrightPairLocked();
    const LayerPair watermark = WatermarkPairLocked();
    const bool texts = !copyright.area.Empty() || !watermark.area.Empty();
    OwnedImage frame;
    if (texts) {
        // Composed at the picture's size, then scaled: the texts look as
        // they will in the saved picture.
        OwnedImage composed(ImgCopy(display_.Get()));
        uint8_t* target = nullptr;
        // Pixels of its own before they are written: a copy shares them.
        if (!composed || !ImgGetPixels(composed.Get(), nullptr, &target, nullptr)) {
            return false;
        }
        PixelPlane plane = PlaneOf(composed.Get());
        ComposeBox(plane, copyright, watermark, nullptr, PixelBox{0, 0, plane.width, plane.height}, target,
                   plane.stride);
        frame.Reset(ImgResizedCopy(composed.Get(), scale_.shownWidth, scale_.shownHeight));
    } else {
        frame.Reset(ImgResizedCopy(display_.Get(), scale_.shownWidth, scale_.shownHeight));
    }
    if (!frame) {
        ImgClearError();  // a paint reports nothing; the next one tries again
        return false;
    }
    shown_ = std::move(frame);
    shownStale_ = false;
    return true;
}

bool ImageDoc::ComposeFullSizeLocked(const PixelBox& box, const LayerPair& copyright, const LayerPair& watermark) {
    const int width = ImgWidth(display_.Get()), height = ImgHeight(display_.Get());
    const bool fits = shown_ && ImgWidth(shown_.Get()) == width && ImgHeight(shown_.Get()) == height;
    if (!fits) {
        shown_.Reset(ImgCreate(width, height));
        if (!shown_) {
            ImgClearError();  // a paint reports nothing; the next one tries again
            return false;
        }
    }
    if (!fits || shownStale_) {
        composedTiles_.Reset(width, height);
        shownStale_ = false;
    }
    uint8_t* target = nullptr;
    if (!ImgGetPixels(shown_.Get(), nullptr, &target, nullptr)) {
        ImgClearError();
        return false;
    }
    const PixelPlane picture = PlaneOf(display_.Get());
    const PixelPlane composed = PlaneOf(shown_.Get());
    composedTiles_.Pieces(box, paintPieces_);
    const int tile = TileMarks::kTile;
    for (const MarkedPiece& piece : paintPieces_) {
        if (piece.marked) {
            continue;
        }
        // Whole tiles, so that a tile marked as composed is composed all over.
        const PixelBox tiles = Intersection(
            PixelBox{piece.box.left / tile * tile, piece.box.top / tile * tile,
                     (piece.box.right + tile - 1) / tile * tile, (piece.box.bottom + tile - 1) / tile * tile},
            PixelBox{0, 0, width, height});
        ComposeBox(picture, copyright, watermark, nullptr, tiles,
                   target + composed.stride * size_t(height - tiles.bottom) + 3 * size_t(tiles.left), composed.stride);
        composedTiles_.Mark(tiles);
    }
    return true;
}

void ImageDoc::PaintTo(HDC dc, const RECT& area) {
    GdiFlush();  // the overlay outlines drawn on this thread
    DocLock lock(*this);
    if (!display_ || !dc) {
        return;
    }
    painted_ = true;
    const bool scaled = scale_.Scaled();
    if (scaled && (shownStale_ || !shown_) && !ComposeShownLocked()) {
        return;
    }
    const int width = scaled ? scale_.shownWidth : ImgWidth(display_.Get());
    const int height = scaled ? scale_.shownHeight : ImgHeight(display_.Get());
    const PixelBox box = Intersection(PixelBox{int(area.left) + scroll_.x, int(area.top) + scroll_.y,
                                               int(area.right) + scroll_.x, int(area.bottom) + scroll_.y},
                                      PixelBox{0, 0, width, height});
    if (box.Empty()) {
        return;
    }
    // Scaled, the texts are in the picture drawn already; at 100% they are
    // composed once into `shown`, where the box needs them, and drawn from
    // there until they or the picture change.
    bool composed = scaled;
    if (!scaled) {
        const LayerPair copyright = CopyrightPairLocked();
        const LayerPair watermark = WatermarkPairLocked();
        if (!Intersection(copyright.area, box).Empty() || !Intersection(watermark.area, box).Empty()) {
            if (!ComposeFullSizeLocked(box, copyright, watermark)) {
                return;
            }
            composed = true;
        } else if (copyright.area.Empty() && watermark.area.Empty()) {
            shown_.Reset();  // no text left: the copy would only hold memory
        }
    }
    const PixelPlane plane = PlaneOf(composed ? shown_.Get() : display_.Get());
    if (!plane.bits || plane.width != width || plane.height != height) {
        return;
    }
    const bool tint = (mode_ == DocMode::Selected || mode_ == DocMode::LassoDrawing || mode_ == DocMode::TrimArmed) &&
                      overlay_.HasSize(plane.width, plane.height);
    // The tint only where the overlay holds anything: elsewhere the picture's
    // own rows are drawn as they are.
    paintPieces_.clear();
    if (tint) {
        overlayMarks_.Pieces(box, paintPieces_);
    } else {
        paintPieces_.push_back(MarkedPiece{box, false});
    }
    for (const MarkedPiece& piece : paintPieces_) {
        const PixelBox& part = piece.box;
        const int x = part.left - scroll_.x, y = part.top - scroll_.y;
        const int partWidth = part.right - part.left, rows = part.bottom - part.top;
        if (!piece.marked) {
            DrawRows(dc, x, y, plane.bits + plane.stride * size_t(plane.height - part.bottom), plane.width, rows,
                     part.left, partWidth);
            continue;
        }
        const size_t stride = RowStride(partWidth);
        paintBuffer_.resize(stride * size_t(rows));
        ComposeBox(plane, LayerPair{}, LayerPair{}, overlay_.Bits(), part, paintBuffer_.data(), stride);
        DrawRows(dc, x, y, paintBuffer_.data(), partWidth, rows, 0, partWidth);
    }
}

void ImageDoc::Paint(HWND hwnd) {
    // Always begun and ended, so the window is validated even when nothing
    // can be drawn; otherwise WM_PAINT would come back at once, without end.
    PaintDC paint(hwnd);
    if (paint.Get()) {
        PaintTo(paint.Get(), paint.Area());
    }
}

bool ImageDoc::Painted() const {
    DocLock lock(*this);
    return painted_;
}

int ImageDoc::Save(const wchar_t* target, int format, const SaveOptions& options) {
    OwnedImage frame;
    std::vector<uint8_t> shootingData;
    {
        // The frame as it stands now (a change just made may not have been
        // painted yet), copied so the encoding does not hold up the view.
        // The selection tint, the crosshair and the rubber band are only
        // shown: the published picture carries the texts alone.
        DocLock lock(*this);
        if (!painted_ || !display_) {
            return 0;  // nothing painted yet
        }
        if (!TextLayersFitLocked()) {
            layersCurrent_ = true;
            DrawWatermarkLocked();
            DrawCopyrightLocked();
            GdiFlush();
            if (!TextLayersFitLocked()) {
                return ImgFail(ImgErrOutOfMemory);
            }
        }
        GdiFlush();
        frame.Reset(ImgCopy(display_.Get()));
        if (frame) {
            ComposeSaveFrameLocked(frame.Get());
        }
        if (options.keepShootingData) {
            shootingData = shootingData_;
        }
    }
    if (!frame) {
        return 0;
    }
    if (format == -1) {
        format = FormatOfPath(target);
    }
    switch (format) {
        case FormatBmp:
            return ImgSaveBmpW(target, frame.Get());
        case FormatPng:
            return ImgSavePngW(target, frame.Get());
        case FormatGif:
            return ImgSaveGifW(target, frame.Get());
        default:
            return ImgSaveJpegW(target, frame.Get(), options.jpegQuality, &shootingData);
    }
}

bool ImageDoc::MakePairLocked(int pair, const PixelBox& box) {
    ReleasePairLocked(pair);
    layerBox_[pair] = box;
    BITMAPINFOHEADER header = {};
    if (box.Empty() || !ImgGetHeader(display_.Get(), &header)) {
        return false;
    }
    header.biWidth = box.right - box.left;
    header.biHeight = box.bottom - box.top;  // bottom-up, as the picture
    header.biSizeImage = 0;
    WindowDC windowDC(View());  // the screen's while there is no view yet
    for (DibLayer* layer : {&layers_[2 * pair], &layers_[2 * pair + 1]}) {
        if (!layer->Create(header, windowDC.Get())) {
            return false;
        }
        // Outlines come from the pens the drawings select; fills have none.
        SelectObject(layer->DC(), GetStockObject(NULL_PEN));
    }
    return true;
}

void ImageDoc::ReleaseTextLayers() {
    DocLock lock(*this);
    ReleasePairLocked(0);
    ReleasePairLocked(1);
    layersCurrent_ = false;
}

void ImageDoc::ReleasePairLocked(int pair) {
    GdiFlush();  // nothing still to be drawn into a section about to go
    layers_[2 * pair].Reset();
    layers_[2 * pair + 1].Reset();
    layerBox_[pair] = textArea_[pair] = PixelBox{};
    shownStale_ = true;
}

void ImageDoc::MakeOverlayLocked(int recreate) {
    if (overlay_ && !recreate && overlay_.HasSize(scale_.shownWidth, scale_.shownHeight)) {
        // Only what was drawn: a crosshair following the mouse over a large
        // picture would otherwise wipe all of it at every move.
        GdiFlush();
        overlayMarks_.Pieces(PixelBox{0, 0, scale_.shownWidth, scale_.shownHeight}, paintPieces_);
        const size_t stride = RowStride(scale_.shownWidth);
        for (const MarkedPiece& piece : paintPieces_) {
            if (!piece.marked) {
                continue;
            }
            for (int y = piece.box.top; y < piece.box.bottom; ++y) {
                uint8_t* row = overlay_.Bits() + stride * size_t(scale_.shownHeight - 1 - y);
                std::memset(row + 3 * size_t(piece.box.left), 0, 3 * size_t(piece.box.right - piece.box.left));
            }
        }
        overlayMarks_.Clear();
        return;
    }
    overlay_.Reset();
    overlayMarks_.Reset(scale_.shownWidth, scale_.shownHeight);
    BITMAPINFOHEADER header = {};
    if (!ImgGetHeader(display_.Get(), &header)) {
        return;
    }
    header.biWidth = scale_.shownWidth;
    header.biHeight = scale_.shownHeight;
    header.biSizeImage = 0;
    WindowDC windowDC(View());  // the screen's while there is no view yet
    if (overlay_.Create(header, windowDC.Get())) {
        SelectObject(overlay_.DC(), GetStockObject(NULL_PEN));
    }
}

void ImageDoc::MarkOverlayLocked(const POINT* points, int count) {
    if (!points || count <= 0) {
        return;
    }
    PixelBox box = {int(points[0].x), int(points[0].y), int(points[0].x), int(points[0].y)};
    for (int i = 1; i < count; ++i) {
        box.left = std::min(box.left, int(points[i].x));
        box.top = std::min(box.top, int(points[i].y));
        box.right = std::max(box.right, int(points[i].x));
        box.bottom = std::max(box.bottom, int(points[i].y));
    }
    overlayMarks_.Mark(PixelBox{box.left - 1, box.top - 1, box.right + 2, box.bottom + 2});
}

void ImageDoc::MarkRubberBandLocked(ViewPoint from, ViewPoint to) {
    const int left = std::min(from.x, to.x), right = std::max(from.x, to.x);
    const int top = std::min(from.y, to.y), bottom = std::max(from.y, to.y);
    overlayMarks_.Mark(PixelBox{left - 1, top - 1, right + 2, top + 2});
    overlayMarks_.Mark(PixelBox{left - 1, bottom - 1, right + 2, bottom + 2});
    overlayMarks_.Mark(PixelBox{left - 1, top - 1, left + 2, bottom + 2});
    overlayMarks_.Mark(PixelBox{right - 1, top - 1, right + 2, bottom + 2});
}

void ImageDoc::MarkCrosshairLocked(ViewPoint at) {
    const int width = scale_.shownWidth, height = scale_.shownHeight;
    overlayMarks_.Mark(PixelBox{0, at.y - 1, width, at.y + 2});
    overlayMarks_.Mark(PixelBox{at.x - 1, 0, at.x + 2, height});
}

void ImageDoc::ClearOverlayLocked(int recreate) {
    MakeOverlayLocked(recreate);
    closedRegions_.clear();
    if (mode_ == DocMode::Selected) {
        mode_ = DocMode::SelectArmed;
    }
}

void ImageDoc::ClearOverlay(int recreate) {
    {
        DocLock lock(*this);
        ClearOverlayLocked(recreate);
    }
    if (HWND view = View()) {
        InvalidateRect(view, nullptr, FALSE);
    }
}
