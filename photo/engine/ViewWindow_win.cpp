#include "engine/ViewWindow_win.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cwchar>

#include "engine/ImageDoc_win.h"
#include "engine/ViewMouse_win.h"
#include "resources/resource.h"
#include "win/Strings.h"

unsigned __stdcall ImageDoc::ViewThreadMain(void* doc) {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VIEW), nullptr, ViewDlgProc,
                    reinterpret_cast<LPARAM>(doc));
    return 1;
}

INT_PTR CALLBACK ImageDoc::ViewDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        ImageDoc* doc = reinterpret_cast<ImageDoc*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        if (!doc) {
            return 0;
        }
        INT_PTR result = doc->ViewProc(hwnd, msg, wParam, lParam);
        // Published only once sized to the picture: the open waiting for it
        // goes on to place the texts by the view's client area.
        InterlockedExchangePointer(reinterpret_cast<void**>(&doc->view_), hwnd);
        return result;
    }
    ImageDoc* doc = reinterpret_cast<ImageDoc*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return doc ? doc->ViewProc(hwnd, msg, wParam, lParam) : 0;
}

namespace {

// Pixels a scroll bar's arrow and a wheel notch move the picture at 100%.
const int kLineStep = 40;
const int kWheelStep = 120;

BOOL CALLBACK EndIfOwnedBy(HWND window, LPARAM owner) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && std::wcscmp(className, L"#32770") == 0) {
        EndDialog(window, IDCANCEL);
    }
    return TRUE;
}

// Ends the dialogs and message boxes that `view` owns (all on this thread).
void EndOwnedBoxes(HWND view) {
    EnumThreadWindows(GetCurrentThreadId(), EndIfOwnedBy, reinterpret_cast<LPARAM>(view));
}

}  // namespace

INT_PTR ImageDoc::ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            LayOutView(hwnd);
            return 1;
        case kViewLayoutMessage:
            LayOutView(hwnd);
            return 1;
        case WM_PAINT:
            Paint(hwnd);
            return 1;
        case WM_CLOSE:
            // Closing the view closes the program; the window that opened the
            // document runs the close, which ends this view in turn.
            Notify(DocEventCloseRequested);
            return 1;
        case kViewCloseMessage:
            // From here on the window's remaining messages find no document.
            SetWindowLongPtrW(hwnd, DWLP_USER, 0);
            // A box of the mouse handling may be up, its loop nested inside
            // the view's: it ends too, or the thread (and the close waiting
            // for it) would stay until the user answers. The handling then
            // finds its document let go and returns.
            EndOwnedBoxes(hwnd);
            EndDialog(hwnd, 0);
            return 1;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDM_VIEW_FIT || LOWORD(wParam) == IDM_VIEW_ACTUAL) {
                SetActualSize(LOWORD(wParam) == IDM_VIEW_ACTUAL);
            }
            return 1;
        case WM_KEYDOWN:
            if (wParam == kViewScaleKey) {
                SetActualSize(!ActualSize());
            }
            return 0;
        case WM_CONTEXTMENU:
            ShowViewMenu(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 1;
        case WM_HSCROLL:
            ScrollView(hwnd, SB_HORZ, LOWORD(wParam));
            return 1;
        case WM_VSCROLL:
            ScrollView(hwnd, SB_VERT, LOWORD(wParam));
            return 1;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL: {
            // A notch moves a tenth of a screen's worth; the horizontal wheel
            // or the shift key scrolls sideways.
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam);
            const bool sideways = msg == WM_MOUSEHWHEEL || (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT);
            const int pixels = kWheelStep * notches / WHEEL_DELTA;
            ScrollViewBy(hwnd, sideways ? SB_HORZ : SB_VERT, msg == WM_MOUSEHWHEEL ? pixels : -pixels);
            return 1;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                ScrollViewBy(hwnd, SB_HORZ, 0);
                ScrollViewBy(hwnd, SB_VERT, 0);
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            HandleViewMouse(*this, hwnd, msg, wParam, lParam);
            return 0;
        default:
            return 0;
    }
}

namespace {

// What the screen offers the view: the work area of the monitor (the main
// window's, where the view goes), the main window, and the view's frame
// without its scroll bars.
struct ViewSurroundings {
    ViewBox work;
    ViewBox main;
    bool hasMain = false;
    int frameWidth = 0;
    int frameHeight = 0;
    // The client size that fits beside the main window (or on the screen).
    int RoomWidth() const { return ViewRoom(work, hasMain ? &main : nullptr).Width() - frameWidth; }
    int RoomHeight() const { return ViewRoom(work, hasMain ? &main : nullptr).Height() - frameHeight; }
};

ViewBox BoxOf(const RECT& rect) {
    return ViewBox{int(rect.left), int(rect.top), int(rect.right), int(rect.bottom)};
}

// Only calls that never wait for another thread: safe under the document's
// lock on either thread.
ViewSurroundings Survey(HWND view, HWND owner) {
    ViewSurroundings around;
    RECT rect = {};
    // A top-level owner is the main window; a message-only one is none.
    around.hasMain =
        owner && IsWindow(owner) && GetAncestor(owner, GA_PARENT) == GetDesktopWindow() && GetWindowRect(owner, &rect);
    around.main = BoxOf(rect);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(around.hasMain ? owner : view, MONITOR_DEFAULTTONEAREST), &monitor)) {
        around.work = BoxOf(monitor.rcWork);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0);
        around.work = BoxOf(rect);
    }
    RECT window = {}, client = {};
    if (view && GetWindowRect(view, &window) && GetClientRect(view, &client)) {
        const LONG style = GetWindowLongW(view, GWL_STYLE);
        around.frameWidth = int(window.right - window.left - client.right) -
                            ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
        around.frameHeight = int(window.bottom - window.top - client.bottom) -
                             ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    }
    return around;
}

}  // namespace

bool ImageDoc::RefitLocked(HWND view) {
    const int width = ImgWidth(display_.Get()), height = ImgHeight(display_.Get());
    ViewScale next = ActualScale(width, height);
    bool larger = false;
    if (view) {
        const ViewSurroundings around = Survey(view, owner_);
        const ViewScale fit = FitScale(width, height, around.RoomWidth(), around.RoomHeight());
        larger = fit.Scaled();
        if (!actualSize_) {
            next = fit;
        }
    }
    largerThanRoom_ = larger;
    if (next == scale_) {
        return false;
    }
    scale_ = next;
    shown_.Reset();
    shownStale_ = true;
    return true;
}

void ImageDoc::RedrawSelectionLocked() {
    std::vector<POINT> points;
    for (const std::vector<POINT>& region : closedRegions_) {
        points.clear();
        for (POINT p : region) {
            ViewPoint shown = ToShown(scale_, ViewPoint{int(p.x), int(p.y)});
            points.push_back(POINT{shown.x, shown.y});
        }
        MarkOverlayLocked(points.data(), int(points.size()));
        DrawLasso(overlay_.DC(), nullptr, points.data(), int(points.size()) - 1, kOverlayColour);
        FillLasso(overlay_.DC(), nullptr, points.data(), int(points.size()), kOverlayColour);
    }
}

void ImageDoc::SetActualSize(bool actual) {
    {
        DocLock lock(*this);
        // A drag holds positions of the scale it started in.
        if (mode_ == DocMode::LassoDrawing || (mode_ == DocMode::TrimArmed && anchor_.x != -1)) {
            return;
        }
        actualSize_ = actual;
    }
    if (HWND view = View()) {
        SendMessageW(view, kViewLayoutMessage, 0, 0);
    }
}

bool ImageDoc::ActualSize() const {
    DocLock lock(*this);
    return actualSize_;
}

ViewScale ImageDoc::Scale() const {
    DocLock lock(*this);
    return scale_;
}

POINT ImageDoc::Scroll() const {
    DocLock lock(*this);
    return scroll_;
}

ViewPoint ImageDoc::ShownOf(POINT client) const {
    return ViewPoint{int(client.x) + scroll_.x, int(client.y) + scroll_.y};
}

void ImageDoc::LayOutView(HWND view) {
    ViewScale scale;
    bool larger;
    {
        DocLock lock(*this);
        if (RefitLocked(view)) {
            MakeOverlayLocked(1);
            RedrawSelectionLocked();
        }
        scale = scale_;
        larger = largerThanRoom_;
    }
    // From here on no lock: sizing the window sends it messages.
    const ViewSurroundings around = Survey(view, owner_);
    int roomWidth = around.RoomWidth(), roomHeight = around.RoomHeight();
    bool sideways = false, upright = false;  // scroll bars wanted
    if (!scale.Scaled() && larger) {
        // 100% of a picture larger than the room: the bars take their room
        // from it, and one bar may make the other needed.
        for (int pass = 0; pass < 2; ++pass) {
            sideways = scale.shownWidth > roomWidth;
            upright = scale.shownHeight > roomHeight;
            roomWidth = around.RoomWidth() - (upright ? GetSystemMetrics(SM_CXVSCROLL) : 0);
            roomHeight = around.RoomHeight() - (sideways ? GetSystemMetrics(SM_CYHSCROLL) : 0);
        }
    }
    const int clientWidth = std::max(1, std::min(scale.shownWidth, std::max(roomWidth, 1)));
    const int clientHeight = std::max(1, std::min(scale.shownHeight, std::max(roomHeight, 1)));
    ShowScrollBar(view, SB_HORZ, sideways);
    ShowScrollBar(view, SB_VERT, upright);
    const int outerWidth = clientWidth + around.frameWidth + (upright ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    const int outerHeight = clientHeight + around.frameHeight + (sideways ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    const ViewPoint at = PlaceView(around.work, around.hasMain ? &around.main : nullptr, outerWidth, outerHeight);
    SetWindowPos(view, HWND_TOP, at.x, at.y, outerWidth, outerHeight, SWP_SHOWWINDOW);
    ScrollViewBy(view, SB_HORZ, 0);
    ScrollViewBy(view, SB_VERT, 0);
    SetViewTitle(view, scale.pictureWidth, scale.pictureHeight, larger ? ScalePercent(scale) : 0);
    InvalidateRect(view, nullptr, FALSE);
}

void ImageDoc::ScrollViewBy(HWND view, int bar, int pixels) {
    RECT client = {};
    GetClientRect(view, &client);
    int position, shown, page;
    {
        DocLock lock(*this);
        LONG& offset = bar == SB_HORZ ? scroll_.x : scroll_.y;
        shown = bar == SB_HORZ ? scale_.shownWidth : scale_.shownHeight;
        page = bar == SB_HORZ ? client.right : client.bottom;
        const int before = offset;
        offset = ClampScroll(int(offset) + pixels, shown, page);
        position = offset;
        if (position == before && pixels != 0) {
            return;
        }
    }
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(shown - 1, 0);
    info.nPage = UINT(std::max(page, 0));
    info.nPos = position;
    const LONG style = GetWindowLongW(view, GWL_STYLE);
    if (style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) {
        SetScrollInfo(view, bar, &info, TRUE);
    }
    InvalidateRect(view, nullptr, FALSE);
}

void ImageDoc::ScrollView(HWND view, int bar, int request) {
    RECT client = {};
    GetClientRect(view, &client);
    const int page = bar == SB_HORZ ? client.right : client.bottom;
    const POINT now = Scroll();
    const int position = bar == SB_HORZ ? now.x : now.y;
    int target = position;
    switch (request) {
        case SB_LINEUP:
            target -= kLineStep;
            break;
        case SB_LINEDOWN:
            target += kLineStep;
            break;
        case SB_PAGEUP:
            target -= page;
            break;
        case SB_PAGEDOWN:
            target += page;
            break;
        case SB_TOP:
            target = 0;
            break;
        case SB_BOTTOM:
            target = INT_MAX / 2;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(view, bar, &info)) {
                target = info.nTrackPos;
            }
            break;
        }
        default:
            return;
    }
    ScrollViewBy(view, bar, target - position);
}

void ImageDoc::ShowViewMenu(HWND view, POINT screen) {
    bool actual, larger;
    {
        DocLock lock(*this);
        actual = actualSize_;
        larger = largerThanRoom_;
    }
    Menu menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    // Both choices are offered only where they differ: for a picture larger
    // than the room.
    const UINT state = larger ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu.Get(), MF_STRING | state, IDM_VIEW_FIT, ResourceString(IDS_VIEW_FIT).c_str());
    AppendMenuW(menu.Get(), MF_STRING | state, IDM_VIEW_ACTUAL, ResourceString(IDS_VIEW_ACTUAL).c_str());
    CheckMenuRadioItem(menu.Get(), IDM_VIEW_FIT, IDM_VIEW_ACTUAL, actual ? IDM_VIEW_ACTUAL : IDM_VIEW_FIT,
                       MF_BYCOMMAND);
    if (screen.x == -1 && screen.y == -1) {
        RECT client = {};
        GetClientRect(view, &client);
        screen = POINT{client.right / 2, client.bottom / 2};
        ClientToScreen(view, &screen);
    }
    // The choice arrives as WM_COMMAND.
    TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, view, nullptr);
}

void SetViewTitle(HWND hwnd, int width, int height, int percent) {
    wchar_t title[96];
    if (percent > 0) {
        std::swprintf(title, 96, ResourceString(IDS_VIEW_TITLE_SCALED).c_str(), width, height, percent);
    } else {
        std::swprintf(title, 96, ResourceString(IDS_VIEW_TITLE).c_str(), width, height);
    }
    SetWindowTextW(hwnd, title);
}
