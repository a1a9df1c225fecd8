#include "engine/SetupInfo_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "engine/AnsiText_win.h"
#include "engine/InstallerState_win.h"
#include "engine/Paths_win.h"
#include "engine/Reporter.h"
#include "engine/SetupFields.h"
#include "resources/resource.h"

SetupInfo g_setupInfo;

namespace {

// Error codes of the item lists.
const int kErrorItemListHead = 2021;
const int kErrorItemListNode = 2022;

// Bytes for the lines of one item section: 99 entries of 255 bytes with
// their names, within what the profile functions of Windows 9x handle.
const size_t kSectionCapacity = 32 * 1024;

// The private-profile functions cut a value to the buffer's size minus one
// byte and yield the default for an absent key. Where the cut falls inside a
// double-byte character, its lone lead byte is dropped too, so that no text
// ends in half a character.
template <size_t N>
void ReadString(const char* section, const char* key, char (&value)[N]) {
    DWORD length = GetPrivateProfileStringA(section, key, "", value, static_cast<DWORD>(N), g_installer.setupFilePath);
    if (length + 1 >= N) {
        DropPartialTrailingCharacter(value);
    }
}

int32_t ReadInt(const char* section, const char* key, int32_t defaultValue) {
    // The function hands back the signed number as its unsigned bit pattern.
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, g_installer.setupFilePath));
}

bool LoadInstallKeys(Reporter& reporter, SetupInfo& info) {
    ReadString("Install", "TextFile", info.textFile);
    ReadString("Install", "Program", info.program);
    ReadString("Install", "InstallDir", info.installDirEntry);
    ReadString("Install", "Message", info.message);
    if (info.installDirEntry[0] != '\0') {
        ReadString("Install", "InstallDirReg", info.installDirReg);
        info.isFileDelAfterMivo = ReadInt("Install", "IsFileDelAfterMivo", 1);
        info.transferMode = info.isFileDelAfterMivo == 1 ? TransferMode::Move : TransferMode::Copy;
        if (!ResolveInstallDir(reporter, info.installDirEntry, info.installDirReg)) {
            return false;
        }
    } else {
        info.transferMode = TransferMode::InPlace;
    }
    ReadString("Group", "Info", info.groupInfo);
    ReadString("Startup", "Info", info.startupInfo);
    ReadString("Desktop", "Info", info.desktopInfo);
    ReadString("Uninstall", "Name", info.uninstallName);
    // An installer that may never install again must not offer "Modify".
    info.modify = info.installProhibited != 0 ? 0 : ReadInt("Uninstall", "Modify", 0);
    ReadString("Uninstall", "IconFile", info.iconFile);
    info.iconIndex = ReadInt("Uninstall", "IconIndex", 0);
    ReadString("Uninstall", "Publisher", info.publisher);
    ReadString("Uninstall", "URLInfoAbout", info.urlInfoAbout);
    ReadString("Uninstall", "DisplayVersion", info.displayVersion);
    ReadString("Uninstall", "HelpLink", info.helpLink);
    ReadString("Uninstall", "URLUpdateInfo", info.urlUpdateInfo);
    return true;
}

void LoadUninstallKeys(SetupInfo& info) {
    info.allDelete = ReadInt("Uninstall", "AllDelete", 0);
    info.rebootDlg = ReadInt("Uninstall", "RebootDlg", 1);
    ReadString("Uninstall", "Program", info.program);
    // Windows 9x has no per-user part to allow.
    info.notAdmin = g_installer.runMode != RunMode::Win9x ? ReadInt("Uninstall", "NotAdmin", 0) : 0;
}

}  // namespace

int LoadSetupInfo(Reporter& reporter, SetupLoadMode mode) {
    SetupInfo& info = g_setupInfo;
    info.installProhibited = ReadInt("Install", "InstallProhibited", 0);
    if (mode == SetupLoadMode::Probe) {
        return info.installProhibited;
    }
    const bool install = mode == SetupLoadMode::Install;
    ReadString(install ? "Install" : "Uninstall", "Title", info.title);
    if (info.title[0] == '\0') {
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return 0;
    }
    info.groupValue = ReadInt("Group", "Value", -1);
    ReadString("Group", "GroupName", info.groupName);
    info.startupValue = ReadInt("Startup", "Value", -1);
    info.desktopValue = ReadInt("Desktop", "Value", -1);
    ReadString("Uninstall", "Key", info.uninstallKey);
    if (install) {
        if (!LoadInstallKeys(reporter, info)) {
            return 0;
        }
    } else {
        LoadUninstallKeys(info);
    }
    // All-users shortcuts need the rights to write into the common folders.
    info.allUsers = g_installer.runMode == RunMode::Admin ? ReadInt("Install", "AllUsers", -1) : -1;
    return 1;
}

ItemList::~ItemList() {
    FreeItemList(*this);
}

ItemList::ItemList(ItemList&& other) noexcept : head_(other.head_) {
    other.head_ = nullptr;
}

ItemList& ItemList::operator=(ItemList&& other) noexcept {
    if (this != &other) {
        FreeItemList(*this);
        head_ = other.head_;
        other.head_ = nullptr;
    }
    return *this;
}

void FreeItemList(ItemList& list) {
    ItemNode* node = list.head_;
    list.head_ = nullptr;
    while (node) {
        ItemNode* next = node->next;
        delete node;
        node = next;
    }
}

ItemList ReadItemList(Reporter& reporter, const char* section) {
    ItemList list(new (std::nothrow) ItemNode());
    if (!list) {
        reporter.Error(MSG_OUT_OF_MEMORY, kErrorItemListHead);
        return ItemList();
    }
    ItemNode* tail = list.Head();
    // The section is read once rather than the file once per entry (which
    // costs more than copying a small file); entries are then found in it as
    // the profile functions find them. A section too large for the buffer is
    // read entry by entry as before.
    std::vector<char> lines(kSectionCapacity, '\0');
    DWORD length =
        GetPrivateProfileSectionA(section, lines.data(), static_cast<DWORD>(lines.size()), g_installer.setupFilePath);
    const bool whole = length + 2 < lines.size();
    for (int n = 1; n <= kMaxItems; ++n) {
        char key[16];
        std::snprintf(key, sizeof(key), "Item%d", n);
        char entry[kItemCapacity] = {};
        if (whole) {
            const char* begin = nullptr;
            const char* end = nullptr;
            if (FindSectionValue(lines.data(), length, key, begin, end)) {
                size_t size = static_cast<size_t>(end - begin);
                size_t kept = size < sizeof(entry) - 1 ? size : sizeof(entry) - 1;
                std::memcpy(entry, begin, kept);
                if (size + 1 >= sizeof(entry)) {
                    DropPartialTrailingCharacter(entry);
                }
            }
        } else {
            ReadString(section, key, entry);
        }
        if (entry[0] == '\0') {
            break;
        }
        ItemNode* node = new (std::nothrow) ItemNode();
        if (!node) {
            reporter.Error(MSG_OUT_OF_MEMORY, kErrorItemListNode);
            return ItemList();  // `list` frees what was read so far
        }
        std::memcpy(node->text, entry, sizeof(entry));
        tail->next = node;
        tail = node;
    }
    return list;
}
