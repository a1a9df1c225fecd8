#include "ui/PopupHelp.h"

#include <algorithm>

#include "engine/AnsiText_win.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"
#include "ui/Messages.h"
#include "win/Gdi.h"

const char kPopupHelpClass[] = "MIVO_POPHELP";

namespace {

const COLORREF kNoteFill = RGB(255, 255, 226);
const COLORREF kNoteFrame = RGB(192, 192, 192);
// Offsets of the note from the control's lower left corner.
const int kNoteOffsetX = 10;
const int kNoteOffsetY = 3;
// The text sits 6 pixels in from the left of the client area and 4 down.
const int kTextLeft = 6;
const int kTextTop = kNoteFirstTextBottom - kNoteLineHeight;
const int kTextRight = kTextLeft + kNoteWrapWidth;
// The client area inside the border.
const int kClientWidth = kNoteWidth - 2;
// Border (1 pixel each way) plus the 6 pixels below the text bottom.
const int kBelowText = 8;
// Prefixes would eat an "&" that an author wrote in a help text.
const UINT kTextFormat = DT_WORDBREAK | DT_NOPREFIX;

// The one note there is: its text, the font of the window it belongs to, and
// where its text ends.
struct Note {
    HWND window = nullptr;
    char text[kPathCapacity] = {};
    HFONT font = nullptr;
    int textBottom = kNoteFirstTextBottom;
};
Note g_note;

// The help text of `controlId` into `text`; false for a control without help.
bool ChooseHelpText(int controlId, char (&text)[kPathCapacity]) {
    const char* info = nullptr;
    int message = 0;
    switch (controlId) {
        case IDOK:
            message = MSG_HELP_OK;
            break;
        case IDCANCEL:
            message = MSG_HELP_CANCEL;
            break;
        case IDC_OPTION_GROUP:
            info = g_setupInfo.groupInfo;
            break;
        case IDC_OPTION_STARTUP:
            info = g_setupInfo.startupInfo;
            break;
        case IDC_OPTION_DESKTOP:
            info = g_setupInfo.desktopInfo;
            break;
        case IDC_INSTALL_DIR:
        case IDC_BROWSE_INSTALL_DIR:
            message = MSG_HELP_INSTALL_DIR;
            break;
        case IDC_OPTION_ALL_USERS:
            message = MSG_HELP_ALL_USERS;
            break;
        default:
            return false;
    }
    if (info) {
        CopyAnsiBounded(text, sizeof(text), info);
    } else {
        LoadMessage(message, text, sizeof(text));
    }
    return text[0] != '\0';
}

// Lines the text takes when cut wherever the line is full, measured in
// UTF-16 so that the count of characters that fit is never mistaken for a
// count of bytes.
int CountCharacterLines(HDC dc, const char* text) {
    wchar_t wide[kPathCapacity] = {};
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, static_cast<int>(kPathCapacity)) - 1;
    int lines = 1;
    int position = 0;
    while (position < length) {
        int fit = 0;
        SIZE extent = {};
        if (!GetTextExtentExPointW(dc, wide + position, length - position, kNoteWrapWidth, &fit, nullptr, &extent)) {
            break;
        }
        // A character wider than the line still takes a line of its own.
        position += std::max(fit, 1);
        if (position >= length) {
            break;
        }
        ++lines;
    }
    return lines;
}

// Lines the drawing takes, `lineHeight` pixels each: it breaks at words,
// which can need more lines than cutting at any character does. Counting both
// keeps the last words from being cut off below the note's text bottom.
int CountWrappedLines(HDC dc, const char* text, int lineHeight) {
    RECT bounds = {0, 0, kNoteWrapWidth, 0};
    if (DrawTextA(dc, text, -1, &bounds, kTextFormat | DT_CALCRECT) <= 0) {
        return 1;
    }
    return std::max(1, static_cast<int>((bounds.bottom - bounds.top + lineHeight - 1) / lineHeight));
}

// The height of one drawn line: 12 pixels for the 9-point dialog font, more
// when the dialog's font is taller, whose lines would otherwise overlap the
// frame.
int LineHeight(HDC dc) {
    TEXTMETRICA metrics = {};
    if (!GetTextMetricsA(dc, &metrics)) {
        return kNoteLineHeight;
    }
    return std::max(kNoteLineHeight, static_cast<int>(metrics.tmHeight));
}

// Measures the text in the font of the window the note belongs to and makes
// the note tall enough for it.
void LayOutNote(HWND window) {
    g_note.font = reinterpret_cast<HFONT>(SendMessageA(GetParent(window), WM_GETFONT, 0, 0));
    g_note.textBottom = kNoteFirstTextBottom;
    WindowDC dc(window);
    if (!dc) {
        return;
    }
    ScopedSelect font(dc.Get(), g_note.font);
    int lineHeight = LineHeight(dc.Get());
    int lines =
        std::max(CountCharacterLines(dc.Get(), g_note.text), CountWrappedLines(dc.Get(), g_note.text, lineHeight));
    g_note.textBottom = kTextTop + lineHeight * lines;
    if (g_note.textBottom != kNoteFirstTextBottom) {
        SetWindowPos(window, nullptr, 0, 0, kNoteWidth, g_note.textBottom + kBelowText,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PaintNote(HWND window) {
    PaintDC paint(window);
    HDC dc = paint.Get();
    LOGBRUSH fill = {BS_SOLID, kNoteFill, 0};
    Brush brush(CreateBrushIndirect(&fill));
    Pen pen(CreatePen(PS_SOLID, 1, kNoteFrame));
    {
        ScopedSelect selectBrush(dc, brush.Get());
        ScopedSelect selectPen(dc, pen.Get());
        Rectangle(dc, 0, 0, kClientWidth, g_note.textBottom + 6);
    }
    ScopedSelect selectFont(dc, g_note.font);
    SetBkColor(dc, kNoteFill);
    RECT textRect = {kTextLeft, kTextTop, kTextRight, g_note.textBottom};
    DrawTextA(dc, g_note.text, -1, &textRect, kTextFormat);
}

void CloseNote(HWND window) {
    // Destroying the note takes its focus away, which asks to close it again.
    if (g_note.window == window) {
        g_note.window = nullptr;
        DestroyWindow(window);
    }
}

LRESULT CALLBACK NoteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            g_note.window = window;
            LayOutNote(window);
            return 0;
        case WM_PAINT:
            PaintNote(window);
            return 0;
        case WM_KEYUP:
            // The help keys themselves leave the note open: releasing F1 (or
            // Shift or Ctrl of a shortcut) after asking for help.
            if (wParam != VK_F1 && wParam != VK_SHIFT && wParam != VK_CONTROL) {
                CloseNote(window);
            }
            return 0;
        case WM_KILLFOCUS:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            CloseNote(window);
            return 0;
        case WM_NCDESTROY:
            if (g_note.window == window) {
                g_note.window = nullptr;
            }
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registered afresh for every note, so the class always carries this
// module's procedure.
bool RegisterNoteClass() {
    UnregisterClassA(kPopupHelpClass, g_installer.instance);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = NoteProc;
    windowClass.hInstance = g_installer.instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kPopupHelpClass;
    return RegisterClassA(&windowClass) != 0;
}

}  // namespace

void ShowPopupHelp(HWND control, int controlId) {
    char text[kPathCapacity] = {};
    if (!ChooseHelpText(controlId, text)) {
        return;
    }
    // One note at a time; the class cannot be registered anew while a window
    // of it exists.
    if (g_note.window) {
        CloseNote(g_note.window);
    }
    if (!RegisterNoteClass()) {
        return;
    }
    CopyAnsiBounded(g_note.text, sizeof(g_note.text), text);
    RECT controlRect = {};
    GetWindowRect(control, &controlRect);
    // The control as parent makes its dialog the note's owner.
    HWND note = CreateWindowExA(0, kPopupHelpClass, "", WS_POPUP | WS_BORDER, controlRect.left + kNoteOffsetX,
                                controlRect.bottom + kNoteOffsetY, kNoteWidth, kNoteFirstTextBottom + kBelowText,
                                control, nullptr, g_installer.instance, nullptr);
    if (!note) {
        return;
    }
    ShowWindow(note, SW_SHOW);
    UpdateWindow(note);
}
