#include "engine/InstallFlow_win.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/CopyTransaction_win.h"
#include "engine/DeletionRules.h"
#include "engine/FileInUse_win.h"
#include "engine/InstallRecord.h"
#include "engine/InstallRecord_win.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
#include "engine/Reporter.h"
#include "engine/SetupFields.h"
#include "engine/SetupInfo_win.h"
#include "engine/ShellStart_win.h"
#include "engine/Shortcut_win.h"
#include "engine/UninstallEntry_win.h"
#include "resources/resource.h"
#include "win/ScopedHandle.h"

namespace {

const int kErrorGroupFolder = 2111;
const int kErrorShortcut = 2112;
const int kErrorStartupFolder = 2113;
const int kErrorDesktopFolder = 2115;
const int kErrorInstallDirKey = 2117;

const char kStateFileName[] = "$$Mivo.ini";

bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access rights are needed to read the identity, and a running
    // program or an open file must not stand in the way.
    KernelHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
}

// True when both paths name the same file, however they are spelt. Installing
// into the distribution directory makes source and destination one file: it
// must be neither copied onto itself nor deleted as a "source".
bool SameFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// Where the elevated install names the setup program for the "/d" run: a key
// only an administrator may write, so that no other process can turn that
// run against a file of its choice.
const char kCleanUpKey[] = "SOFTWARE\\Mivo";
const char kCleanUpFileValue[] = "CleanUpFile";
const char kCleanUpTokenValue[] = "CleanUpToken";

// This run's token, handed to the one "/d" run it starts; empty when nothing
// was recorded.
char g_cleanUpToken[32] = {};

// Names the running setup program for the "/d" run, under a fresh token.
void RecordCleanUp() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::snprintf(g_cleanUpToken, sizeof g_cleanUpToken, "%08lx%08lx",
                  static_cast<unsigned long>(now.dwHighDateTime ^ GetCurrentProcessId()),
                  static_cast<unsigned long>(now.dwLowDateTime ^ GetTickCount()));
    RegKey key;
    if (!OpenRegKey(HKEY_LOCAL_MACHINE, kCleanUpKey, true, key) ||
        !WriteRegString(key.Get(), kCleanUpFileValue, g_installer.ownPath) ||
        !WriteRegString(key.Get(), kCleanUpTokenValue, g_cleanUpToken)) {
        g_cleanUpToken[0] = '\0';
    }
}

// The "RegKey" class keys that are there before the install: another
// program's or the system's, which the uninstall must leave. After an earlier
// install of the product, its own keys are there too; what that install found
// is what counts.
void RecordExistingKeys(Reporter& reporter, InstallRecord& record, const InstallRecord& earlier) {
    if (earlier.present) {
        for (const std::string& key : earlier.keysExisting) {
            RecordExistingKey(record, key.c_str(), NextAnsiChar);
        }
        return;
    }
    ItemList list = ReadItemList(reporter, "RegKey");
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        RegistryItem item;
        RegistryItemStatus status = ParseRegistryItem(node->text, NextAnsiChar, item);
        // Only class keys: a product's own settings key may well be there
        // from an earlier version, and is still the product's.
        if ((status != RegistryItemStatus::Ok && status != RegistryItemStatus::Protected) ||
            item.root != RegistryRoot::ClassesRoot) {
            continue;
        }
        HKEY root = item.root == RegistryRoot::CurrentUser    ? HKEY_CURRENT_USER
                    : item.root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE
                                                              : HKEY_CLASSES_ROOT;
        RegKey key;
        if (RegOpenKeyExA(root, item.keyPath, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) {
            RecordExistingKey(record, node->text, NextAnsiChar);
        }
    }
}

// What one query of a path tells: whether it is there, when it was last
// written, its size and attributes.
struct FileFacts {
    bool exists = false;
    FILETIME lastWrite = {};
    uint64_t size = 0;
    DWORD attributes = 0;
};

FileFacts QueryFile(const char* path) {
    FileFacts facts;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        facts.exists = true;
        facts.lastWrite = data.ftLastWriteTime;
        facts.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        facts.attributes = data.dwFileAttributes;
    }
    return facts;
}

// One "Files" entry as the copy phase finds it before anything is copied.
struct PlannedFile {
    std::string source;
    std::string destination;
    bool copy = false;
    bool inPlace = false;  // source and destination are one file
    bool destinationExists = false;
    bool destinationIsDirectory = false;  // never replaced: the copy fails
    bool sourceReadOnly = false;
    uint64_t bytes = 0;                 // of the file as it will lie installed
    const char* keptBecause = nullptr;  // why an entry is not copied
};

// Resolves one entry and decides it, with one query of each path, or of the
// source alone where the destination lies in an install directory that does
// not exist yet (`newDir`). False when the entry cannot be resolved.
bool PlanFile(const char* entryText, bool newDir, PlannedFile& planned) {
    FileEntry entry;
    ParseFileEntry(entryText, entry);
    char source[kPathCapacity];
    char destination[kPathCapacity];
    if (!SourcePathFor(source, g_installer.ownDir, entry.path) || !ResolvePath(destination, entry.path)) {
        return false;
    }
    planned.source = source;
    planned.destination = destination;
    const FileFacts from = QueryFile(source);
    const FileFacts to =
        newDir && LiesInside(destination, g_installer.installDir, NextAnsiChar) ? FileFacts() : QueryFile(destination);
    planned.destinationExists = to.exists;
    planned.destinationIsDirectory = to.exists && (to.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    planned.sourceReadOnly = (from.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Installed into the distribution directory, the product's file is
    // already where the install puts it: neither copied onto itself nor
    // deleted as a "source".
    if (from.exists && to.exists && SameFile(source, destination)) {
        planned.inPlace = true;
        planned.bytes = to.size;
        planned.keptBecause = "already in place";
        return true;
    }
    int order = (from.exists && to.exists) ? CompareFileTime(&from.lastWrite, &to.lastWrite) : 0;
    planned.copy = ShouldCopyFile(entry.mode, from.exists, to.exists, order);
    planned.bytes = planned.copy ? from.size : to.size;
    if (!planned.copy) {
        planned.keptBecause = entry.mode == 0 ? "kept: the file exists" : "kept: the installed file is as new or newer";
    }
    return true;
}

enum class CopyOutcome { Done, Failed, Cancelled };

// What the copy phase did: the record of it, the sources a moving install
// deletes once every copy has succeeded, and how to undo it; with how far
// it has come, and what stopped it.
struct CopyRun {
    explicit CopyRun(const char* installDir) : transaction(installDir) {}

    InstallRecord record;
    // The files for the record, in order, added to it once copying ends.
    std::vector<std::string> recordedFiles;
    std::vector<std::string> sources;
    CopyTransaction transaction;
    Reporter* reporter = nullptr;
    uint32_t filesDone = 0;
    uint64_t bytesDone = 0;
    bool cancelled = false;
    int failureMessage = 0;
    std::string failureArgument;
};

void RecordDirectories(CopyRun& run, const std::vector<std::string>& created) {
    run.transaction.DirectoriesCreated(created);
    for (const std::string& dir : created) {
        RecordDirectory(run.record, dir.c_str(), NextAnsiChar);
    }
}

// CopyFileEx's report on a long copy: the window gets its turn, and the
// user's Cancel stops the copy there.
DWORD CALLBACK ReportCopiedBytes(LARGE_INTEGER,
                                 LARGE_INTEGER transferred,
                                 LARGE_INTEGER,
                                 LARGE_INTEGER,
                                 DWORD,
                                 DWORD,
                                 HANDLE,
                                 HANDLE,
                                 LPVOID context) {
    CopyRun& run = *static_cast<CopyRun*>(context);
    if (!run.reporter->CopyProgress(run.filesDone, run.bytesDone + static_cast<uint64_t>(transferred.QuadPart))) {
        run.cancelled = true;
        return PROGRESS_CANCEL;
    }
    return PROGRESS_CONTINUE;
}

// Asks what to do about `file`, held by another program. True to try again.
bool AskAboutFileInUse(Reporter& reporter, const char* file) {
    char holder[kNameCapacity] = {};
    FindHoldingProgram(file, holder, sizeof holder);
    return reporter.AskRetryInUse(file, holder[0] != '\0' ? holder : nullptr);
}

CopyOutcome Failure(CopyRun& run, const char* source) {
    run.failureMessage = MSG_COPY_FAILED;
    run.failureArgument = source;
    return CopyOutcome::Failed;
}

// Copies one planned file, the old one put aside first. Nothing is
// reported here but the question about a file in use: a failure is told
// once the copying is undone.
CopyOutcome CopyPlannedFile(Reporter& reporter, const PlannedFile& file, CopyRun& run) {
    const char* source = file.source.c_str();
    const char* destination = file.destination.c_str();
    reporter.Copying(source, destination);
    // A directory where the file goes is someone's: it is not put aside.
    if (file.destinationIsDirectory) {
        return Failure(run, source);
    }
    if (file.destinationExists) {
        for (;;) {
            KeepResult kept = run.transaction.KeepAside(destination);
            if (kept == KeepResult::Kept) {
                break;
            }
            if (kept == KeepResult::Failed) {
                return Failure(run, source);
            }
            if (!AskAboutFileInUse(reporter, destination)) {
                return CopyOutcome::Cancelled;
            }
        }
    }
    for (;;) {
        std::vector<std::string> created;
        bool copied = CopyFileCreatingDirs(source, destination, &created, ReportCopiedBytes, &run);
        DWORD error = GetLastError();
        RecordDirectories(run, created);
        // Whatever lies at the destination now is this run's, even a part
        // of a failed copy; it goes before the directories made for it.
        run.transaction.FileWritten(destination);
        if (copied) {
            break;
        }
        if (run.cancelled || error == ERROR_REQUEST_ABORTED) {
            return CopyOutcome::Cancelled;
        }
        // A source that another program holds open without sharing it.
        if (!IsInUseError(error) || !AskAboutFileInUse(reporter, source)) {
            return IsInUseError(error) ? CopyOutcome::Cancelled : Failure(run, source);
        }
    }
    run.recordedFiles.push_back(destination);
    // A copy keeps the source's read-only bit; an installed file must stay
    // replaceable by the next install and removable by the uninstall.
    if (file.sourceReadOnly) {
        SetFileAttributesA(destination, FILE_ATTRIBUTE_ARCHIVE);
    }
    return CopyOutcome::Done;
}

CopyOutcome InstallPlannedFile(Reporter& reporter, const PlannedFile& file, CopyRun& run) {
    if (file.copy) {
        CopyOutcome outcome = CopyPlannedFile(reporter, file, run);
        if (outcome != CopyOutcome::Done) {
            return outcome;
        }
        ++run.filesDone;
        run.bytesDone += file.bytes;
    } else {
        reporter.Record(Step::FileSkipped, file.destination.c_str(), file.keptBecause);
        if (file.inPlace) {
            run.recordedFiles.push_back(file.destination);
        }
    }
    g_installer.installedBytes += file.bytes;
    if (g_setupInfo.transferMode == TransferMode::Move && !file.inPlace) {
        run.sources.push_back(file.source);
    }
    return CopyOutcome::Done;
}

// Undoes the copying and tells the user why it stopped and that nothing was
// changed, or which old file could not be put back.
void UndoCopying(Reporter& reporter, CopyRun& run, CopyOutcome outcome) {
    std::string unrestored;
    std::string keptAt;
    bool whole = run.transaction.RollBack(&unrestored, &keptAt);
    g_installer.installedBytes = 0;
    Notice notice{Severity::Information, MSG_INSTALL_CANCELLED};
    if (outcome == CopyOutcome::Failed) {
        notice = {Severity::Error, run.failureMessage};
        notice.argument = run.failureArgument.c_str();
    }
    if (whole) {
        notice.detailMessageId = MSG_NOTHING_CHANGED;
    }
    reporter.Notify(notice);
    if (!whole) {
        Notice left{Severity::Warning, MSG_NOT_RESTORED};
        left.argument = unrestored.c_str();
        left.detail = keptAt.c_str();
        reporter.Notify(left);
    }
}

// Copies everything the "Files" list names as one step: every entry is
// resolved and decided first, so that the progress knows its end; a failure
// or the user's Cancel undoes all of it. A moving install deletes its sources
// only once every copy has succeeded: after a failure the distribution is
// whole and the install can run again.
CopyOutcome CopyFiles(Reporter& reporter, CopyRun& run) {
    run.reporter = &reporter;
    run.record.present = true;
    run.record.dirHeldFiles = DirectoryHoldsAnything(g_installer.installDir);
    // An earlier install of this product here: its files are the product's
    // too, and the directory's state before it is the one that counts.
    const InstallRecord earlier = EarlierInstallRecord(g_installer.installDir);

    std::vector<PlannedFile> plan;
    bool resolved = true;
    // Nothing can lie in a directory that is not there; asking for every
    // file in it would cost as much as copying a small one.
    const bool newDir = !FileExists(g_installer.installDir);
    {
        ItemList files = ReadItemList(reporter, "Files");
        if (!files) {
            return CopyOutcome::Failed;
        }
        for (const ItemNode* node = files.First(); node != nullptr && resolved; node = node->next) {
            plan.emplace_back();
            resolved = PlanFile(node->text, newDir, plan.back());
        }
    }
    CopyTotals totals;
    for (const PlannedFile& file : plan) {
        if (file.copy) {
            ++totals.files;
            totals.bytes += file.bytes;
        }
    }

    CopyOutcome outcome = CopyOutcome::Done;
    {
        CopyingPhase copying(reporter, totals);
        if (!resolved) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return CopyOutcome::Failed;
        }
        std::vector<std::string> created;
        CreateDirectoryTree(g_installer.installDir, &created);
        RecordDirectories(run, created);
        if (!reporter.CopyProgress(0, 0)) {
            outcome = CopyOutcome::Cancelled;
        }
        for (size_t i = 0; i < plan.size() && outcome == CopyOutcome::Done; ++i) {
            outcome = InstallPlannedFile(reporter, plan[i], run);
            if (outcome == CopyOutcome::Done && !reporter.CopyProgress(run.filesDone, run.bytesDone)) {
                outcome = CopyOutcome::Cancelled;
            }
        }
        if (outcome != CopyOutcome::Done) {
            UndoCopying(reporter, run, outcome);
            return outcome;
        }
    }
    run.transaction.Commit();
    RecordFiles(run.record, run.recordedFiles, NextAnsiChar);
    RecordExistingKeys(reporter, run.record, earlier);
    MergeEarlierRecord(run.record, earlier, NextAnsiChar);
    for (const std::string& source : run.sources) {
        // Fails for the running setup program itself; the "/d" run removes it.
        if (DeleteFileA(source.c_str())) {
            reporter.Record(Step::Removed, source.c_str());
        }
    }
    return CopyOutcome::Done;
}

// An install in place copies nothing; the product's files are those of the
// "Files" list that lie in its directory, where the user put them. Whatever
// the list names elsewhere (a system file it would only have added) is not.
void RecordInPlaceFiles(Reporter& reporter, InstallRecord& record) {
    record.present = true;
    record.dirHeldFiles = true;
    ItemList files = ReadItemList(reporter, "Files");
    for (const ItemNode* node = files.First(); node != nullptr; node = node->next) {
        FileEntry entry;
        char path[kPathCapacity];
        if (ParseFileEntry(node->text, entry) && ResolvePath(path, entry.path) && FileExists(path) &&
            LiesInside(path, g_installer.installDir, NextAnsiChar)) {
            RecordFile(record, path, NextAnsiChar);
        }
    }
}

// Stores the install directory as value "InstallDir" of the key that
// "InstallDirReg" names, for the next install's default.
bool RememberInstallDir(Reporter& reporter) {
    HKEY root = nullptr;
    const char* subKey = nullptr;
    if (!SplitInstallDirReg(g_setupInfo.installDirReg, root, subKey)) {
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return false;
    }
    RegKey key;
    if (!OpenRegKey(root, subKey, true, key) || !WriteRegString(key.Get(), "InstallDir", g_installer.installDir)) {
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorInstallDirKey);
        return false;
    }
    char name[kNameCapacity + 16];
    JoinPath(name, sizeof name, {g_setupInfo.installDirReg, "\\InstallDir"});
    reporter.Record(Step::RegistryValue, name, g_installer.installDir);
    return true;
}

// Writes one key of the setup information file, reporting a failure.
bool WriteSetupKey(Reporter& reporter, const char* path, const char* key, const char* value) {
    if (WritePrivateProfileStringA("Install", key, value, path)) {
        return true;
    }
    reporter.Error(MSG_WRITE_FAILED, 0, path);
    return false;
}

// After the copy the installed setup file, when there is one, rules the rest
// of the run; its emptied "InstallDir" lets the installed copy later run in
// place.
bool InstalledSetupFile(char (&installed)[kPathCapacity]) {
    return JoinPath(installed, kPathCapacity, {g_installer.installDir, "\\", g_installer.setupFileName}) &&
           FileExists(installed);
}

bool SwitchToInstalledSetupFile(Reporter& reporter) {
    char installed[kPathCapacity];
    if (!InstalledSetupFile(installed)) {
        return true;
    }
    if (!WriteSetupKey(reporter, installed, "InstallDir", "")) {
        return false;
    }
    JoinPath(g_installer.setupFilePath, kPathCapacity, {installed});
    return true;
}

// Appends "\name" to `folder`; false when it would not fit.
bool AppendLevel(char (&folder)[kPathCapacity], const char* name) {
    char joined[kPathCapacity];
    if (!JoinPath(joined, sizeof joined, {folder, "\\", name})) {
        return false;
    }
    std::memcpy(folder, joined, sizeof joined);
    return true;
}

bool CreateListInFolder(Reporter& reporter, const char* section, const char* folder) {
    ItemList list = ReadItemList(reporter, section);
    return list && CreateShortcutsFromList(reporter, list, folder);
}

bool CreateGroupShortcuts(Reporter& reporter) {
    char folder[kPathCapacity];
    int csidl = g_setupInfo.allUsers >= 1 ? kFolderCommonPrograms : kFolderPrograms;
    if (!GetSpecialFolderPath(csidl, folder)) {
        reporter.Error(MSG_SHORTCUT_FAILED, kErrorGroupFolder);
        return false;
    }
    if (g_setupInfo.groupName[0] != '\0') {
        if (!AppendLevel(folder, g_setupInfo.groupName)) {
            reporter.Error(MSG_SHORTCUT_FAILED, kErrorGroupFolder);
            return false;
        }
        // One level only; an existing folder is normal.
        CreateDirectoryA(folder, nullptr);
    }
    return CreateListInFolder(reporter, "Group", folder);
}

// Startup shortcuts go to one of the two Startup folders; when the user had
// the choice, a same-named shortcut in the other folder is removed so the
// program does not start twice.
bool CreateStartupShortcuts(Reporter& reporter) {
    char perUser[kPathCapacity];
    char allUsers[kPathCapacity] = {};
    bool offered = g_setupInfo.allUsers >= 0;
    if (!GetSpecialFolderPath(kFolderStartup, perUser) ||
        (offered && !GetSpecialFolderPath(kFolderCommonStartup, allUsers))) {
        reporter.Error(MSG_SHORTCUT_FAILED, kErrorStartupFolder);
        return false;
    }
    bool forAllUsers = g_setupInfo.allUsers >= 1;
    const char* chosen = forAllUsers ? allUsers : perUser;
    const char* other = forAllUsers ? perUser : allUsers;

    ItemList list = ReadItemList(reporter, "Startup");
    if (!list || !CreateShortcutsFromList(reporter, list, chosen)) {
        return false;
    }
    // Were both folders one, the clean-up would delete what was just made.
    if (offered && lstrcmpiA(chosen, other) != 0) {
        for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
            char name[sizeof(ShortcutEntry::name)];
            FieldBuffer field = {name, sizeof name, false};
            char link[kPathCapacity];
            if (SplitFields(node->text, &field, 1) == 1 && !field.cut &&
                JoinPath(link, sizeof link, {other, "\\", name, ".lnk"})) {
                DeleteFileA(link);
            }
        }
    }
    return true;
}

bool CreateDesktopShortcuts(Reporter& reporter) {
    char folder[kPathCapacity];
    int csidl = g_setupInfo.allUsers >= 1 ? kFolderCommonDesktop : kFolderDesktop;
    if (!GetSpecialFolderPath(csidl, folder)) {
        reporter.Error(MSG_SHORTCUT_FAILED, kErrorDesktopFolder);
        return false;
    }
    return CreateListInFolder(reporter, "Desktop", folder);
}

// Starts "Install" "Program" from the install directory.
bool StartInstalledProgram(Reporter& reporter) {
    ProgramEntry entry;
    char file[kPathCapacity];
    if (!ParseProgramEntry(g_setupInfo.program, entry) ||
        !JoinPath(file, sizeof file, {g_installer.installDir, "\\", entry.program})) {
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return false;
    }
    // The shell reports a missing program in a box of its own; this one names
    // it as every other failure to start does.
    if (!FileExists(file)) {
        reporter.Error(MSG_START_FAILED, SE_ERR_FNF, file);
        return false;
    }
    // The installer may run with an administrator's elevated rights; the
    // program then starts with the user's own rights through the desktop's
    // shell, or, without one (another shell, Wine), directly as before.
    if (StartFromDesktopShell(file, entry.parameters, g_installer.installDir)) {
        return true;
    }
    HINSTANCE started = ShellExecuteA(nullptr, nullptr, file, entry.parameters, "", SW_SHOW);
    INT_PTR result = reinterpret_cast<INT_PTR>(started);
    if (result <= 32) {
        reporter.Error(MSG_START_FAILED, static_cast<int>(result), file);
        return false;
    }
    return true;
}

}  // namespace

InstallOptions OfferedInstallOptions() {
    InstallOptions options;
    options.group = g_setupInfo.groupValue;
    options.startup = g_setupInfo.startupValue;
    options.desktop = g_setupInfo.desktopValue;
    options.allUsers = g_setupInfo.allUsers;
    JoinPath(options.installDir, sizeof options.installDir, {g_installer.installDir});
    return options;
}

void ApplyInstallOptions(const InstallOptions& options) {
    g_setupInfo.groupValue = options.group;
    g_setupInfo.startupValue = options.startup;
    g_setupInfo.desktopValue = options.desktop;
    g_setupInfo.allUsers = options.allUsers;
    JoinPath(g_installer.installDir, sizeof g_installer.installDir, {options.installDir});
}

namespace {

// The steps after the copy phase, up to the uninstall entry. False after
// reporting the failure that stopped them.
bool RunStepsAfterCopying(Reporter& reporter) {
    if (g_setupInfo.transferMode != TransferMode::InPlace) {
        if (g_setupInfo.transferMode == TransferMode::Move) {
            // Without the record the "/d" run simply finds nothing to do.
            RecordCleanUp();
        }
        if (g_setupInfo.installDirReg[0] != '\0' && !RememberInstallDir(reporter)) {
            return false;
        }
        if (!SwitchToInstalledSetupFile(reporter)) {
            return false;
        }
    }
    if (g_setupInfo.installProhibited == 2 &&
        !WriteSetupKey(reporter, g_installer.setupFilePath, "InstallProhibited", "1")) {
        return false;
    }
    if (g_setupInfo.groupValue == 1 && !CreateGroupShortcuts(reporter)) {
        return false;
    }
    if (g_setupInfo.startupValue == 1 && !CreateStartupShortcuts(reporter)) {
        return false;
    }
    return g_setupInfo.desktopValue != 1 || CreateDesktopShortcuts(reporter);
}

}  // namespace

bool RunInstall(Reporter& reporter, bool* cancelled) {
    if (cancelled != nullptr) {
        *cancelled = false;
    }
    g_installer.installedBytes = 0;
    if (g_setupInfo.transferMode != TransferMode::InPlace) {
        CopyRun run(g_installer.installDir);
        CopyOutcome outcome = CopyFiles(reporter, run);
        if (outcome != CopyOutcome::Done) {
            if (cancelled != nullptr) {
                *cancelled = outcome == CopyOutcome::Cancelled;
            }
            return false;
        }
        // The record travels with the installed setup file.
        char installed[kPathCapacity];
        if (InstalledSetupFile(installed)) {
            WriteInstallRecord(installed, run.record);
        }
    } else {
        InstallRecord record;
        RecordInPlaceFiles(reporter, record);
        RecordExistingKeys(reporter, record, ReadInstallRecord(g_installer.setupFilePath));
        WriteInstallRecord(g_installer.setupFilePath, record);
    }

    // Once the files are in place, a failure of a later step leaves them
    // there, and the uninstall entry is still written so that the user can
    // remove what was installed.
    bool stepsDone = RunStepsAfterCopying(reporter);
    if (g_setupInfo.uninstallKey[0] != '\0' && g_installer.runMode != RunMode::PerUser &&
        !RegisterUninstallEntry(reporter)) {
        return false;
    }
    if (!stepsDone) {
        return false;
    }

    Notice complete{Severity::Information, MSG_INSTALL_COMPLETE};
    if (g_setupInfo.message[0] != '\0') {
        complete.text = g_setupInfo.message;
    }
    reporter.Notify(complete);
    // An unattended install starts nothing: no one is there to use it.
    if (g_setupInfo.program[0] == '\0' || g_installer.silent) {
        return true;
    }
    return StartInstalledProgram(reporter);
}

bool CreateShortcutsFromList(Reporter& reporter, const ItemList& list, const char* folder) {
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        ShortcutEntry entry;
        if (ParseShortcutEntry(node->text, entry) != EntryStatus::Ok || !IsSafeShortcutName(entry.name, NextAnsiChar)) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (SkipsSelfShortcut(entry.target, entry.arguments, g_installer.ownFileName,
                              g_installer.runMode == RunMode::PerUser, g_installer.runMode == RunMode::Win9x)) {
            continue;
        }
        char target[kPathCapacity];
        if (!ResolvePath(target, entry.target)) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        char iconPath[kPathCapacity] = {};
        int iconIndex = -1;
        if (entry.iconIndex[0] != '\0') {
            // An empty or unresolvable icon file leaves the target's icon.
            ResolvePath(iconPath, entry.iconFile);
            iconIndex = ParseDecimal(entry.iconIndex);
        }
        if (!CreateShortcut(target, entry.arguments, folder, entry.name, iconPath, iconIndex)) {
            reporter.Error(MSG_SHORTCUT_FAILED, kErrorShortcut);
            return false;
        }
        char link[kPathCapacity];
        if (JoinPath(link, sizeof link, {folder, "\\", entry.name, ".lnk"})) {
            reporter.Record(Step::ShortcutMade, link);
        }
    }
    return true;
}

void StartCleanUpAfterMove() {
    char installedCopy[kPathCapacity];
    char parameters[sizeof g_cleanUpToken + 4];
    if (g_cleanUpToken[0] != '\0' &&
        JoinPath(installedCopy, sizeof installedCopy, {g_installer.installDir, "\\", g_installer.ownFileName}) &&
        JoinPath(parameters, sizeof parameters, {"/d ", g_cleanUpToken})) {
        ShellExecuteA(nullptr, nullptr, installedCopy, parameters, "", SW_SHOW);
    }
}

void CleanUpAfterMove(const char* token) {
    // The installing process started this one just before it ends.
    Sleep(500);
    char file[kPathCapacity] = {};
    char stored[sizeof g_cleanUpToken] = {};
    {
        RegKey key;
        if (token == nullptr || token[0] == '\0' || !OpenRegKey(HKEY_LOCAL_MACHINE, kCleanUpKey, false, key) ||
            !QueryRegString(HKEY_LOCAL_MACHINE, kCleanUpKey, kCleanUpTokenValue, stored, sizeof stored) ||
            std::strcmp(stored, token) != 0 ||
            !QueryRegString(HKEY_LOCAL_MACHINE, kCleanUpKey, kCleanUpFileValue, file, sizeof file)) {
            return;
        }
        // Once only: the record goes before the file does, and a record that
        // cannot be removed deletes nothing.
        if (RegDeleteValueA(key.Get(), kCleanUpTokenValue) != ERROR_SUCCESS) {
            return;
        }
        RegDeleteValueA(key.Get(), kCleanUpFileValue);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCleanUpKey);  // fails while it holds anything else
    if (file[0] == '\0') {
        return;
    }
    // After an install into the distribution directory the setup program is
    // the installed copy, which is running this: it must stay.
    char self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    bool isSelf = length != 0 && length < MAX_PATH && SameFile(file, self);
    if (!isSelf) {
        DeleteFileA(file);
    }
}
