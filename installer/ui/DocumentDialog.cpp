#include "ui/DocumentDialog.h"

#include <cstring>

#include "engine/AnsiText_win.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"
#include "ui/Messages.h"
#include "win/Gdi.h"
#include "win/ScopedHandle.h"

// "ＭＳ ゴシック" in code page 932.
const char kDocumentFontFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

namespace {

// Error codes of the failure sites here.
const int kCodeNoDocumentMemory = 2301;
const int kCodeDocumentUnreadable = 2302;

// What the dialog procedure works with, from WM_INITDIALOG until it closes.
struct DocumentDialogData {
    const char* text = nullptr;  // the document, zero-terminated
    // The edit's font, created when the dialog opens and deleted with this
    // record, once the dialog and its edit are gone.
    Font fixedFont;
};

// Reads up to `limit` bytes from the start of `file` into `buffer`; the count
// read goes to `length`. Reading stops early only at the end of the file.
bool ReadDocumentBytes(HANDLE file, char* buffer, DWORD limit, DWORD& length) {
    length = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return false;
    }
    while (length < limit) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + length, limit - length, &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        length += got;
    }
    return true;
}

// Whether anything follows the first `length` bytes of `file`.
bool HasMoreBytes(HANDLE file, DWORD length) {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) && size.QuadPart > static_cast<LONGLONG>(length);
}

// Gives the edit the dialog font's fixed-pitch sibling, so that text laid out
// in columns keeps its columns.
void UseFixedPitchFont(HWND edit, DocumentDialogData& data) {
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
    LOGFONTA font = {};
    if (!dialogFont || GetObjectA(dialogFont, sizeof(font), &font) == 0) {
        return;
    }
    CopyAnsiBounded(font.lfFaceName, sizeof(font.lfFaceName), kDocumentFontFace);
    // Where that face is not installed, the font mapper still picks a
    // fixed-pitch face instead of some proportional one.
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    data.fixedFont.Reset(CreateFontIndirectA(&font));
    if (data.fixedFont) {
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(data.fixedFont.Get()), FALSE);
    }
}

void InitDocumentDialog(HWND dialog, DocumentDialogData& data) {
    SetProgramIcons(dialog);
    HWND edit = GetDlgItem(dialog, IDC_DOCUMENT_TEXT);
    UseFixedPitchFont(edit, data);
    SetWindowTextA(edit, data.text);

    char caption[sizeof(g_setupInfo.title) + 8];
    CopyAnsiBounded(caption, sizeof(caption), g_setupInfo.title);
    AppendAnsiBounded(caption, sizeof(caption), " (1/2)");
    SetWindowTextA(dialog, caption);
}

INT_PTR CALLBACK DocumentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* data = reinterpret_cast<DocumentDialogData*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            InitDocumentDialog(dialog, *data);
            // Start on "Next": focus in the edit would show the whole
            // document selected.
            SetFocus(GetDlgItem(dialog, IDOK));
            return FALSE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:  // the Cancel button, Esc and the close box
                    CancelAfterConfirmation(dialog);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

size_t WholeCharacterLength(const char* text, size_t length) {
    size_t used = 0;
    while (used < length) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[used])) ? 2 : 1;
        if (used + step > length) {
            break;
        }
        used += step;
    }
    return used;
}

bool ShowDocumentDialog(HWND owner) {
    if (g_setupInfo.textFile[0] == '\0') {
        return true;
    }
    // The document lies beside the setup program. The name is never cut: a
    // path too long to open is reported as the unreadable path it is.
    char path[kPathCapacity * 2] = {};
    CopyAnsiBounded(path, sizeof(path), g_installer.ownDir);
    AppendAnsiBounded(path, sizeof(path), g_setupInfo.textFile);

    KernelHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ShowErrorText(owner, MSG_READ_FAILED, 0, path);
        return false;
    }
    GlobalMemory memory(GlobalAlloc(GPTR, kDocumentLimit + 1));
    if (!memory) {
        ShowError(owner, MSG_OUT_OF_MEMORY, kCodeNoDocumentMemory);
        return false;
    }
    char* text = static_cast<char*>(memory.Get());
    DWORD length = 0;
    if (!ReadDocumentBytes(file.Get(), text, kDocumentLimit, length)) {
        ShowErrorText(owner, MSG_READ_FAILED, kCodeDocumentUnreadable, path);
        return false;
    }
    if (length == kDocumentLimit && HasMoreBytes(file.Get(), length)) {
        length = static_cast<DWORD>(WholeCharacterLength(text, length));
    }
    text[length] = '\0';
    file.Reset();

    DocumentDialogData data;
    data.text = text;
    INT_PTR result = DialogBoxParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_DOCUMENT), owner, DocumentDialogProc,
                                     reinterpret_cast<LPARAM>(&data));
    return result == IDOK;
}
