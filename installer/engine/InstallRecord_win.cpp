#include "engine/InstallRecord_win.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/DeletionRules.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallEntry_win.h"
#include "win/ScopedHandle.h"

InstallRecord ReadInstallRecord(const char* setupFile) {
    // Room for the whole section and a little more, so that a section grown
    // beyond what was written is read up to its end rather than cut.
    std::vector<char> section(kRecordSectionCapacity + kPathCapacity, '\0');
    DWORD length =
        GetPrivateProfileSectionA(kInstallRecordSection, section.data(), static_cast<DWORD>(section.size()), setupFile);
    return ParseInstallRecord(section.data(), length);
}

bool WriteInstallRecord(const char* setupFile, const InstallRecord& record) {
    const std::string section = FormatInstallRecord(record);
    bool written = WritePrivateProfileSectionA(kInstallRecordSection, section.c_str(), setupFile) != 0;
    // The uninstall copies this file at once; the cache must be on disk.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, setupFile);
    return written;
}

bool DirectoryHoldsAnything(const char* dir) {
    char pattern[kPathCapacity];
    if (!JoinPath(pattern, sizeof pattern, {dir, "\\*"})) {
        return false;
    }
    WIN32_FIND_DATAA found;
    FileSearch search(FindFirstFileA(pattern, &found));
    if (!search) {
        return false;
    }
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
            return true;
        }
    } while (FindNextFileA(search.Get(), &found));
    return false;
}

InstallRecord EarlierInstallRecord(const char* dir) {
    char setupFile[kPathCapacity];
    if (!JoinPath(setupFile, sizeof setupFile, {dir, "\\", g_installer.setupFileName}) || !FileExists(setupFile)) {
        return InstallRecord();
    }
    char key[kNameCapacity] = {};
    GetPrivateProfileStringA("Uninstall", "Key", "", key, sizeof key, setupFile);
    if (!EqualsIgnoringCase(key, g_setupInfo.uninstallKey)) {
        return InstallRecord();
    }
    return ReadInstallRecord(setupFile);
}

bool InstallDirHoldsOthersFiles(const char* dir) {
    return DirectoryHoldsAnything(dir) && !EarlierInstallRecord(dir).present;
}

namespace {

bool SameDirectory(const char* a, const char* b) {
    std::string first;
    std::string second;
    return CanonicalTargetPath(a, NextAnsiChar, first) && CanonicalTargetPath(b, NextAnsiChar, second) &&
           first == second;
}

}  // namespace

bool ProductInstalledIn(const char* dir) {
    char named[kPathCapacity] = {};
    if (g_setupInfo.uninstallKey[0] != '\0') {
        char entry[kPathCapacity];
        if (JoinPath(entry, sizeof entry, {kUninstallKeyPath, "\\", g_setupInfo.uninstallKey}) &&
            QueryRegString(HKEY_LOCAL_MACHINE, entry, "InstallLocation", named, sizeof named) &&
            SameDirectory(named, dir)) {
            return true;
        }
    }
    HKEY root = nullptr;
    const char* subKey = nullptr;
    if (g_setupInfo.installDirReg[0] != '\0' && SplitInstallDirReg(g_setupInfo.installDirReg, root, subKey) &&
        QueryRegString(root, subKey, "InstallDir", named, sizeof named) && SameDirectory(named, dir)) {
        return true;
    }
    return EarlierInstallRecord(dir).present;
}
