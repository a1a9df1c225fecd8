#include "ui/OptionsDialog.h"

#include <cstring>

#include "engine/AnsiText.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState.h"
#include "engine/Paths.h"
#include "engine/SetupInfo.h"
#include "resources/resource.h"
#include "ui/Messages.h"
#include "ui/PopupHelp.h"

static_assert(kBrowsePathCapacity == sizeof(InstallerState::installDir),
              "the browser fills the install directory's buffer");

namespace {

// Setup-file values of the option boxes.
const int kOptionAbsent = -1;  // "Value": the box is not offered
const int kUnchecked = 0;
const int kChecked = 1;

// A shortcut option from its "Value": -1 not offered, 0 unchecked, anything
// else checked.
void SetUpOptionBox(HWND dialog, int id, int value) {
    if (value == kOptionAbsent) {
        EnableWindow(GetDlgItem(dialog, id), FALSE);
        return;
    }
    CheckDlgButton(dialog, id, value == kUnchecked ? BST_UNCHECKED : BST_CHECKED);
}

// "AllUsers": below 0 not offered, 0 unchecked, 1 checked, 2 or more an
// indeterminate state the user cannot change.
UINT AllUsersState(int value) {
    if (value == kUnchecked) {
        return BST_UNCHECKED;
    }
    return value == kChecked ? BST_CHECKED : BST_INDETERMINATE;
}

void InitOptionsDialog(HWND dialog) {
    SetProgramIcons(dialog);
    SetUpOptionBox(dialog, IDC_OPTION_GROUP, g_setupInfo.groupValue);
    SetUpOptionBox(dialog, IDC_OPTION_STARTUP, g_setupInfo.startupValue);
    SetUpOptionBox(dialog, IDC_OPTION_DESKTOP, g_setupInfo.desktopValue);
    if (g_setupInfo.allUsers < 0) {
        EnableWindow(GetDlgItem(dialog, IDC_OPTION_ALL_USERS), FALSE);
    } else {
        CheckDlgButton(dialog, IDC_OPTION_ALL_USERS, AllUsersState(g_setupInfo.allUsers));
    }

    HWND dirEdit = GetDlgItem(dialog, IDC_INSTALL_DIR);
    if (dirEdit) {
        // The install directory holds at most 255 bytes; typing stops there
        // rather than the text being cut into another directory's name.
        SendMessageA(dirEdit, EM_LIMITTEXT, sizeof(g_installer.installDir) - 1, 0);
        SetWindowTextA(dirEdit, g_installer.installDir);
    }

    char caption[sizeof(g_setupInfo.title) + 8];
    CopyAnsiBounded(caption, sizeof(caption), g_setupInfo.title);
    if (g_setupInfo.textFile[0] != '\0') {
        AppendAnsiBounded(caption, sizeof(caption), " (2/2)");
    }
    SetWindowTextA(dialog, caption);
}

// A disabled box counts as unchecked, whatever it shows.
int OptionValue(HWND dialog, int id) {
    HWND box = GetDlgItem(dialog, id);
    return IsWindowEnabled(box) && IsDlgButtonChecked(dialog, id) == BST_CHECKED ? kChecked : kUnchecked;
}

// Puts the focus back into the directory field with its text selected, for
// the user to correct it.
void ReturnToDirectory(HWND edit) {
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

// OK: takes the boxes and the directory. False, with the focus in the
// directory field, when the directory is not acceptable.
bool AcceptOptions(HWND dialog) {
    g_setupInfo.groupValue = OptionValue(dialog, IDC_OPTION_GROUP);
    g_setupInfo.startupValue = OptionValue(dialog, IDC_OPTION_STARTUP);
    g_setupInfo.desktopValue = OptionValue(dialog, IDC_OPTION_DESKTOP);

    HWND dirEdit = GetDlgItem(dialog, IDC_INSTALL_DIR);
    if (!dirEdit) {
        return true;
    }
    // Read more than fits, so that a directory too long for the install
    // directory is refused instead of silently cut short.
    char typed[sizeof(g_installer.installDir) * 2] = {};
    GetWindowTextA(dirEdit, typed, sizeof(typed));
    if (std::strlen(typed) >= sizeof(g_installer.installDir)) {
        ShowError(dialog, MSG_SPECIFY_INSTALL_DIR, 0);
        ReturnToDirectory(dirEdit);
        return false;
    }
    CopyAnsiBounded(g_installer.installDir, sizeof(g_installer.installDir), typed);
    if (!ValidateInstallDir(dialog, g_installer.installDir)) {
        ReturnToDirectory(dirEdit);
        return false;
    }
    return true;
}

// A click on the All Users box: checked and unchecked swap; the
// indeterminate state stays.
void ToggleAllUsers(HWND dialog) {
    if (g_setupInfo.allUsers == kChecked) {
        g_setupInfo.allUsers = kUnchecked;
    } else if (g_setupInfo.allUsers == kUnchecked) {
        g_setupInfo.allUsers = kChecked;
    } else {
        return;
    }
    CheckDlgButton(dialog, IDC_OPTION_ALL_USERS, AllUsersState(g_setupInfo.allUsers));
}

void BrowseInstallDir(HWND dialog) {
    GetDlgItemTextA(dialog, IDC_INSTALL_DIR, g_installer.installDir, sizeof(g_installer.installDir));
    if (ChooseLocalFolder(dialog, g_installer.installDir, BrowseForFolder)) {
        // Into the product's own folder in the chosen one, never loose in it.
        AppendProductFolder(g_installer.installDir, sizeof(g_installer.installDir), g_setupInfo.installDirEntry,
                            NextAnsiChar);
        SetDlgItemTextA(dialog, IDC_INSTALL_DIR, g_installer.installDir);
    }
}

// Help for a control, asked for by F1 or the caption's "?" button.
void ShowControlHelp(const HELPINFO& help) {
    if (help.iContextType != HELPINFO_WINDOW) {
        return;
    }
    HWND control = static_cast<HWND>(help.hItemHandle);
    if (IsWindow(control) && IsWindowEnabled(control)) {
        ShowPopupHelp(control, help.iCtrlId);
    }
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitOptionsDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    if (AcceptOptions(dialog)) {
                        EndDialog(dialog, IDOK);
                    }
                    return TRUE;
                case IDCANCEL:  // the Cancel button, Esc and the close box
                    CancelAfterConfirmation(dialog);
                    return TRUE;
                case IDC_OPTION_ALL_USERS:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        ToggleAllUsers(dialog);
                    }
                    return TRUE;
                case IDC_BROWSE_INSTALL_DIR:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        BrowseInstallDir(dialog);
                    }
                    return TRUE;
            }
            break;
        case WM_HELP:
            if (lParam) {
                ShowControlHelp(*reinterpret_cast<const HELPINFO*>(lParam));
            }
            return TRUE;
    }
    return FALSE;
}

}  // namespace

bool ChooseLocalFolder(HWND owner, char (&dir)[kBrowsePathCapacity], FolderBrowser browse) {
    char title[kMessageCapacity] = {};
    LoadMessage(MSG_SPECIFY_INSTALL_DIR, title, sizeof(title));
    char chosen[kBrowsePathCapacity];
    std::memcpy(chosen, dir, sizeof(chosen));
    while (browse(owner, chosen, title)) {
        bool network = chosen[0] == '\\' && chosen[1] == '\\';
        if (!network) {
            std::memcpy(dir, chosen, sizeof(chosen));
            return true;
        }
        // Browse again, starting from the refused folder.
        ShowError(owner, MSG_NETWORK_FOLDER, 0);
    }
    return false;
}

bool ShowOptionsDialog(HWND owner) {
    int templateId = g_setupInfo.transferMode == TransferMode::InPlace ? IDD_OPTIONS : IDD_OPTIONS_DIR;
    INT_PTR result = DialogBoxParamA(g_installer.instance, MAKEINTRESOURCEA(templateId), owner, OptionsDialogProc, 0);
    return result == IDOK;
}
