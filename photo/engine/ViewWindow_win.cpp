#include "engine/ViewWindow_win.h"

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
        case WM_INITDIALOG: {
            int width, height;
            {
                DocLock lock(*this);
                width = ImgWidth(display_.Get());
                height = ImgHeight(display_.Get());
            }
            FitWindowToImage(hwnd, width, height);
            SetViewTitle(hwnd, width, height);
            return 1;
        }
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
            return 1;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            HandleViewMouse(*this, hwnd, msg, wParam, lParam);
            return 0;
        default:
            return 0;
    }
}

void FitWindowToImage(HWND hwnd, int width, int height) {
    RECT window, client;
    if (!hwnd || !GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client)) {
        return;
    }
    int frameWidth = (window.right - window.left) - client.right;
    int frameHeight = (window.bottom - window.top) - client.bottom;
    MoveWindow(hwnd, window.left, window.top, frameWidth + width, frameHeight + height, TRUE);
    GetWindowRect(hwnd, &window);
    int outerWidth = window.right - window.left, outerHeight = window.bottom - window.top;
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    // A picture larger than the screen still leaves the caption on it, so the
    // window can be moved and closed.
    int left = (desktop.right - outerWidth) / 2, top = (desktop.bottom - outerHeight) / 2;
    SetWindowPos(hwnd, HWND_TOP, left < 0 ? 0 : left, top < 0 ? 0 : top, outerWidth, outerHeight, SWP_SHOWWINDOW);
}

void SetViewTitle(HWND hwnd, int width, int height) {
    wchar_t title[64];
    std::swprintf(title, 64, ResourceString(IDS_VIEW_TITLE).c_str(), width, height);
    SetWindowTextW(hwnd, title);
}
