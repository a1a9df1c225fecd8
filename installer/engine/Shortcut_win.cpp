#include "engine/Shortcut_win.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "win/Com.h"

namespace {

// The working directory of a shortcut to `target`: its directory, or none for
// the installer itself (which finds its setup file through its own path, and
// is started from the uninstall entry with no directory either) and for a
// target without any directory.
void WorkingDirectoryFor(const char* target, char (&directory)[kPathCapacity]) {
    directory[0] = '\0';
    const char* fileName = FileNameOf(target, NextAnsiChar);
    if (fileName == nullptr || lstrcmpiA(fileName, g_installer.ownFileName) == 0) {
        return;
    }
    CopyPrefix(directory, kPathCapacity, target, static_cast<size_t>(fileName - 1 - target));
}

// The shortcut file's path as the wide text IPersistFile::Save takes.
bool ShortcutFilePath(const char* folder, const char* name, wchar_t (&path)[MAX_PATH]) {
    char ansi[MAX_PATH];
    if (!JoinPath(ansi, sizeof ansi, {folder, "\\", name, ".lnk"})) {
        return false;
    }
    return MultiByteToWideChar(CP_ACP, 0, ansi, -1, path, MAX_PATH) != 0;
}

}  // namespace

bool CreateShortcut(const char* target,
                    const char* arguments,
                    const char* folder,
                    const char* name,
                    const char* iconPath,
                    int iconIndex) {
    ComApartment com;
    // Declared after the scope so that the pointers are released before COM
    // goes away.
    ComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid());
    if (FAILED(result)) {
        return false;
    }
    link->SetPath(target);
    if (arguments != nullptr && arguments[0] != '\0') {
        link->SetArguments(arguments);
    }
    link->SetDescription(name);
    char workingDirectory[kPathCapacity];
    WorkingDirectoryFor(target, workingDirectory);
    link->SetWorkingDirectory(workingDirectory);
    if (iconIndex >= 0) {
        link->SetIconLocation(iconPath != nullptr && iconPath[0] != '\0' ? iconPath : target, iconIndex);
    }

    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.OutVoid());
    if (FAILED(result)) {
        return false;
    }
    wchar_t path[MAX_PATH];
    if (!ShortcutFilePath(folder, name, path)) {
        return false;
    }
    result = file->Save(path, TRUE);
    return result == S_OK;
}
