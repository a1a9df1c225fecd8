#include "app/Commands_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "app/OutputName.h"
#include "app/SaveFailure.h"
#include "app/SettingsDialog_win.h"
#include "app/ShellState_win.h"
#include "app/Startup_win.h"
#include "engine/Format.h"
#include "engine/ImageDoc_win.h"
#include "imaging/Image.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "win/ScopedHandle.h"
#include "win/Strings.h"

namespace {

const int kSizeIds[] = {IDC_SIZE_NONE, IDC_SIZE_SMALL, IDC_SIZE_MIDDLE, IDC_SIZE_LARGE, IDC_SIZE_DESKTOP};
const int kRotationIds[] = {IDC_ROTATE_NONE, IDC_ROTATE_RIGHT, IDC_ROTATE_LEFT, IDC_ROTATE_180};

void Enable(HWND mainWnd, int id, bool enable) {
    EnableWindow(GetDlgItem(mainWnd, id), enable ? TRUE : FALSE);
}

bool IsChecked(HWND mainWnd, int id) {
    return IsDlgButtonChecked(mainWnd, id) == BST_CHECKED;
}

void Check(HWND mainWnd, int id, bool checked) {
    CheckDlgButton(mainWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// Sets a caption only when it differs, so an unchanged button does not flicker.
void SetCaption(HWND mainWnd, int id, UINT textId) {
    std::wstring text = ResourceString(textId);
    wchar_t current[128] = {};
    GetDlgItemTextW(mainWnd, id, current, 128);
    if (text != current) {
        SetDlgItemTextW(mainWnd, id, text.c_str());
    }
}

void ShowError(HWND owner, UINT textId) {
    MessageBoxW(owner, ResourceString(textId).c_str(), ResourceString(IDS_ERROR_CAPTION).c_str(), MB_OK | MB_ICONERROR);
}

// Ends the window without asking: the question about unsaved changes, where
// one is due, has been answered.
void CloseMainWindow(HWND mainWnd) {
    SendMessageW(mainWnd, kCloseNowMessage, 0, 0);
}

// A message of the main window naming a file: `formatId` holds one %ls.
std::wstring Formatted(UINT formatId, const wchar_t* first, const wchar_t* second = L"") {
    std::wstring format = ResourceString(formatId);
    std::wstring text(format.size() + std::wcslen(first) + std::wcslen(second) + 64, L'\0');
    int written = std::swprintf(&text[0], text.size(), format.c_str(), first, second);
    text.resize(written > 0 ? size_t(written) : 0);
    return text;
}

// The picture changed as it would be saved.
void MarkModified() {
    if (shellState.doc) {
        shellState.doc->MarkModified();
    }
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
    // A cancelled dialog leaves the window as it was.
    if (shellState.inputFile[0] != L'\0') {
        LoadInputFile(mainWnd, shellState.inputFile);
    }
}

void OutputNameEdited(HWND mainWnd) {
    wchar_t text[kShellTextCapacity];
    ReadEdit(mainWnd, IDC_OUTPUT_NAME, text);
    // An emptied edit keeps the last name: saving as ".png" alone is no name.
    if (text[0] != L'\0' && std::wcscmp(text, shellState.outputName) != 0) {
        std::wcscpy(shellState.outputName, text);
    }
}

void ApplyEffect(bool mosaic) {
    ImageDoc* doc = shellState.doc.get();
    if (!doc || !doc->HasSelection()) {
        return;
    }
    int applied = mosaic ? doc->ApplyMosaic(gSettings.effectSize) : doc->ApplyBlur(gSettings.effectSize);
    if (applied) {
        doc->MarkModified();
    }
}

void WatermarkEdited(HWND mainWnd) {
    wchar_t text[kShellTextCapacity];
    ReadEdit(mainWnd, IDC_WATERMARK_TEXT, text);
    if (UpdateText(gSettings.callScreenString, text)) {
        RedrawWatermark();
        if (gSettings.callScreen) {
            MarkModified();
        }
    }
}

void CopyrightEdited(HWND mainWnd) {
    wchar_t text[kShellTextCapacity];
    ReadEdit(mainWnd, IDC_COPYRIGHT_TEXT, text);
    if (UpdateText(gSettings.cUnderRightString, text)) {
        RedrawCopyright();
        if (gSettings.cUnderRight) {
            MarkModified();
        }
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

// The document's box and rebuild after the size choice `zoom` changed. A
// preset fits the longer side, as at load; a box the picture already has
// (the checked preset chosen again) changes nothing.
void ApplySizeChoice(ImageDoc& doc) {
    bool desktop = SizeChoiceControlId(gSettings.zoom) == IDC_SIZE_DESKTOP;
    int limit = SizeLimitOf(gSettings, gSettings.zoom);
    int limitW = desktop ? DesktopFitWidth() : limit;
    int limitH = desktop ? DesktopFitHeight() : limit;
    if (doc.HasLimits(limitW, limitH)) {
        return;
    }
    doc.SetLimits(limitW, limitH);
    doc.Rebuild(desktop ? 0 : 1);
    RenderAgain(doc);
}

// Only a choice that differs changes the picture: a radio button also
// reports a click when it merely takes the focus.
void SizeChosen(int controlId) {
    const int before = gSettings.zoom;
    for (int choice = 0; choice <= kSizeChoiceDesktop; ++choice) {
        if (SizeChoiceControlId(choice) == controlId) {
            gSettings.zoom = choice;
            break;
        }
    }
    if (shellState.doc) {
        ApplySizeChoice(*shellState.doc);
        if (gSettings.zoom != before) {
            shellState.doc->MarkModified();
        }
    }
}

void RotationChosen(int controlId) {
    const int before = gSettings.rotationChoice;
    for (int choice = 0; choice < 4; ++choice) {
        if (RotationChoiceControlId(choice) == controlId) {
            gSettings.rotationChoice = choice;
            break;
        }
    }
    ImageDoc* doc = shellState.doc.get();
    if (!doc) {
        return;
    }
    doc->SetRotation(RotationDegreesOf(gSettings.rotationChoice));
    doc->Rebuild(1);
    RenderAgain(*doc);
    if (gSettings.rotationChoice != before) {
        doc->MarkModified();
    }
}

// The selection button: releases a closed region, or arms and disarms the
// lasso.
void SelectionButton() {
    ImageDoc* doc = shellState.doc.get();
    if (!doc) {
        return;
    }
    DocMode mode = doc->Mode();
    if (mode != DocMode::TrimArmed) {
        doc->ArmSelection(mode == DocMode::Idle);
    }
}

void TrimmingButton() {
    ImageDoc* doc = shellState.doc.get();
    if (!doc) {
        return;
    }
    if (doc->Mode() == DocMode::TrimArmed) {
        doc->LeaveTrim();  // left trimming mode before dragging
    } else if (doc->Trimmed()) {
        // The button reads "トリミング取り消し": back to the whole picture.
        doc->UndoTrim();
        RenderAgain(*doc);
        doc->MarkModified();
    } else {
        doc->ResetAnchor();
        doc->ArmTrim(gSettings.trimSaveSize != 0);
    }
}

// A trimming drag in the view ended. A cut picture is shown unturned and,
// unless the setting keeps it, at size "none"; a refused one is rebuilt as it
// was.
void TrimEnded() {
    ImageDoc* doc = shellState.doc.get();
    if (!doc) {
        return;
    }
    if (doc->Trimmed()) {
        doc->MarkModified();
        gSettings.rotationChoice = 0;
        doc->SetRotation(RotationDegreesOf(0));
        if (!doc->KeepSizeAfterTrim()) {
            gSettings.zoom = 0;
            int limit = SizeLimitOf(gSettings, 0);
            doc->SetLimits(limit, limit);
        }
    }
    doc->Rebuild(1);
    RenderAgain(*doc);
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
        ShowError(mainWnd, IDS_OUTPUT_PATH_TOO_LONG);
        return false;
    }
    return true;
}

bool FileExists(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

UINT ReasonText(SaveFailure failure) {
    switch (failure) {
        case SaveFailure::AccessDenied:
            return IDS_SAVE_ACCESS_DENIED;
        case SaveFailure::InUse:
            return IDS_SAVE_IN_USE;
        case SaveFailure::DiskFull:
            return IDS_SAVE_DISK_FULL;
        case SaveFailure::InvalidName:
            return IDS_SAVE_INVALID_NAME;
        case SaveFailure::PathTooLong:
            return IDS_SAVE_PATH_TOO_LONG;
        case SaveFailure::FolderMissing:
            return IDS_SAVE_FOLDER_MISSING;
        default:
            return IDS_SAVE_OTHER;
    }
}

// Second half: write the picture, never over the picture it came from, and
// over another existing file only when the user says so. False when nothing
// was written (refused, declined or failed; a failure is told): the window
// then stays with the work as it is.
bool WriteOutput(HWND mainWnd, int code) {
    ImageDoc* doc = shellState.doc.get();
    if (!doc) {
        return true;
    }
    const wchar_t* target = shellState.outputPath;
    const std::wstring caption = ResourceString(IDS_ERROR_CAPTION);
    if (IsSameFile(shellState.inputFile, target)) {
        MessageBoxW(mainWnd, Formatted(IDS_OUTPUT_IS_INPUT, target).c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    if (FileExists(target) &&
        MessageBoxW(mainWnd, Formatted(IDS_CONFIRM_OVERWRITE, target).c_str(),
                    ResourceString(IDS_CONFIRM_CAPTION).c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        return false;
    }
    SaveOptions options;
    options.jpegQuality = gSettings.jpegQuality;
    options.keepShootingData = gSettings.keepShootingData != 0;
    if (doc->Save(target, code, options) == 0) {
        uint32_t error = ImgLastError();
        // Told here; left set, it would make the next load or save fail too.
        ImgClearError();
        wchar_t reason[256];
        std::swprintf(reason, 256, ResourceString(ReasonText(ClassifySaveFailure(error))).c_str(),
                      static_cast<unsigned>(error));
        MessageBoxW(mainWnd, Formatted(IDS_SAVE_FAILED, target, reason).c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    doc->MarkSaved();
    return true;
}

// The whole save step; true when the window may go on to close (saved, or no
// picture to save).
bool SaveStep(HWND mainWnd) {
    int code = 0;
    return PrepareOutputPath(mainWnd, &code) && WriteOutput(mainWnd, code);
}

// Enter in an edit of a name or a text ends the edit instead of pressing the
// default button: the user was typing, not asking to save and exit.
bool EnterInTextEdit(HWND mainWnd) {
    HWND focus = GetFocus();
    for (int id : {IDC_OUTPUT_NAME, IDC_WATERMARK_TEXT, IDC_COPYRIGHT_TEXT}) {
        if (focus && focus == GetDlgItem(mainWnd, id)) {
            SendMessageW(mainWnd, WM_NEXTDLGCTL, 0, FALSE);
            return true;
        }
    }
    return false;
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
    // The table's "|" separators become the terminators the dialog expects.
    std::wstring filter = ResourceString(IDS_OPEN_FILTER);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    std::wstring title = ResourceString(IDS_OPEN_TITLE);
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = static_cast<DWORD>(capacity);
    dialog.lpstrTitle = title.c_str();
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
        ShowError(mainWnd, IDS_INPUT_NAME_TOO_LONG);
        return;
    }

    int degrees = RotationDegreesOf(gSettings.rotationChoice);
    ImageDoc::Opened opened;
    if (gSettings.zoom == kSizeChoiceDesktop) {
        opened = ImageDoc::Open(path, DesktopFitWidth(), DesktopFitHeight(), degrees, 0, mainWnd);
    } else {
        int limit = SizeLimitOf(gSettings, gSettings.zoom);
        opened = ImageDoc::Open(path, limit, limit, degrees, 1, mainWnd);
    }
    if (!opened.doc) {
        if (opened.error == ImgErrSizeOutOfRange && opened.width > 0) {
            wchar_t text[256];
            std::swprintf(text, 256, ResourceString(IDS_PICTURE_TOO_LARGE).c_str(), opened.width, opened.height,
                          static_cast<int>(opened.pixelLimit / 10000));
            MessageBoxW(mainWnd, text, ResourceString(IDS_ERROR_CAPTION).c_str(), MB_OK | MB_ICONERROR);
        } else if (opened.error != 0) {
            ShowError(mainWnd, IDS_LOAD_FAILED);
            ImgClearError();
        }
        return;
    }
    shellState.doc = std::move(opened.doc);

    SetDlgItemTextW(mainWnd, IDC_INPUT_PATH, path);
    std::wcscpy(shellState.outputPath, outputPath);
    std::wcscpy(shellState.outputDir, outputDir);
    std::wcscpy(shellState.outputName, outputName);
    SetDlgItemTextW(mainWnd, IDC_INPUT_STATUS, ResourceString(IDS_FILE_LOADED).c_str());
    // One picture per run: another one comes through a fresh copy.
    DragAcceptFiles(mainWnd, FALSE);
    shellState.doc->RenderTexts(gSettings.callScreen, gSettings.cUnderRight, gSettings.callScreenString,
                                gSettings.cUnderRightString, gSettings.fAllScreen, gSettings.fUnderRight, 0);
    SetDlgItemTextW(mainWnd, IDC_OUTPUT_HINT, ResourceString(IDS_OUTPUT_HINT).c_str());
    SetDlgItemTextW(mainWnd, IDC_OUTPUT_NAME, shellState.outputName);
    SendDlgItemMessageW(mainWnd, IDC_OUTPUT_FORMAT, CB_SETCURSEL, FormatOfPath(shellState.outputPath) - 1, 0);
    UpdateControls(mainWnd);
}

void RedrawWatermark() {
    if (shellState.doc) {
        shellState.doc->SetWatermark(gSettings.callScreen, gSettings.callScreenString, gSettings.fAllScreen);
    }
}

void RedrawCopyright() {
    if (shellState.doc) {
        shellState.doc->SetCopyright(gSettings.cUnderRight, gSettings.cUnderRightString, gSettings.fUnderRight);
    }
}

bool IsSameFile(const wchar_t* first, const wchar_t* second) {
    if (!first || !second || !*first || !*second) {
        return false;
    }
    // The same file under two spellings (case, 8.3 names, relative paths,
    // links) has one volume and one index; opened without any access, so a
    // file another program holds still compares.
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const wchar_t* paths[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        KernelHandle file(CreateFileW(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file || !GetFileInformationByHandle(file.Get(), &info[i])) {
            return false;
        }
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool ConfirmLeave(HWND mainWnd) {
    if (!shellState.doc || !shellState.doc->Modified()) {
        return true;
    }
    int answer = MessageBoxW(mainWnd, ResourceString(IDS_SAVE_CHANGES).c_str(),
                             ResourceString(IDS_CONFIRM_CAPTION).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) {
        return SaveStep(mainWnd);
    }
    return answer == IDNO;
}

void UpdateControls(HWND mainWnd) {
    const ImageDoc* doc = shellState.doc.get();
    const DocMode mode = doc ? doc->Mode() : DocMode::Idle;
    const bool trimArmed = mode == DocMode::TrimArmed;
    const bool selecting = mode == DocMode::SelectArmed || mode == DocMode::LassoDrawing;
    const bool selected = mode == DocMode::Selected;

    Enable(mainWnd, IDC_BROWSE, !doc);
    for (int id : {IDC_OUTPUT_FORMAT, IDC_CLOSE_FILE, IDC_SAVE_AND_CLOSE, IDC_OUTPUT_NAME}) {
        Enable(mainWnd, id, doc != nullptr);
    }

    // Selection: set, armed (the user drags in the view), closed (the button
    // releases it).
    Enable(mainWnd, IDC_SELECT_REGION, doc && !trimArmed);
    Check(mainWnd, IDC_SELECT_REGION, selecting);
    SetCaption(mainWnd, IDC_SELECT_REGION,
               selected    ? IDS_SELECT_CLOSED
               : selecting ? IDS_SELECT_ARMED
                           : IDS_SELECT_IDLE);
    Enable(mainWnd, IDC_APPLY_MOSAIC, selected);
    Enable(mainWnd, IDC_APPLY_BLUR, selected);
    Enable(mainWnd, IDC_REMOVE_EFFECTS, doc && doc->HasEffects());

    // Trimming: start, armed (the user drags in the view), cancel a trim made.
    Enable(mainWnd, IDC_TRIM, doc && !selecting && !selected);
    Check(mainWnd, IDC_TRIM, trimArmed);
    SetCaption(mainWnd, IDC_TRIM, trimArmed ? IDS_TRIM_ARMED : doc && doc->Trimmed() ? IDS_TRIM_UNDO : IDS_TRIM_IDLE);

    for (int choice = 0; choice <= kSizeChoiceDesktop; ++choice) {
        Enable(mainWnd, kSizeIds[choice], !trimArmed);
        Check(mainWnd, kSizeIds[choice], SizeChoiceControlId(gSettings.zoom) == kSizeIds[choice]);
    }
    for (int choice = 0; choice < 4; ++choice) {
        Enable(mainWnd, kRotationIds[choice], !trimArmed);
        Check(mainWnd, kRotationIds[choice], RotationChoiceControlId(gSettings.rotationChoice) == kRotationIds[choice]);
    }
}

void HandleDocEvent(HWND mainWnd, WPARAM event) {
    switch (event) {
        case DocEventCloseRequested:
            if (ConfirmLeave(mainWnd)) {
                CloseMainWindow(mainWnd);
            }
            return;
        case DocEventTrimEnded:
            TrimEnded();
            break;
        default:
            break;
    }
    UpdateControls(mainWnd);
    BringWindowToTop(mainWnd);
}

INT_PTR HandleCommand(HWND mainWnd, int controlId) {
    switch (controlId) {
        case IDC_BROWSE:
            if (shellState.doc) {
                ShowError(nullptr, IDS_ALREADY_LOADED);
                return 0;
            }
            Browse(mainWnd);
            return 1;
        case IDC_OUTPUT_NAME:
            OutputNameEdited(mainWnd);
            return 1;
        case IDC_APPLY_MOSAIC:
            ApplyEffect(true);
            UpdateControls(mainWnd);
            return 1;
        case IDC_APPLY_BLUR:
            ApplyEffect(false);
            UpdateControls(mainWnd);
            return 1;
        case IDC_REMOVE_EFFECTS:
            if (shellState.doc) {
                shellState.doc->RemoveEffects();
                shellState.doc->MarkModified();
                UpdateControls(mainWnd);
            }
            return 1;
        case IDC_WATERMARK_ON: {
            const int before = gSettings.callScreen;
            gSettings.callScreen = IsChecked(mainWnd, IDC_WATERMARK_ON) ? 1 : 0;
            RedrawWatermark();
            if ((before != 0) != (gSettings.callScreen != 0)) {
                MarkModified();
            }
            return 1;
        }
        case IDC_COPYRIGHT_ON: {
            const int before = gSettings.cUnderRight;
            gSettings.cUnderRight = IsChecked(mainWnd, IDC_COPYRIGHT_ON) ? 1 : 0;
            RedrawCopyright();
            if ((before != 0) != (gSettings.cUnderRight != 0)) {
                MarkModified();
            }
            return 1;
        }
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
            UpdateControls(mainWnd);
            return 1;
        case IDC_ROTATE_NONE:
        case IDC_ROTATE_RIGHT:
        case IDC_ROTATE_LEFT:
        case IDC_ROTATE_180:
            RotationChosen(controlId);
            UpdateControls(mainWnd);
            return 1;
        case IDC_SELECT_REGION:
            SelectionButton();
            UpdateControls(mainWnd);
            return 1;
        case IDC_TRIM:
            TrimmingButton();
            UpdateControls(mainWnd);
            return 1;
        case IDC_SHOW_HELP:
            ShowHelp(mainWnd);
            return 1;
        case IDOK:
        case IDC_SAVE_AND_EXIT:
            if (!EnterInTextEdit(mainWnd) && SaveStep(mainWnd)) {
                CloseMainWindow(mainWnd);
            }
            return 1;
        case IDC_SAVE_AND_CLOSE:
            if (SaveStep(mainWnd)) {
                shellState.freshCopyOnClose = true;
                CloseMainWindow(mainWnd);
            }
            return 1;
        case IDC_CLOSE_FILE:
            if (ConfirmLeave(mainWnd)) {
                shellState.freshCopyOnClose = true;
                CloseMainWindow(mainWnd);
            }
            return 1;
        case IDCANCEL:
        case IDC_EXIT:
            if (ConfirmLeave(mainWnd)) {
                CloseMainWindow(mainWnd);
            }
            return 1;
        default:
            return 0;
    }
}
