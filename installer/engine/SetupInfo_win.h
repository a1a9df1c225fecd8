// The setup information file: the record of its keys, how it is loaded in
// each mode, and its "Item1".."Item99" lists.
#pragma once

#include <cstddef>
#include <cstdint>

class Reporter;

// Where the files come from and whether the sources stay.
enum class TransferMode : int {
    InPlace = 0,  // "InstallDir" empty: nothing is copied
    Copy = 1,     // "InstallDir" set, "IsFileDelAfterMivo" not 1
    Move = 2,     // "InstallDir" set, "IsFileDelAfterMivo" 1 (the default)
};

// Which keys `LoadSetupInfo` reads. The numbers are the historic mode values.
enum class SetupLoadMode : int {
    Uninstall = 0,
    Install = 1,
    Probe = 2,  // only "InstallProhibited"
};

// Every value of the setup information file. Strings are cut to their
// capacity; members of the mode not loaded keep their initial values (empty
// strings, zeros). Comments name the section and key.
struct SetupInfo {
    int32_t installProhibited = 0;  // Install InstallProhibited (0 normal, 1 uninstall only, 2 once)

    // Install Title in install mode, Uninstall Title in the uninstall modes:
    // caption of every non-error box and dialog.
    char title[128] = {};

    int32_t groupValue = 0;       // Group Value (-1 absent, 0 offered unchecked, 1 checked)
    char groupName[128] = {};     // Group GroupName (sub-folder of the Programs menu)
    int32_t startupValue = 0;     // Startup Value
    int32_t desktopValue = 0;     // Desktop Value
    char uninstallKey[128] = {};  // Uninstall Key (subkey of ...\CurrentVersion\Uninstall)

    // Install mode.
    char textFile[256] = {};         // Install TextFile (document shown first)
    char installDirEntry[128] = {};  // Install InstallDir as written in the file
    char installDirReg[128] = {};    // Install InstallDirReg (root\subkey)
    int32_t isFileDelAfterMivo = 0;  // Install IsFileDelAfterMivo (default 1)
    char message[256] = {};          // Install Message (completion text; empty: message 10)
    char groupInfo[256] = {};        // Group Info (pop-up help)
    char startupInfo[256] = {};      // Startup Info
    char desktopInfo[256] = {};      // Desktop Info
    char uninstallName[128] = {};    // Uninstall Name -> DisplayName
    int32_t modify = 0;              // Uninstall Modify (0 whenever installProhibited != 0)
    char iconFile[256] = {};         // Uninstall IconFile -> DisplayIcon
    int32_t iconIndex = 0;           // Uninstall IconIndex: the icon of IconFile, as in DisplayIcon
    char publisher[64] = {};         // Uninstall Publisher
    char urlInfoAbout[256] = {};     // Uninstall URLInfoAbout
    char displayVersion[32] = {};    // Uninstall DisplayVersion
    char helpLink[256] = {};         // Uninstall HelpLink (a URL, or a path entry of an installed file)
    char urlUpdateInfo[256] = {};    // Uninstall URLUpdateInfo

    // Install Program in install mode, Uninstall Program in uninstall mode:
    // "program[,parameters]".
    char program[256] = {};

    // Uninstall mode.
    int32_t allDelete = 0;  // Uninstall AllDelete (0 keep, 1 files, 2 files and sub-directories)
    int32_t rebootDlg = 0;  // Uninstall RebootDlg (default 1)
    int32_t notAdmin = 0;   // Uninstall NotAdmin (NT family only)

    // Both modes; -1 unless the run mode is Admin.
    int32_t allUsers = 0;  // Install AllUsers

    // Uninstall Dir: written before the final uninstall and read by the "/k"
    // run itself, not by LoadSetupInfo.
    char uninstallDir[256] = {};

    TransferMode transferMode = TransferMode::InPlace;
};

// The one record of this process.
extern SetupInfo g_setupInfo;

// Reads the setup information file (g_installer.setupFilePath) into
// g_setupInfo. Probe: returns "InstallProhibited" and reports nothing.
// Install and Uninstall: returns 1, or 0 after reporting the error. Needs the
// run mode to be set.
int LoadSetupInfo(Reporter& reporter, SetupLoadMode mode);

// Capacity of one list entry, including the terminating zero.
constexpr size_t kItemCapacity = 256;
// "Item1".."Item99": a list never holds more.
constexpr int kMaxItems = 99;

struct ItemNode {
    char text[kItemCapacity];
    ItemNode* next;
};

// The entries of one section as a linked list behind an empty head node.
// Owns its nodes; an ItemList without head is "none" (a failed read). An empty
// section gives a head without successor, which is not a failure.
class ItemList {
public:
    ItemList() = default;
    explicit ItemList(ItemNode* head) : head_(head) {}
    ~ItemList();
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    ItemList(ItemList&& other) noexcept;
    ItemList& operator=(ItemList&& other) noexcept;

    explicit operator bool() const { return head_ != nullptr; }
    ItemNode* Head() const { return head_; }
    // The first entry, or null for an empty list (or none).
    ItemNode* First() const { return head_ ? head_->next : nullptr; }

private:
    friend void FreeItemList(ItemList& list);
    ItemNode* head_ = nullptr;
};

// Reads "Item1".."Item99" of `section`, stopping at the first absent or empty
// one. Returns none after reporting error 6.
ItemList ReadItemList(Reporter& reporter, const char* section);

// Releases every node; the list is none afterwards.
void FreeItemList(ItemList& list);
