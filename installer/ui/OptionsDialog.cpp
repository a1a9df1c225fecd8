#include "ui/OptionsDialog.h"

#include <cstring>

#include "engine/AnsiText_win.h"
#include "engine/InstallRecord_win.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/Paths_win.h"
#include "resources/resource.h"
#include "ui/Messages.h"
#include "ui/PopupHelp.h"

static_assert(kBrowsePathCapacity == sizeof(InstallOptions::installDir),
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

// A folder that holds files no earlier install of this product put there is
// someone's: the uninstall will leave them, but the user should know where
// the product goes. True to install there.
bool ConfirmUsedInstallDir(HWND dialog, const char* dir) {
    if (!InstallDirHoldsOthersFiles(dir)) {
        return true;
    }
    char format[kMessageCapacity] = {};
    LoadMessage(MSG_CONFIRM_USED_INSTALL_DIR, format, sizeof format);
    char text[kMessageCapacity];
    FormatErrorText(text, format, dir, 0);
    return ShowMessageText(dialog, MessageKind::Question, text) == IDYES;
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

// One open options dialog: its caller's data, and "AllUsers" as the user's
// clicks leave it. Lives in DWLP_USER from WM_INITDIALOG on.
class OptionsDialog {
public:
    explicit OptionsDialog(OptionsDialogData& data) : data_(data), allUsers_(data.options.allUsers) {}

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Init();
    void UpdateCaption();
    bool Accept();
    void ToggleAllUsers();
    void BrowseInstallDir();
    INT_PTR Command(WPARAM wParam);

    HWND dialog_ = nullptr;
    OptionsDialogData& data_;
    int32_t allUsers_;
    bool updates_ = false;  // the directory shown holds this product already
};

void OptionsDialog::Init() {
    SetProgramIcons(dialog_);
    const InstallOptions& offered = data_.options;
    SetUpOptionBox(dialog_, IDC_OPTION_GROUP, offered.group);
    SetUpOptionBox(dialog_, IDC_OPTION_STARTUP, offered.startup);
    SetUpOptionBox(dialog_, IDC_OPTION_DESKTOP, offered.desktop);
    if (allUsers_ < 0) {
        EnableWindow(GetDlgItem(dialog_, IDC_OPTION_ALL_USERS), FALSE);
    } else {
        CheckDlgButton(dialog_, IDC_OPTION_ALL_USERS, AllUsersState(allUsers_));
    }

    HWND dirEdit = GetDlgItem(dialog_, IDC_INSTALL_DIR);
    if (dirEdit) {
        // The install directory holds at most 255 bytes; typing stops there
        // rather than the text being cut into another directory's name.
        SendMessageA(dirEdit, EM_LIMITTEXT, sizeof(offered.installDir) - 1, 0);
        SetWindowTextA(dirEdit, offered.installDir);
    }

    UpdateCaption();
}

// The title, " (2/2)" after the document, and, where the directory holds
// this product already, that the install updates it.
void OptionsDialog::UpdateCaption() {
    char caption[kNameCapacity + 8];
    CopyAnsiBounded(caption, sizeof(caption), data_.title);
    if (data_.afterDocument) {
        AppendAnsiBounded(caption, sizeof(caption), " (2/2)");
    }
    char dir[sizeof(data_.options.installDir)] = {};
    if (GetDlgItem(dialog_, IDC_INSTALL_DIR)) {
        GetDlgItemTextA(dialog_, IDC_INSTALL_DIR, dir, sizeof(dir));
    } else {
        CopyAnsiBounded(dir, sizeof(dir), data_.options.installDir);
    }
    updates_ = data_.installedIn != nullptr && dir[0] != '\0' && data_.installedIn(dir);
    if (updates_) {
        char format[kMessageCapacity] = {};
        LoadMessage(MSG_UPDATE_CAPTION, format, sizeof(format));
        char text[kMessageCapacity];
        FormatErrorText(text, format, caption, 0);
        SetWindowTextA(dialog_, text);
    } else {
        SetWindowTextA(dialog_, caption);
    }
}

// OK: takes the boxes and the directory. False, with the focus in the
// directory field and the caller's options untouched, when the directory is
// not acceptable.
bool OptionsDialog::Accept() {
    InstallOptions chosen = data_.options;
    chosen.group = OptionValue(dialog_, IDC_OPTION_GROUP);
    chosen.startup = OptionValue(dialog_, IDC_OPTION_STARTUP);
    chosen.desktop = OptionValue(dialog_, IDC_OPTION_DESKTOP);
    chosen.allUsers = allUsers_;

    HWND dirEdit = GetDlgItem(dialog_, IDC_INSTALL_DIR);
    if (dirEdit) {
        // Read more than fits, so that a directory too long for the install
        // directory is refused instead of silently cut short.
        char typed[sizeof(chosen.installDir) * 2] = {};
        GetWindowTextA(dirEdit, typed, sizeof(typed));
        if (std::strlen(typed) >= sizeof(chosen.installDir)) {
            ShowError(dialog_, MSG_SPECIFY_INSTALL_DIR, 0);
            ReturnToDirectory(dirEdit);
            return false;
        }
        CopyAnsiBounded(chosen.installDir, sizeof(chosen.installDir), typed);
        // An update goes where the product is, among the user's files there,
        // without asking: the caption said so.
        if (!ValidateInstallDir(dialog_, chosen.installDir) ||
            (!updates_ && !ConfirmUsedInstallDir(dialog_, chosen.installDir))) {
            ReturnToDirectory(dirEdit);
            return false;
        }
    }
    data_.options = chosen;
    return true;
}

// A click on the All Users box: checked and unchecked swap; the
// indeterminate state stays.
void OptionsDialog::ToggleAllUsers() {
    if (allUsers_ == kChecked) {
        allUsers_ = kUnchecked;
    } else if (allUsers_ == kUnchecked) {
        allUsers_ = kChecked;
    } else {
        return;
    }
    CheckDlgButton(dialog_, IDC_OPTION_ALL_USERS, AllUsersState(allUsers_));
}

void OptionsDialog::BrowseInstallDir() {
    char dir[kBrowsePathCapacity] = {};
    GetDlgItemTextA(dialog_, IDC_INSTALL_DIR, dir, sizeof(dir));
    if (ChooseLocalFolder(dialog_, dir, BrowseForFolder)) {
        // Into the product's own folder in the chosen one, named as the
        // offered directory's last component, never loose in it.
        AppendProductFolder(dir, sizeof(dir), data_.options.installDir, NextAnsiChar);
        SetDlgItemTextA(dialog_, IDC_INSTALL_DIR, dir);
    }
}

INT_PTR OptionsDialog::Command(WPARAM wParam) {
    switch (LOWORD(wParam)) {
        case IDOK:
            if (Accept()) {
                EndDialog(dialog_, IDOK);
            }
            return TRUE;
        case IDCANCEL:  // the Cancel button, Esc and the close box
            CancelAfterConfirmation(dialog_);
            return TRUE;
        case IDC_OPTION_ALL_USERS:
            if (HIWORD(wParam) == BN_CLICKED) {
                ToggleAllUsers();
            }
            return TRUE;
        case IDC_BROWSE_INSTALL_DIR:
            if (HIWORD(wParam) == BN_CLICKED) {
                BrowseInstallDir();
            }
            return TRUE;
        case IDC_INSTALL_DIR:
            if (HIWORD(wParam) == EN_CHANGE) {
                UpdateCaption();
            }
            return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK OptionsDialog::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<OptionsDialog*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
        self->Init();
        return TRUE;
    }
    auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (self == nullptr) {
        return FALSE;  // the messages before WM_INITDIALOG
    }
    switch (message) {
        case WM_COMMAND:
            return self->Command(wParam);
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

bool ShowOptionsDialog(HWND owner, OptionsDialogData& data) {
    OptionsDialog dialog(data);
    int templateId = data.asksInstallDir ? IDD_OPTIONS_DIR : IDD_OPTIONS;
    INT_PTR result = DialogBoxParamA(g_installer.instance, MAKEINTRESOURCEA(templateId), owner, OptionsDialog::Proc,
                                     reinterpret_cast<LPARAM>(&dialog));
    return result == IDOK;
}
