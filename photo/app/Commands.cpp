#include "app/Commands.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>
#include <new>

#include "app/OutputName.h"
#include "app/SettingsDialog.h"
#include "app/ShellState.h"
#include "app/Startup.h"
#include "engine/Format.h"
#include "engine/ImageDoc.h"
#include "imaging/Image.h"
#include "resources/resource.h"
#include "settings/Settings.h"

namespace {

const wchar_t kErrorCaption[] = L"エラー";

// Captions the selection and trimming buttons take as their state changes.
const wchar_t kSelectIdleCaption[] = L"選択範囲設定";
const wchar_t kSelectArmedCaption[] = L"ウィンドウ内ドラッグして範囲を確定";
const wchar_t kTrimIdleCaption[] = L"トリミング開始";
const wchar_t kTrimArmedCaption[] = L"トリミング範囲をマウスで指定指定ください";

const int kSizeIds[] = {IDC_SIZE_NONE, IDC_SIZE_SMALL, IDC_SIZE_MIDDLE, IDC_SIZE_LARGE, IDC_SIZE_DESKTOP};
const int kRotationIds[] = {IDC_ROTATE_NONE, IDC_ROTATE_RIGHT, IDC_ROTATE_LEFT, IDC_ROTATE_180};

void Enable(HWND mainWnd, int id, bool enable) {
    EnableWindow(GetDlgItem(mainWnd, id), enable ? TRUE : FALSE);
}

void EnableSizesAndRotations(HWND mainWnd, bool enable) {
    for (int id : kSizeIds) {
        Enable(mainWnd, id, enable);
    }
    for (int id : kRotationIds) {
        Enable(mainWnd, id, enable);
    }
}

bool IsChecked(HWND mainWnd, int id) {
    return IsDlgButtonChecked(mainWnd, id) == BST_CHECKED;
}

void CloseMainWindow(HWND mainWnd) {
    SendMessageW(mainWnd, WM_CLOSE, 0, 0);
}

// Draws the texts again after the picture was rebuilt at a new size.
void RenderAgain(ImageDoc& doc) {
    doc.RenderTexts(gSettings.callScreen, gSettings.cUnderRight, gSettings.callScreenString,
                    gSettings.cUnderRightString, gSettings.fAllScreen, gSettings.fUnderRight, 1);
}

// Copies `text` into a settings text if it differs; true when it changed.
bool UpdateText(wchar_t (&field)[kSettingsTextCapacity], const wchar_t* text) {
    if (std::wcscmp(field, text) == 0) {
        return false;
    }
    std::wcsncpy(field, text, kSettingsTextCapacity - 1);
    field[kSettingsTextCapacity - 1] = L'\0';
    return true;
}

void ReadEdit(HWND mainWnd, int id, wchar_t (&text)[kShellTextCapacity]) {
    text[0] = L'\0';
    GetDlgItemTextW(mainWnd, id, text, static_cast<int>(kShellTextCapacity));
}

void Browse(HWND mainWnd) {
    ChooseInputFile(mainWnd, shellState.inputFile, kShellTextCapacity);
    // A cancelled dialog still tries the (empty) path, which fails like any
    // unreadable file.
    LoadInputFile(mainWnd, shellState.inputFile);
}

void OutputNameEdited(HWND mainWnd) {
    wchar_t text[kShellTextCapacity];
    ReadEdit(mainWnd, IDC_OUTPUT_NAME, text);
    // An emptied edit keeps the last name: saving as ".png" alone is no name.
    if (text[0] != L'\0' && std::wcscmp(text, shellState.outputName) != 0) {
        std::wcscpy(shellState.outputName, text);
    }
}

void ApplyEffect(HWND mainWnd, bool mosaic) {
    ImageDoc* doc = shellState.doc;
    if (!doc || doc->hasSelection != 1) {
        return;
    }
    if (mosaic) {
        doc->ApplyMosaic(gSettings.effectSize);
    } else {
        doc->ApplyBlur(gSettings.effectSize);
    }
    Enable(mainWnd, IDC_TRIM, true);
    Enable(mainWnd, IDC_REMOVE_EFFECTS, true);
}

void WatermarkEdited(HWND mainWnd) {
    wchar_t text[kShellTextCapacity];
    ReadEdit(mainWnd, IDC_WATERMARK_TEXT, text);
    if (UpdateText(gSettings.callScreenString, text) && shellState.doc) {
        shellState.doc->SetWatermark(gSettings.callScreen, gSettings.callScreenString, gSettings.fAllScreen);
    }
}

void CopyrightEdited(HWND mainWnd) {
    wchar_t text[kShellTextCapacity];
    ReadEdit(mainWnd, IDC_COPYRIGHT_TEXT, text);
    if (UpdateText(gSettings.cUnderRightString, text) && shellState.doc) {
        shellState.doc->SetCopyright(gSettings.cUnderRight, gSettings.cUnderRightString, gSettings.fUnderRight);
    }
}

// The C, R and TM buttons type a marker at the caret; the edit's change
// notification then stores the text and redraws it.
void InsertMarker(HWND mainWnd, int editId, const wchar_t* marker) {
    SendDlgItemMessageW(mainWnd, editId, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(marker));
}

void OpenSettings(HWND mainWnd) {
    EnableWindow(mainWnd, FALSE);
    ShowSettingsDialog(mainWnd);
}

void SizeChosen(int controlId) {
    for (int choice = 0; choice <= kSizeChoiceDesktop; ++choice) {
        if (SizeChoiceControlId(choice) == controlId) {
            gSettings.zoom = choice;
            break;
        }
    }
    ImageDoc* doc = shellState.doc;
    if (!doc) {
        return;
    }
    if (SizeChoiceControlId(gSettings.zoom) == IDC_SIZE_DESKTOP) {
        doc->limitW = DesktopFitWidth();
        doc->limitH = DesktopFitHeight();
        doc->Rebuild(0);
    } else {
        doc->limitW = SizeLimitOf(gSettings, gSettings.zoom);
        doc->limitH = 0;
        doc->Rebuild(1);
    }
    RenderAgain(*doc);
}

void RotationChosen(int controlId) {
    for (int choice = 0; choice < 4; ++choice) {
        if (RotationChoiceControlId(choice) == controlId) {
            gSettings.rotationChoice = choice;
            break;
        }
    }
    ImageDoc* doc = shellState.doc;
    if (!doc) {
        return;
    }
    doc->rotation = RotationDegreesOf(gSettings.rotationChoice);
    doc->Rebuild(1);
    RenderAgain(*doc);
}

void SelectionButton(HWND mainWnd) {
    ImageDoc* doc = shellState.doc;
    if (!doc) {
        return;
    }
    if (doc->hasSelection == 1) {
        // A region is drawn: the button releases it.
        Enable(mainWnd, IDC_TRIM, true);
        CheckDlgButton(mainWnd, IDC_SELECT_REGION, BST_UNCHECKED);
        SetDlgItemTextW(mainWnd, IDC_SELECT_REGION, kSelectIdleCaption);
        Enable(mainWnd, IDC_APPLY_MOSAIC, false);
        Enable(mainWnd, IDC_APPLY_BLUR, false);
        Enable(mainWnd, IDC_REMOVE_EFFECTS, true);
        doc->selectArmed = 0;
        doc->ClearOverlay(1);
    } else if (IsChecked(mainWnd, IDC_SELECT_REGION)) {
        Enable(mainWnd, IDC_TRIM, false);
        Enable(mainWnd, IDC_REMOVE_EFFECTS, false);
        SetDlgItemTextW(mainWnd, IDC_SELECT_REGION, kSelectArmedCaption);
        doc->selectArmed = 1;
    } else {
        Enable(mainWnd, IDC_TRIM, true);
        Enable(mainWnd, IDC_REMOVE_EFFECTS, false);
        SetDlgItemTextW(mainWnd, IDC_SELECT_REGION, kSelectIdleCaption);
        doc->selectArmed = 0;
    }
}

void TrimmingButton(HWND mainWnd) {
    ImageDoc* doc = shellState.doc;
    if (!doc) {
        return;
    }
    if (!IsChecked(mainWnd, IDC_TRIM)) {
        // Left trimming mode before dragging.
        SetDlgItemTextW(mainWnd, IDC_TRIM, kTrimIdleCaption);
        doc->trimmed = 0;
        doc->trimArmed = 0;
        doc->ResetAnchor();
        Enable(mainWnd, IDC_SELECT_REGION, true);
        EnableSizesAndRotations(mainWnd, true);
    } else if (doc->trimmed == 1) {
        // The button reads "トリミング取り消し": back to the whole picture.
        CheckDlgButton(mainWnd, IDC_TRIM, BST_UNCHECKED);
        SetDlgItemTextW(mainWnd, IDC_TRIM, kTrimIdleCaption);
        doc->trimmed = 0;
        doc->trimArmed = 0;
        doc->ResetAnchor();
        doc->Reload();
        doc->Rebuild(1);
        RenderAgain(*doc);
    } else {
        EnableSizesAndRotations(mainWnd, false);
        SetDlgItemTextW(mainWnd, IDC_TRIM, kTrimArmedCaption);
        doc->keepSizeAfterTrim = gSettings.trimSaveSize;
        doc->trimArmed = 1;
        Enable(mainWnd, IDC_SELECT_REGION, false);
    }
}

void ShowHelp(HWND mainWnd) {
    ShellExecuteW(mainWnd, nullptr, appStartup.helpUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

// First half of the save step: the path the picture goes to and its format
// code. A path that would not fit is refused before anything else happens, so
// that the user can shorten the name and try again; false then.
bool PrepareOutputPath(HWND mainWnd, int* code) {
    *code = 0;
    if (!shellState.doc) {
        return true;
    }
    LRESULT index = SendDlgItemMessageW(mainWnd, IDC_OUTPUT_FORMAT, CB_GETCURSEL, 0, 0);
    *code = static_cast<int>(index) + 1;  // no selection (-1) is code 0
    if (!ComposeOutputPath(shellState.outputDir, shellState.outputName, *code, shellState.outputExt,
                           shellState.outputPath, kShellTextCapacity)) {
        MessageBoxW(mainWnd, L"出力ファイルのパスが長すぎるため保存できません\n出力ファイル名を短くしてください",
                    kErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

// Second half: write the picture. A failure is reported; the caller closes
// the window all the same.
void WriteOutput(int code) {
    ImageDoc* doc = shellState.doc;
    if (!doc) {
        return;
    }
    if (doc->Save(shellState.outputPath, code) == 0) {
        wchar_t text[128];
        std::swprintf(text, 128, L"保存できませんでした: ERROR: %x", static_cast<unsigned>(ImgLastError()));
        MessageBoxW(nullptr, text, kErrorCaption, MB_OK | MB_ICONERROR);
    }
}

}  // namespace

int DesktopFitWidth() {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop.right - 30;
}

int DesktopFitHeight() {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop.bottom - 30;
}

void ChooseInputFile(HWND owner, wchar_t* buffer, size_t capacity) {
    if (!buffer || capacity == 0) {
        return;
    }
    buffer[0] = L'\0';
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter =
        L"Image files(*.bmp,*.jpg,*.png,*.gif)\0*.bmp;*.jpg;*.png;*.gif\0"
        L"All Files(*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = static_cast<DWORD>(capacity);
    dialog.lpstrTitle = L"元画像ファイルの選択";
    dialog.lpstrDefExt = L"jpg";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog)) {
        InvalidateRect(owner, nullptr, TRUE);
        UpdateWindow(owner);
    } else {
        buffer[0] = L'\0';
    }
}

void LoadInputFile(HWND mainWnd, const wchar_t* path) {
    if (!path) {
        path = L"";
    }
    // The output names are formed first: a path whose output name would not
    // fit is refused rather than saved later under a cut, different name.
    wchar_t outputPath[kShellTextCapacity];
    wchar_t outputDir[kShellTextCapacity];
    wchar_t outputName[kShellTextCapacity];
    if (!SplitOutputName(gSettings.outputFileBase, path, outputPath, outputDir, outputName, kShellTextCapacity)) {
        MessageBoxW(mainWnd,
                    L"出力ファイルのパスが長すぎるため読み込めません\n"
                    L"ファイルの場所か出力ファイル名に追加する文字列を短くしてください",
                    kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }

    ImageDoc* doc = new (std::nothrow) ImageDoc();
    if (!doc) {
        MessageBoxW(mainWnd, L"ファイルが読み込めません\nファイルの形式を確認してください", kErrorCaption,
                    MB_OK | MB_ICONERROR);
        return;
    }
    int degrees = RotationDegreesOf(gSettings.rotationChoice);
    if (gSettings.zoom == kSizeChoiceDesktop) {
        doc->Open(path, DesktopFitWidth(), DesktopFitHeight(), degrees, 0);
    } else {
        int limit = SizeLimitOf(gSettings, gSettings.zoom);
        doc->Open(path, limit, limit, degrees, 1);
    }
    shellState.doc = doc;

    // A load that yielded a picture together with a library error has no view
    // to show it in; it counts as failed like any other.
    if (!doc->source || !doc->viewWnd) {
        if (ImgLastError() != 0) {
            MessageBoxW(mainWnd, L"ファイルが読み込めません\nファイルの形式を確認してください", kErrorCaption,
                        MB_OK | MB_ICONERROR);
            ImgClearError();
        }
        if (doc->viewWnd) {
            SendMessageW(doc->viewWnd, WM_DESTROY, 0, 0);
        }
        doc->Close();
        delete doc;
        shellState.doc = nullptr;
        return;
    }

    SetDlgItemTextW(mainWnd, IDC_INPUT_PATH, path);
    std::wcscpy(shellState.outputPath, outputPath);
    std::wcscpy(shellState.outputDir, outputDir);
    std::wcscpy(shellState.outputName, outputName);
    SetDlgItemTextW(mainWnd, IDC_INPUT_STATUS, L"ファイルが読み込まれました");
    Enable(mainWnd, IDC_SELECT_REGION, true);
    Enable(mainWnd, IDC_BROWSE, false);
    Enable(mainWnd, IDC_TRIM, true);
    Enable(mainWnd, IDC_OUTPUT_FORMAT, true);
    Enable(mainWnd, IDC_CLOSE_FILE, true);
    Enable(mainWnd, IDC_SAVE_AND_CLOSE, true);
    // One picture per run: another one comes through a fresh copy.
    DragAcceptFiles(mainWnd, FALSE);
    doc->RenderTexts(gSettings.callScreen, gSettings.cUnderRight, gSettings.callScreenString,
                     gSettings.cUnderRightString, gSettings.fAllScreen, gSettings.fUnderRight, 0);
    SetDlgItemTextW(mainWnd, IDC_OUTPUT_HINT, L"画像の出力ファイル名を変更できます");
    SetDlgItemTextW(mainWnd, IDC_OUTPUT_NAME, shellState.outputName);
    SendDlgItemMessageW(mainWnd, IDC_OUTPUT_FORMAT, CB_SETCURSEL, FormatOfPath(shellState.outputPath) - 1, 0);
    Enable(mainWnd, IDC_OUTPUT_NAME, true);
}

INT_PTR HandleCommand(HWND mainWnd, int controlId) {
    switch (controlId) {
        case IDC_BROWSE:
            if (shellState.doc) {
                MessageBoxW(nullptr, L"すでにファイルを読み込み済みです", kErrorCaption, MB_OK | MB_ICONERROR);
                return 0;
            }
            Browse(mainWnd);
            return 1;
        case IDC_OUTPUT_NAME:
            OutputNameEdited(mainWnd);
            return 1;
        case IDC_APPLY_MOSAIC:
            ApplyEffect(mainWnd, true);
            return 1;
        case IDC_APPLY_BLUR:
            ApplyEffect(mainWnd, false);
            return 1;
        case IDC_REMOVE_EFFECTS:
            if (shellState.doc) {
                shellState.doc->Rebuild(1);
                RenderAgain(*shellState.doc);
            }
            return 1;
        case IDC_WATERMARK_ON:
            gSettings.callScreen = IsChecked(mainWnd, IDC_WATERMARK_ON) ? 1 : 0;
            if (shellState.doc) {
                shellState.doc->SetWatermark(gSettings.callScreen, gSettings.callScreenString, gSettings.fAllScreen);
            }
            return 1;
        case IDC_COPYRIGHT_ON:
            gSettings.cUnderRight = IsChecked(mainWnd, IDC_COPYRIGHT_ON) ? 1 : 0;
            if (shellState.doc) {
                shellState.doc->SetCopyright(gSettings.cUnderRight, gSettings.cUnderRightString, gSettings.fUnderRight);
            }
            return 1;
        case IDC_WATERMARK_TEXT:
            WatermarkEdited(mainWnd);
            return 1;
        case IDC_COPYRIGHT_TEXT:
            CopyrightEdited(mainWnd);
            return 1;
        case IDC_COPYRIGHT_C:
            InsertMarker(mainWnd, IDC_COPYRIGHT_TEXT, L"#c");
            return 1;
        case IDC_COPYRIGHT_R:
            InsertMarker(mainWnd, IDC_COPYRIGHT_TEXT, L"#r");
            return 1;
        case IDC_COPYRIGHT_TM:
            InsertMarker(mainWnd, IDC_COPYRIGHT_TEXT, L"#t");
            return 1;
        case IDC_WATERMARK_C:
            InsertMarker(mainWnd, IDC_WATERMARK_TEXT, L"#c");
            return 1;
        case IDC_WATERMARK_R:
            InsertMarker(mainWnd, IDC_WATERMARK_TEXT, L"#r");
            return 1;
        case IDC_WATERMARK_TM:
            InsertMarker(mainWnd, IDC_WATERMARK_TEXT, L"#t");
            return 1;
        case IDC_SETTINGS:
            OpenSettings(mainWnd);
            return 1;
        case IDC_SIZE_NONE:
        case IDC_SIZE_SMALL:
        case IDC_SIZE_MIDDLE:
        case IDC_SIZE_LARGE:
        case IDC_SIZE_DESKTOP:
            SizeChosen(controlId);
            return 1;
        case IDC_ROTATE_NONE:
        case IDC_ROTATE_RIGHT:
        case IDC_ROTATE_LEFT:
        case IDC_ROTATE_180:
            RotationChosen(controlId);
            return 1;
        case IDC_SELECT_REGION:
            SelectionButton(mainWnd);
            return 1;
        case IDC_TRIM:
            TrimmingButton(mainWnd);
            return 1;
        case IDC_SHOW_HELP:
            ShowHelp(mainWnd);
            return 1;
        case IDOK:
        case IDC_SAVE_AND_EXIT: {
            int code = 0;
            if (PrepareOutputPath(mainWnd, &code)) {
                WriteOutput(code);
                CloseMainWindow(mainWnd);
            }
            return 1;
        }
        case IDC_SAVE_AND_CLOSE: {
            int code = 0;
            if (PrepareOutputPath(mainWnd, &code)) {
                WriteOutput(code);
                shellState.freshCopyOnClose = true;
                CloseMainWindow(mainWnd);
            }
            return 1;
        }
        case IDC_CLOSE_FILE:
            shellState.freshCopyOnClose = true;
            CloseMainWindow(mainWnd);
            return 1;
        case IDCANCEL:
        case IDC_EXIT:
            CloseMainWindow(mainWnd);
            return 1;
        default:
            return 0;
    }
}
