// The one open picture: its chain of images, the off-screen layers for the
// texts and the selection, the view window and the mouse state.
//
//   source (loaded or trimmed) -> working (scaled, rotated) -> display (plus
//   mosaic and blur) -> plus the text layers: saved, and shown with the
//   selection tint
//
// The view shows the picture at 1:1, or, where it is larger than the room on
// the screen, scaled to fit (until the user asks for 100%, with scroll bars).
// The texts are composed at the picture's size and the result scaled, so what
// is shown is what is saved. The overlay (selection, crosshair, rubber band)
// has the size the picture is drawn at; every position the mouse gives is
// mapped onto the picture before it trims or selects anything.
//
// Threads. The main thread opens the document and runs every command on it
// (Rebuild, Reload, Save, the text and effect operations, the mode changes of
// the buttons). The view thread ("ViewDlg") paints and handles the mouse; what
// the mouse did it tells the window that opened the document by posting
// kDocEventMessage, and that window's thread does the rest (the rebuild after
// a trim, the buttons). The view never touches another window.
//
// One lock, the document's own (DocLock), guards everything both threads
// read: the images, the layers, the lasso, the mode and the anchor. Functions
// named ...Locked expect it held. It is recursive. Never hold it while calling
// something that waits for the other thread's window (SendMessageW,
// SetWindowTextW, MoveWindow, SetWindowPos): that thread may be waiting for
// the lock. InvalidateRect, GetDC and GetClientRect do not wait and are safe.
// GDI may hold back drawing into a layer: whoever draws calls GdiFlush before
// letting go of the lock (or before reading the layer's bits).
//
// Rebuild is the one derivation of `working` and `display` from `source`,
// and every change of `display` by the user goes through ApplyMosaic or
// ApplyBlur, which keep each effect with its regions on the loaded picture;
// Rebuild draws them all again, and a trim keeps what lies inside its cut.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Compose.h"
#include "engine/RegionMap.h"
#include "engine/TileMarks.h"
#include "engine/ViewFit.h"
#include "imaging/Image.h"
#include "win/Gdi.h"
#include "win/ScopedHandle.h"

enum LayerIndex : int {
    LayerCopyrightSharp = 0,
    LayerCopyrightSoft = 1,
    LayerWatermarkSharp = 2,
    LayerWatermarkSoft = 3,
    TextLayerCount = 4,
};

// Room of the lasso, in points.
const int kLassoCapacity = 100000;

// What a drag in the view does. Changed by the main window's buttons and by
// the mouse in the view, always under the document's lock.
enum class DocMode {
    Idle,          // nothing armed
    TrimArmed,     // a drag cuts the picture (the anchor is set once pressed)
    SelectArmed,   // a drag draws a lasso; no region closed yet
    LassoDrawing,  // a lasso is being drawn
    Selected,      // regions are closed (their union is selected); a drag adds one
};

// What the view posts to the window that opened the document: this message,
// with the event in wParam.
const UINT kDocEventMessage = WM_APP + 1;
enum DocEvent : WPARAM {
    DocEventTrimEnded = 1,      // a trimming drag ended: cut, refused or failed
    DocEventLassoClosed = 2,    // a lasso region was closed
    DocEventMouseReleased = 3,  // any other release of the button in the view
    DocEventCloseRequested = 4  // the user closed the view
};

// An image of the library, freed with its owner.
struct OwnedImageTraits : NullIsNone<ImgHandle> {
    static void Release(ImgHandle image) { ImgFree(image); }
};
using OwnedImage = ScopedHandle<OwnedImageTraits>;

// How ImageDoc::Save writes a JPEG.
struct SaveOptions {
    int jpegQuality = 95;
    // The loaded file's shooting data (camera, date, exposure, author) go
    // into the saved file; never its position.
    bool keepShootingData = false;
};

// The texts the main window hands the document to draw over the picture.
struct OverlayTexts {
    int watermarkOn = 0;
    int copyrightOn = 0;
    std::wstring watermark;
    std::wstring copyright;
    int watermarkSize = 0;
    int copyrightSize = 0;
};

class ImageDoc {
public:
    // The document, or none and the image library's error code (0 when the
    // library reported nothing).
    // A picture too large for the address space is refused with
    // ImgErrSizeOutOfRange, its size and the limit.
    struct Opened {
        std::unique_ptr<ImageDoc> doc;
        uint32_t error = 0;
        int width = 0;
        int height = 0;
        int64_t pixelLimit = 0;
    };
    // Loads `path`, derives the displayed picture (box limitW x limitH, 0 = no
    // limit; `enlarge` 0 only shrinks; turned by `rotation` degrees) and shows
    // it in a view on a thread of its own. The view posts its events to
    // `owner` (none: they go nowhere). An error the library already held makes
    // even a good load fail, with that code.
    static Opened Open(const wchar_t* path, int limitW, int limitH, int rotation, int enlarge, HWND owner = nullptr);
    // A document of a white width x height picture with no view and no file:
    // the mouse work and the effects without a window. Events go to `owner`.
    static std::unique_ptr<ImageDoc> Unviewed(int width, int height, HWND owner = nullptr);

    // Closes the view first if it is still open.
    ~ImageDoc();
    ImageDoc(const ImageDoc&) = delete;
    ImageDoc& operator=(const ImageDoc&) = delete;

    // The one way to end the view: it lets go of the document (a box of its
    // mouse work ends with it) and its thread ends. Waits for that, answering
    // what other threads send to this one meanwhile; false when the thread
    // did not end in time (the document must then outlive it).
    bool CloseView();
    HWND View() const;
    HANDLE ViewThread() const { return viewThread_.Get(); }

    // --- Main thread ---
    void SetLimits(int limitW, int limitH);
    bool HasLimits(int limitW, int limitH) const;
    void SetRotation(int degrees);
    // Derives `working` and `display` anew from `source`, the applied mosaics
    // and blurs drawn again in their order; 1, or 0 when the library failed
    // (the previous pictures then stay). Ends a selection.
    int Rebuild(int enlarge);
    // Loads the file again into `source` (a trim is undone); Rebuild follows.
    int Reload();
    // Writes the composed picture; non-zero on success, 0 on failure or before
    // the first paint. `format` -1 = judged from `path`. Text layers that do
    // not fit the picture are made anew first; when they cannot be made the
    // picture is not written (ImgErrOutOfMemory): never without its texts.
    int Save(const wchar_t* path, int format, const SaveOptions& options = SaveOptions());

    // The texts (kept for later redraws) and their layers drawn anew for the
    // picture as it is (`recreate`, once asked for after a rebuild, is no
    // longer needed: the layers always are); 1, or 0 without a view.
    int RenderTexts(int watermarkOn,
                    int copyrightOn,
                    const wchar_t* watermarkText,
                    const wchar_t* copyrightText,
                    int watermarkSize,
                    int copyrightSize,
                    int recreate);
    // One of the two texts, layers 2 and 3 or 0 and 1 only.
    int SetWatermark(int on, const wchar_t* text, int size);
    int SetCopyright(int on, const wchar_t* text, int size);
    const OverlayTexts& Texts() const { return texts_; }
    // Pixelate or blur the selected region of `display` from `working`, then
    // end the selection; 1 when it ran, 0 when nothing was done.
    // Each applied effect is kept (its regions on the loaded picture, kind and
    // size) and drawn again by every rebuild.
    int ApplyMosaic(int blockSize);
    int ApplyBlur(int radius);
    // Forgets every applied effect and shows `working` again.
    void RemoveEffects();
    bool HasEffects() const;

    // The view's choice between fitting a large picture to the screen and
    // showing it at 100% with scroll bars. Ignored during a drag.
    void SetActualSize(bool actual);
    bool ActualSize() const;
    // How the picture is drawn in the view, and the scroll offset at 100%.
    ViewScale Scale() const;
    POINT Scroll() const;

    // The selection button: armed for a lasso, or back to idle (any region
    // released).
    void ArmSelection(bool armed);
    // The trimming button: armed (keeping the size choice after the cut or
    // not), or left before dragging.
    void ArmTrim(bool keepSizeAfterTrim);
    void LeaveTrim();
    // Back to the whole picture from the file after a trim; 1 when reloaded
    // and rebuilt.
    int UndoTrim();

    // Whether the picture as it would be saved changed since loading or the
    // last successful save: the shell marks every change it makes (effects,
    // trims, sizes, turns, texts) and the save that wrote the picture.
    bool Modified() const { return modified_; }
    void MarkModified() { modified_ = true; }
    void MarkSaved() { modified_ = false; }

    // --- Either thread ---
    DocMode Mode() const;
    bool HasSelection() const { return Mode() == DocMode::Selected; }
    bool Trimmed() const;
    bool KeepSizeAfterTrim() const;
    POINT Anchor() const;
    void ResetAnchor();
    // The overlay cleared (recreate = 1: made anew at the picture's size);
    // ends a selection.
    void ClearOverlay(int recreate);
    // Lets go of every text layer's pixels; the texts are shown again once
    // drawn anew (a save draws them first).
    void ReleaseTextLayers();

    // For reading under DocLock: the images and layers may be replaced by the
    // other thread otherwise.
    ImgHandle Source() const { return source_.Get(); }
    ImgHandle Working() const { return working_.Get(); }
    ImgHandle Display() const { return display_.Get(); }
    // Whether the view has painted since the document opened.
    bool Painted() const;
    DibLayer& TextLayer(int index) { return layers_[index]; }
    // Where a text layer lies on the picture (both of a pair alike): the
    // copyright's round its line, the watermark's the whole picture; empty
    // while the text is off (the layer then holds no pixels).
    PixelBox TextLayerBox(int index) const { return layerBox_[index / 2]; }
    DibLayer& Overlay() { return overlay_; }
    const std::vector<POINT>& Lasso() const { return lasso_; }
    // Appends (x, y) to the lasso unless it is full; false when not stored.
    bool AppendLassoPoint(int x, int y);

    // One text with its lower right corner at (x, y), markers expanded.
    void
    DrawText(HDC dc, const wchar_t* text, const wchar_t* face, int height, int x, int y, int bold, COLORREF colour);

    // --- View thread ---
    // WM_PAINT of the view.
    void Paint(HWND hwnd);
    // The work of a paint of `area` (client coordinates) into `dc`: only that
    // part is composed, and text layers without text are skipped.
    void PaintTo(HDC dc, const RECT& area);
    // Sizes, places and titles the view for the picture as it now is (or for
    // a new choice of scale); its scroll bars.
    void LayOutView(HWND view);
    // WM_HSCROLL / WM_VSCROLL (`bar` SB_HORZ or SB_VERT) and the wheel.
    void ScrollView(HWND view, int bar, int request);
    void ScrollViewBy(HWND view, int bar, int pixels);
    // The view's context menu at `screen` (-1, -1: from the keyboard).
    void ShowViewMenu(HWND view, POINT screen);
    // Message handling of the view window.
    INT_PTR ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP of `view` (ViewMouse_win.cpp);
    // false for any other message. When the view lets go of the document while
    // the handling waits in a message box, it returns without touching the
    // document again: the caller must not either.
    bool HandleMouse(HWND view, UINT message, LPARAM lParam);
    // The view's thread routine and dialog procedure (ViewWindow_win.cpp).
    static unsigned __stdcall ViewThreadMain(void* doc);
    static INT_PTR CALLBACK ViewDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class DocLock;
    ImageDoc();

    void Notify(DocEvent event) const;
    int ScaleToBox(ImgHandle image);
    int ShrinkToBox(ImgHandle image);
    // Text pair `pair` (0 copyright, 1 watermark) made black over `box` of
    // the picture; false when GDI could not (the pair then does not fit).
    bool MakePairLocked(int pair, const PixelBox& box);
    void ClearOverlayLocked(int recreate);
    // `frame` (a copy of `display`) plus the whole text layers.
    void ComposeSaveFrameLocked(ImgHandle frame);
    // Whether the layers were drawn for the picture as it is, each pair that
    // has a box holding its pixels.
    bool TextLayersFitLocked() const;
    // The text pairs as the composition takes them (none while the layers are
    // being made anew).
    LayerPair CopyrightPairLocked() const;
    LayerPair WatermarkPairLocked() const;
    // `shown` := the composed picture at the size it is drawn at.
    bool ComposeShownLocked();
    // At 100%: `shown` holds the composed picture at least within `box`.
    bool ComposeFullSizeLocked(const PixelBox& box, const LayerPair& copyright, const LayerPair& watermark);
    // Chooses the scale for the view's room; true when it changed (the
    // overlay must then be made anew).
    bool RefitLocked(HWND view);
    void MakeOverlayLocked(int recreate);
    // Notes what a drawing into the overlay may have touched: the box
    // round `points`, one pixel wider for the pen, or a rectangle's edges,
    // or a crosshair's two lines.
    void MarkOverlayLocked(const POINT* points, int count);
    void MarkRubberBandLocked(ViewPoint from, ViewPoint to);
    void MarkCrosshairLocked(ViewPoint at);
    // The closed regions drawn again into a new overlay.
    void RedrawSelectionLocked();
    // A client position of the view on the drawn picture and on the picture.
    ViewPoint ShownOf(POINT client) const;
    // Lets go of one text pair's pixels (0 copyright, 1 watermark).
    void ReleasePairLocked(int pair);
    // One text's pair drawn anew for the picture as it is (released while
    // the text is off); 0 without a view or when GDI could not make it.
    int DrawCopyrightLocked();
    int DrawWatermarkLocked();
    // Draws one text's layer pair anew and shows it.
    int RedrawPairLocked(int (ImageDoc::*draw)());
    bool RunEffectLocked(bool mosaic, int size);
    int FinishEffect();
    // Draws the kept effects into `display` from `working`, placed by
    // `loadedToWorking`; false when one could not run.
    bool ReplayEffectsLocked(ImgHandle working, ImgHandle display, const Affine& loadedToWorking) const;
    // After a trim cut `cut` (in `working`) out as the new source: the effects
    // keep what lies inside it.
    void KeepEffectsWithinLocked(double left, double top, double right, double bottom);
    void RecordEffectLocked(bool mosaic, int size);
    // The mouse work (ViewMouse_win.cpp).
    void ButtonDown(HWND view, POINT at);
    void MouseMoved(HWND view, POINT at);
    void ButtonUp(HWND view, POINT at);
    bool FinishTrim(HWND view, POINT at);
    void FinishLasso(HWND view, POINT at);

    mutable CRITICAL_SECTION lock_;
    std::wstring path_;
    // What a save may carry on from the loaded file (KeptExif).
    std::vector<uint8_t> shootingData_;
    OwnedImage source_;
    OwnedImage working_;
    OwnedImage display_;
    // Each text pair (0 copyright, 1 watermark) holds pixels only over the
    // box its text needs on the picture (none while the text is off), so a
    // large picture with a copyright line carries a few rows more, not four
    // copies of itself.
    DibLayer layers_[TextLayerCount];
    PixelBox layerBox_[2];
    // Where each pair may hold ink (within its box); black outside, so only
    // this much is composed for a paint.
    PixelBox textArea_[2];
    // The layers were drawn for the picture as it is (a rebuild ends that).
    bool layersCurrent_ = false;
    // The overlay, at the size the picture is drawn at, and where anything
    // has been drawn into it since it was last cleared.
    DibLayer overlay_;
    TileMarks overlayMarks_;
    // The lasso being drawn, on the drawn picture.
    std::vector<POINT> lasso_;
    // The regions closed in the current selection, in `working`.
    std::vector<std::vector<POINT>> closedRegions_;
    struct AppliedEffect {
        bool mosaic;
        int size;
        std::vector<Region> regions;  // on the picture as loaded
    };
    std::vector<AppliedEffect> effects_;
    // Where a point of the loaded picture lies in `source` (moved by trims)
    // and in `working` (after the last rebuild).
    Affine loadedToSource_;
    Affine sourceToWorking_;
    OverlayTexts texts_;
    int limitW_ = 0;
    int limitH_ = 0;
    int rotation_ = 0;
    DocMode mode_ = DocMode::Idle;
    bool trimmed_ = false;
    bool keepSizeAfterTrim_ = false;
    bool modified_ = false;  // main thread only
    // The trimming drag's press, on the picture and as drawn.
    POINT anchor_ = {-1, -1};
    ViewPoint anchorShown_;
    // How the view draws the picture: the scale, whether the user asked for
    // 100%, whether the picture is larger than the view's room, the scroll
    // offset (at 100%), and the composed picture at the drawn size (made
    // again when stale): scaled whole at once, at 100% tile by tile as paints
    // need it, `composedTiles` marking those done.
    ViewScale scale_;
    bool actualSize_ = false;
    bool largerThanRoom_ = false;
    POINT scroll_ = {0, 0};
    OwnedImage shown_;
    bool shownStale_ = true;
    TileMarks composedTiles_;
    bool painted_ = false;
    std::vector<uint8_t> paintBuffer_;
    std::vector<MarkedPiece> paintPieces_;
    HWND owner_ = nullptr;
    // Published by the view thread once the view is sized to the picture;
    // read with interlocked operations.
    HWND view_ = nullptr;
    KernelHandle viewThread_;
};

// Holds the document's lock for a scope.
class DocLock {
public:
    explicit DocLock(const ImageDoc& doc) : lock_(&doc.lock_) { EnterCriticalSection(lock_); }
    ~DocLock() { LeaveCriticalSection(lock_); }
    DocLock(const DocLock&) = delete;
    DocLock& operator=(const DocLock&) = delete;

private:
    CRITICAL_SECTION* lock_;
};
