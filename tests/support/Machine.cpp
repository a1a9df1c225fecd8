#include "support/Machine.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include "support/GuiDriver.h"
#include "win/ScopedHandle.h"

namespace machine {

namespace {

const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring PendingSourceOf(const std::wstring& path) {
    return Lower(L"\\??\\" + path);
}

}  // namespace

std::wstring WindowsDir() {
    wchar_t dir[MAX_PATH] = {};
    GetWindowsDirectoryW(dir, MAX_PATH);
    return dir;
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return L"";
    }
    return path;
}

std::wstring ProgramFilesDir() {
    return RegText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
}

std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"<absent>";
    }
    return value;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

bool MakeKey(HKEY root, const std::wstring& key, const wchar_t* name, const wchar_t* value) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    LONG written = RegSetValueExW(created, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                  static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(created);
    return written == ERROR_SUCCESS;
}

void DeleteKeyTree(HKEY root, const std::wstring& key) {
    RegDeleteTreeW(root, key.c_str());
    RegDeleteKeyW(root, key.c_str());
}

std::vector<DWORD> ProcessesNamed(const wchar_t* image) {
    std::vector<DWORD> pids;
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return pids;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, image) == 0) {
            pids.push_back(entry.th32ProcessID);
        }
    }
    return pids;
}

bool WaitForProcessNamedToEnd(const wchar_t* image, DWORD appearMs, DWORD endMs) {
    if (!gui::WaitUntil([image] { return !ProcessesNamed(image).empty(); }, appearMs)) {
        return false;
    }
    return gui::WaitUntil([image] { return ProcessesNamed(image).empty(); }, endMs);
}

std::vector<std::pair<std::wstring, std::wstring>> PendingFileOperations() {
    std::vector<std::pair<std::wstring, std::wstring>> operations;
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
        return operations;
    }
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
                     &size) != ERROR_SUCCESS) {
        return operations;
    }
    // Pairs of strings; the list ends where the data ends (an empty target is
    // an empty string, so the double zero cannot tell the end).
    std::vector<std::wstring> strings;
    size_t count = size / sizeof(wchar_t);
    for (size_t at = 0; at < count;) {
        std::wstring text(data.data() + at);
        strings.push_back(text);
        at += text.size() + 1;
    }
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        operations.emplace_back(strings[i], strings[i + 1]);
    }
    return operations;
}

bool DeletionPendingFor(const std::wstring& path) {
    for (const auto& operation : PendingFileOperations()) {
        if (Lower(operation.first) == PendingSourceOf(path) && operation.second.empty()) {
            return true;
        }
    }
    return false;
}

void ForgetPendingOperations(const std::wstring& path) {
    std::wstring kept;
    for (const auto& operation : PendingFileOperations()) {
        if (Lower(operation.first) != PendingSourceOf(path)) {
            kept += operation.first + L'\0' + operation.second + L'\0';
        }
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    if (kept.empty()) {
        RegDeleteValueW(key, kPendingValue);
    } else {
        kept += L'\0';
        RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

}  // namespace machine
