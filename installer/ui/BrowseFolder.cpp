#include "ui/BrowseFolder.h"

#include <shlobj.h>

#include <cstring>

#include "win/Com.h"
#include "win/ScopedHandle.h"

namespace {

// Selects the folder named by the caller's path as soon as the browser is up.
int CALLBACK BrowseNotification(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

}  // namespace

bool BrowseForFolder(HWND owner, char (&path)[kBrowsePathCapacity], const char* title) {
    // The browser works in an apartment of its own or in the one already there.
    ComApartment com;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    browse.lpfn = BrowseNotification;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    ItemIdList chosen(SHBrowseForFolderA(&browse));
    if (!chosen.Get()) {
        return false;
    }
    // The shell writes up to MAX_PATH bytes, more than the caller's buffer
    // holds; a path that would not fit is not cut into another folder's name.
    char chosenPath[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.Get(), chosenPath) || std::strlen(chosenPath) >= sizeof(path)) {
        return false;
    }
    std::memcpy(path, chosenPath, std::strlen(chosenPath) + 1);
    return true;
}
