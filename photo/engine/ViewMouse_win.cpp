#include "engine/ViewMouse_win.h"

#include <windowsx.h>

#include <string>
#include <vector>

#include "engine/ImageDoc_win.h"
#include "engine/TrimGeometry.h"
#include "imaging/Image.h"
#include "resources/resource.h"
#include "win/Gdi.h"
#include "win/Strings.h"

namespace {

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

// The view's boxes are owned by the view: the user cannot drag in it while
// one is up, and when the view is closed meanwhile the box ends with it
// (ViewWindow_win.cpp) rather than holding up the close until answered.
void ShowTrimRefusal(HWND view, TrimVerdict verdict) {
    UINT text = IDS_TRIM_TOO_SMALL;
    if (verdict == TrimVerdict::TooNarrow) {
        text = IDS_TRIM_TOO_NARROW;
    } else if (verdict == TrimVerdict::TooShort) {
        text = IDS_TRIM_TOO_SHORT;
    }
    // A note on the drag rather than a failure: an OK button and no icon;
    // the user simply drags again.
    MessageBoxW(view, ResourceString(text).c_str(), ResourceString(IDS_ERROR_CAPTION).c_str(), MB_OK);
}

void ShowCropFailure(HWND view) {
    MessageBoxW(view, ResourceString(IDS_CROP_FAILED).c_str(), ResourceString(IDS_ERROR_CAPTION).c_str(),
                MB_OK | MB_ICONERROR);
    // Reported: a later failure on this thread reports its own code.
    ImgClearError();
}

// A modal box lets the view take its close message, which detaches the
// document from the view before the close deletes it. After a modal call the
// mouse handling goes on only while the document is still attached, and
// otherwise touches nothing of it. A document handled without a view has no
// one to let it go.
bool StillAttached(const ImageDoc& doc, HWND view) {
    return !view || GetWindowLongPtrW(view, DWLP_USER) == reinterpret_cast<LONG_PTR>(&doc);
}

}  // namespace

bool HandleViewMouse(ImageDoc& doc, HWND view, UINT message, WPARAM, LPARAM lParam) {
    return doc.HandleMouse(view, message, lParam);
}

bool ImageDoc::HandleMouse(HWND view, UINT message, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            ButtonDown(view, PositionOf(lParam));
            return true;
        case WM_MOUSEMOVE:
            MouseMoved(view, PositionOf(lParam));
            return true;
        case WM_LBUTTONUP:
            ButtonUp(view, PositionOf(lParam));
            return true;
        default:
            return false;
    }
}

// Positions arrive in the view's client area. The marks are drawn where the
// picture is drawn (the client position plus the scroll offset); what is cut
// or selected is taken on the picture itself.
void ImageDoc::ButtonDown(HWND view, POINT at) {
    DocLock lock(*this);
    const ViewPoint shown = ShownOf(at);
    if (mode_ == DocMode::TrimArmed) {
        SetCapture(view);
        const ViewPoint picture = ToPicture(scale_, shown);
        anchor_ = POINT{picture.x, picture.y};
        anchorShown_ = shown;
    } else if (mode_ == DocMode::SelectArmed || mode_ == DocMode::Selected) {
        SetCapture(view);
        lasso_.clear();
        AppendLassoPoint(shown.x, shown.y);
        mode_ = DocMode::LassoDrawing;
    }
}

void ImageDoc::MouseMoved(HWND view, POINT at) {
    DocLock lock(*this);
    const ViewPoint shown = ShownOf(at);
    if (mode_ == DocMode::TrimArmed) {
        ClearOverlayLocked(0);
        if (anchor_.x != -1) {
            MarkRubberBandLocked(anchorShown_, shown);
            DrawRubberBand(overlay_.DC(), view, anchorShown_.x, anchorShown_.y, shown.x - anchorShown_.x,
                           shown.y - anchorShown_.y, kOverlayColour);
        } else {
            MarkCrosshairLocked(shown);
            DrawCrosshair(overlay_.DC(), view, shown.x, shown.y, kOverlayColour);
        }
    } else if (mode_ == DocMode::LassoDrawing) {
        // Earlier closed regions stay in the overlay: the selection is their union.
        AppendLassoPoint(shown.x, shown.y);
        MarkOverlayLocked(lasso_.data(), int(lasso_.size()));
        DrawLasso(overlay_.DC(), view, lasso_.data(), int(lasso_.size()), kOverlayColour);
    }
}

// The end of a trimming drag: the cut-out of the picture as shown becomes the
// new source; the window that opened the document rebuilds it. False when the
// document was let go meanwhile (see StillAttached).
bool ImageDoc::FinishTrim(HWND view, POINT at) {
    TrimVerdict verdict;
    bool cut = false;
    {
        DocLock lock(*this);
        // Judged on the picture: the too-small rules count its pixels, not
        // the view's.
        const ViewPoint end = ToPicture(scale_, ShownOf(at));
        TrimRect rect = {};
        verdict =
            JudgeTrim(anchor_.x, anchor_.y, end.x, end.y, ImgWidth(working_.Get()), ImgHeight(working_.Get()), &rect);
        anchor_ = {rect.x, rect.y};
        mode_ = DocMode::Idle;
        if (verdict == TrimVerdict::Accepted) {
            OwnedImage piece(ImgCrop(working_.Get(), rect.x, rect.y, rect.width, rect.height));
            if (piece) {
                KeepEffectsWithinLocked(rect.x, rect.y, rect.x + rect.width, rect.y + rect.height);
                loadedToSource_ = Then(Then(loadedToSource_, sourceToWorking_), Shift(-rect.x, -rect.y));
                source_ = std::move(piece);
                trimmed_ = true;
                cut = true;
            }
        }
        ClearOverlayLocked(0);
    }
    ReleaseCapture();
    Repaint(view);
    if (!cut) {
        if (verdict != TrimVerdict::Accepted) {
            ShowTrimRefusal(view, verdict);
        } else {
            // The picture stays as it was: the source was not replaced.
            ShowCropFailure(view);
        }
        if (!StillAttached(*this, view)) {
            return false;
        }
        ResetAnchor();
    }
    Notify(DocEventTrimEnded);
    return true;
}

void ImageDoc::FinishLasso(HWND view, POINT at) {
    {
        DocLock lock(*this);
        const ViewPoint shown = ShownOf(at);
        AppendLassoPoint(shown.x, shown.y);
    }
    ReleaseCapture();
    {
        DocLock lock(*this);
        MarkOverlayLocked(lasso_.data(), int(lasso_.size()));
        FillLasso(overlay_.DC(), view, lasso_.data(), int(lasso_.size()), kOverlayColour);
        // Kept on the picture, where the effect will mask it.
        std::vector<POINT> region;
        region.reserve(lasso_.size());
        for (POINT p : lasso_) {
            const ViewPoint picture = ToPicture(scale_, ViewPoint{int(p.x), int(p.y)});
            region.push_back(POINT{picture.x, picture.y});
        }
        closedRegions_.push_back(std::move(region));
        mode_ = DocMode::Selected;
        lasso_.clear();
    }
    Notify(DocEventLassoClosed);
}

void ImageDoc::ButtonUp(HWND view, POINT at) {
    DocMode mode;
    POINT anchor;
    {
        DocLock lock(*this);
        mode = mode_;
        anchor = anchor_;
    }
    // A release without a press in this mode (the press came before the mode
    // was armed) starts nothing.
    if (mode == DocMode::TrimArmed && anchor.x != -1) {
        FinishTrim(view, at);
    } else if (mode == DocMode::LassoDrawing) {
        FinishLasso(view, at);
    } else {
        Notify(DocEventMouseReleased);
    }
}

int DrawRubberBand(HDC dc, HWND view, int left, int top, int width, int height, COLORREF colour) {
    if (!dc) {
        return 0;
    }
    {
        OwnedSelect<HPEN> pen(dc, CreatePen(PS_SOLID, 1, colour));
        StockSelect brush(dc, NULL_BRUSH);
        Rectangle(dc, left, top, left + width, top + height);
    }
    Repaint(view);
    return 1;
}

int DrawCrosshair(HDC dc, HWND view, int x, int y, COLORREF colour) {
    if (!dc) {
        return 0;
    }
    // Across the whole layer: at 100% the view may show only part of it.
    RECT client = {};
    BITMAP layer = {};
    if (GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(layer), &layer) == sizeof(layer)) {
        client.right = layer.bmWidth;
        client.bottom = layer.bmHeight < 0 ? -layer.bmHeight : layer.bmHeight;
    } else if (view) {
        GetClientRect(view, &client);
    }
    {
        OwnedSelect<HPEN> pen(dc, CreatePen(PS_SOLID, 1, colour));
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
        OwnedSelect<HPEN> pen(dc, CreatePen(PS_SOLID, 1, colour));
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
        OwnedSelect<HBRUSH> brush(dc, CreateSolidBrush(colour));
        int previousMode = SetPolyFillMode(dc, WINDING);
        Polygon(dc, points, count);
        SetPolyFillMode(dc, previousMode);
    }
    Repaint(view);
    return 1;
}
