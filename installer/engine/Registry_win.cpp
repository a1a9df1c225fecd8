#include "engine/Registry_win.h"

bool OpenRegKey(HKEY root, const char* subKey, bool create, RegKey& key) {
    key.Reset();
    HKEY opened = nullptr;
    LONG result;
    if (create) {
        char noClass[] = "";
        result = RegCreateKeyExA(root, subKey, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened,
                                 nullptr);
    } else {
        result = RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &opened);
    }
    if (result != ERROR_SUCCESS) {
        return false;
    }
    key.Reset(opened);
    return true;
}

bool OpenRegKeyForRead(HKEY root, const char* subKey, RegKey& key) {
    key.Reset();
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    key.Reset(opened);
    return true;
}

DWORD ReadRegString(HKEY key, const char* name, char* buffer, DWORD* size, const char* defaultText) {
    DWORD capacity = *size;
    if (capacity == 0) {
        return 0;
    }
    DWORD type = 0;
    DWORD got = capacity;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got);
    if (result == ERROR_SUCCESS && got <= capacity) {
        // The registry does not promise a terminator: a REG_SZ may have been
        // stored without one, and binary or DWORD data never has one. A value
        // that fills the buffer to the last byte without a zero did not fit.
        if (got < capacity) {
            buffer[got] = '\0';
            *size = got;
            return got;
        }
        if (buffer[capacity - 1] == '\0') {
            *size = got;
            return got;
        }
    }
    lstrcpynA(buffer, defaultText ? defaultText : "", static_cast<int>(capacity));
    DWORD length = static_cast<DWORD>(lstrlenA(buffer));
    *size = length + 1;
    return length;
}

bool WriteRegString(HKEY key, const char* name, const char* text) {
    DWORD bytes = static_cast<DWORD>(lstrlenA(text)) + 1;
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}

bool WriteRegDword(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
           ERROR_SUCCESS;
}

bool QueryRegString(HKEY root, const char* subKey, const char* name, char* buffer, DWORD size) {
    RegKey key;
    if (!OpenRegKeyForRead(root, subKey, key)) {
        return false;
    }
    DWORD used = size;
    ReadRegString(key.Get(), name, buffer, &used, "");
    return size > 0 && buffer[0] != '\0';
}
