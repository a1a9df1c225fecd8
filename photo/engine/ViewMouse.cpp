#include "engine/ViewMouse.h"

#include <windowsx.h>

#include <utility>

#include "app/ShellState.h"
#include "engine/ImageDoc.h"
#include "engine/TrimGeometry.h"
#include "imaging/Image.h"
#include "resources/resource.h"
#include "settings/Settings.h"

namespace {

const wchar_t kErrorCaption[] = L"エラー";

// A pen or brush made for one drawing, selected into the DC for its life and
// deleted after the previous object is back.
class ScopedGdiSelection {
public:
    ScopedGdiSelection(HDC dc, HGDIOBJ object) : dc_(dc), object_(object) {
        previous_ = object_ ? SelectObject(dc_, object_) : nullptr;
    }
    ~ScopedGdiSelection() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
        if (object_) {
            DeleteObject(object_);
        }
    }
    ScopedGdiSelection(const ScopedGdiSelection&) = delete;
    ScopedGdiSelection& operator=(const ScopedGdiSelection&) = delete;
    ScopedGdiSelection(ScopedGdiSelection&& other) noexcept
        : dc_(other.dc_),
          object_(std::exchange(other.object_, nullptr)),
          previous_(std::exchange(other.previous_, nullptr)) {}
    ScopedGdiSelection& operator=(ScopedGdiSelection&&) = delete;

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ previous_;
};

// Selects a stock object (never deleted) for one drawing.
class ScopedStockSelection {
public:
    ScopedStockSelection(HDC dc, int stockObject) : dc_(dc), previous_(SelectObject(dc, GetStockObject(stockObject))) {}
    ~ScopedStockSelection() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedStockSelection(const ScopedStockSelection&) = delete;
    ScopedStockSelection& operator=(const ScopedStockSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

void Repaint(HWND view) {
    if (view) {
        InvalidateRect(view, nullptr, FALSE);
    }
}

// Mouse positions are signed: during a captured drag a position left of or
// above the window is negative and must clip to the edge, not wrap round to
// the far side as an unsigned value would.
POINT PositionOf(LPARAM lParam) {
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return point;
}

HWND MainControl(int id) {
    return shellState.mainWnd ? GetDlgItem(shellState.mainWnd, id) : nullptr;
}

void SetMainCheck(int id, bool checked) {
    HWND control = MainControl(id);
    if (control) {
        SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void EnableMain(int id, bool enable) {
    HWND control = MainControl(id);
    if (control) {
        EnableWindow(control, enable ? TRUE : FALSE);
    }
}

void SetMainText(int id, const wchar_t* text) {
    HWND control = MainControl(id);
    if (control) {
        SetWindowTextW(control, text);
    }
}

void SendMainCommand(int id) {
    if (shellState.mainWnd) {
        SendMessageW(shellState.mainWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
}

void ButtonDown(ImageDoc& doc, HWND view, POINT at) {
    if (doc.trimArmed) {
        SetCapture(view);
        doc.anchorX = at.x;
        doc.anchorY = at.y;
    }
    if (doc.selectArmed) {
        DocLock lock(doc);
        if (doc.pointCount > 0 && doc.points && doc.points[doc.pointCount - 1].x == at.x &&
            doc.points[doc.pointCount - 1].y == at.y) {
            return;
        }
        SetCapture(view);
        AppendLassoPoint(doc, at.x, at.y);
        doc.lassoDrawing = 1;
    }
}

void MouseMoved(ImageDoc& doc, HWND view, POINT at) {
    if (doc.trimArmed) {
        doc.ClearOverlay(1);
        DocLock lock(doc);
        if (doc.anchorX != -1) {
            doc.trimW = at.x - doc.anchorX;
            doc.trimH = at.y - doc.anchorY;
            DrawRubberBand(doc.overlayDC, view, doc.anchorX, doc.anchorY, doc.trimW, doc.trimH, kOverlayColour);
        } else {
            DrawCrosshair(doc.overlayDC, view, at.x, at.y, kOverlayColour);
        }
    }
    if (doc.lassoDrawing) {
        // Earlier closed regions stay in the overlay: the selection is their union.
        DocLock lock(doc);
        AppendLassoPoint(doc, at.x, at.y);
        DrawLasso(doc.overlayDC, view, doc.points, doc.pointCount, kOverlayColour);
    }
}

// The view's boxes are owned by the view: the user cannot drag in it while
// one is up, and when the main window ends the view meanwhile the box ends
// with it (ViewWindow.cpp) rather than holding up the close until answered.
void ShowTrimRefusal(HWND view, TrimVerdict verdict) {
    const wchar_t* text = L"切り取り後のサイズが小さ過ぎます。";
    if (verdict == TrimVerdict::TooNarrow) {
        text = L"切り取り後の幅が小さ過ぎます。";
    } else if (verdict == TrimVerdict::TooShort) {
        text = L"切り取り後の高さが小さ過ぎます。";
    }
    // A note on the drag rather than a failure: an OK button and no icon;
    // the user simply drags again.
    MessageBoxW(view, text, kErrorCaption, MB_OK);
}

void ShowCropFailure(HWND view) {
    MessageBoxW(view, L"画像を切り抜けませんでした", kErrorCaption, MB_OK | MB_ICONERROR);
    // Reported: a later failure (a save) reports its own code, not this one.
    ImgClearError();
}

// A modal box lets the view take the main window's WM_DESTROY, which detaches
// the document from the view before the close deletes it. After a modal call
// the mouse handling goes on only while the document is still attached, and
// otherwise touches nothing of it. A document handled without a view has no
// one to let it go.
bool StillAttached(const ImageDoc& doc, HWND view) {
    return !view || GetWindowLongPtrW(view, DWLP_USER) == reinterpret_cast<LONG_PTR>(&doc);
}

// The end of a trimming drag: the cut-out of the picture as shown becomes the
// new source, at rotation none and (unless kept) size none. False when the
// document was let go meanwhile (see StillAttached).
bool FinishTrim(ImageDoc& doc, HWND view, POINT at) {
    TrimRect rect = {};
    TrimVerdict verdict;
    {
        DocLock lock(doc);
        verdict = JudgeTrim(doc.anchorX, doc.anchorY, at.x, at.y, ImgWidth(doc.working), ImgHeight(doc.working), &rect);
        doc.anchorX = rect.x;
        doc.anchorY = rect.y;
        doc.trimW = rect.width;
        doc.trimH = rect.height;
    }
    ReleaseCapture();
    doc.trimArmed = 0;
    SetMainCheck(IDC_TRIM, false);
    EnableMain(IDC_SELECT_REGION, true);

    bool cut = false;
    if (verdict == TrimVerdict::Accepted) {
        DocLock lock(doc);
        ImgHandle piece = ImgCrop(doc.working, rect.x, rect.y, rect.width, rect.height);
        if (piece) {
            ImgFree(doc.source);
            doc.source = piece;
            cut = true;
        }
    }
    if (cut) {
        SetMainText(IDC_TRIM, L"トリミング取り消し");
        doc.trimmed = 1;
        SendMainCommand(IDC_ROTATE_NONE);
        if (doc.keepSizeAfterTrim == 0) {
            SendMainCommand(IDC_SIZE_NONE);
        }
        SetMainCheck(IDC_ROTATE_NONE, true);
        SetMainCheck(IDC_ROTATE_RIGHT, false);
        SetMainCheck(IDC_ROTATE_LEFT, false);
        SetMainCheck(IDC_ROTATE_180, false);
        if (doc.keepSizeAfterTrim == 0) {
            SetMainCheck(IDC_SIZE_NONE, true);
            SetMainCheck(IDC_SIZE_SMALL, false);
            SetMainCheck(IDC_SIZE_MIDDLE, false);
            SetMainCheck(IDC_SIZE_LARGE, false);
        }
    } else {
        SetMainText(IDC_TRIM, L"トリミング開始");
        if (verdict != TrimVerdict::Accepted) {
            ShowTrimRefusal(view, verdict);
        } else {
            // The picture stays as it was: the source was not replaced.
            ShowCropFailure(view);
        }
        if (!StillAttached(doc, view)) {
            return false;
        }
        doc.ResetAnchor();
    }

    Sleep(100);
    doc.Rebuild(1);
    doc.RenderTexts(gSettings.callScreen, gSettings.cUnderRight, gSettings.callScreenString,
                    gSettings.cUnderRightString, gSettings.fAllScreen, gSettings.fUnderRight, 1);
    doc.ClearOverlay(1);
    EnableMain(IDC_SELECT_REGION, true);
    return true;
}

void FinishLasso(ImageDoc& doc, POINT at) {
    {
        DocLock lock(doc);
        AppendLassoPoint(doc, at.x, at.y);
    }
    ReleaseCapture();
    doc.lassoDrawing = 0;
    {
        DocLock lock(doc);
        FillLasso(doc.overlayDC, doc.viewWnd, doc.points, doc.pointCount, kOverlayColour);
        doc.hasSelection = 1;
        doc.pointCount = 0;
    }
    SetMainText(IDC_SELECT_REGION, L"選択範囲解除");
    SetMainCheck(IDC_SELECT_REGION, false);
    EnableMain(IDC_APPLY_MOSAIC, true);
    EnableMain(IDC_APPLY_BLUR, true);
}

void ButtonUp(ImageDoc& doc, HWND view, POINT at) {
    // A release without a press in this mode (the press came before the mode
    // was armed) starts nothing.
    if (doc.trimArmed && doc.anchorX != -1 && !FinishTrim(doc, view, at)) {
        return;
    }
    if (doc.selectArmed && doc.lassoDrawing) {
        FinishLasso(doc, at);
    }
    for (int id = IDC_SIZE_NONE; id <= IDC_SIZE_DESKTOP; ++id) {
        EnableMain(id, true);
    }
    for (int id = IDC_ROTATE_NONE; id <= IDC_ROTATE_180; ++id) {
        EnableMain(id, true);
    }
    if (shellState.mainWnd) {
        BringWindowToTop(shellState.mainWnd);
    }
}

}  // namespace

bool AppendLassoPoint(ImageDoc& doc, int x, int y) {
    if (!doc.points || doc.pointCount < 0 || doc.pointCount >= kLassoCapacity) {
        return false;
    }
    doc.points[doc.pointCount].x = x;
    doc.points[doc.pointCount].y = y;
    ++doc.pointCount;
    return true;
}

bool HandleViewMouse(ImageDoc& doc, HWND view, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            ButtonDown(doc, view, PositionOf(lParam));
            return true;
        case WM_MOUSEMOVE:
            MouseMoved(doc, view, PositionOf(lParam));
            return true;
        case WM_LBUTTONUP:
            ButtonUp(doc, view, PositionOf(lParam));
            return true;
        default:
            return false;
    }
}

int DrawRubberBand(HDC dc, HWND view, int left, int top, int width, int height, COLORREF colour) {
    if (!dc) {
        return 0;
    }
    {
        ScopedGdiSelection pen(dc, CreatePen(PS_SOLID, 1, colour));
        ScopedStockSelection brush(dc, NULL_BRUSH);
        Rectangle(dc, left, top, left + width, top + height);
    }
    Repaint(view);
    return 1;
}

int DrawCrosshair(HDC dc, HWND view, int x, int y, COLORREF colour) {
    if (!dc) {
        return 0;
    }
    RECT client = {};
    if (view) {
        GetClientRect(view, &client);
    }
    {
        ScopedGdiSelection pen(dc, CreatePen(PS_SOLID, 1, colour));
        MoveToEx(dc, x, client.top, nullptr);
        LineTo(dc, x, client.bottom);
        MoveToEx(dc, client.left, y, nullptr);
        LineTo(dc, client.right, y);
    }
    Repaint(view);
    return 1;
}

int DrawLasso(HDC dc, HWND view, const POINT* points, int count, COLORREF colour) {
    if (!dc) {
        return 0;
    }
    if (points && count > 0) {
        ScopedGdiSelection pen(dc, CreatePen(PS_SOLID, 1, colour));
        Polyline(dc, points, count);
    }
    Repaint(view);
    return 1;
}

int FillLasso(HDC dc, HWND view, const POINT* points, int count, COLORREF colour) {
    if (!dc) {
        return 0;
    }
    if (points && count > 0) {
        ScopedGdiSelection brush(dc, CreateSolidBrush(colour));
        int previousMode = SetPolyFillMode(dc, WINDING);
        Polygon(dc, points, count);
        SetPolyFillMode(dc, previousMode);
    }
    Repaint(view);
    return 1;
}
