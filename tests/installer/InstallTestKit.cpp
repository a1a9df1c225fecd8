#include "InstallTestKit.h"

#include <objbase.h>
#include <shlobj.h>

namespace installkit {

LinkContents ReadLink(const std::string& path) {
    LinkContents contents;
    wchar_t widePath[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0) {
        return contents;
    }
    HRESULT initialised = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (file->Load(widePath, STGM_READ) == S_OK) {
                contents.loaded = true;
                char text[MAX_PATH * 2] = {};
                link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
                contents.target = text;
                text[0] = '\0';
                link->GetArguments(text, MAX_PATH);
                contents.arguments = text;
                text[0] = '\0';
                link->GetWorkingDirectory(text, MAX_PATH);
                contents.workingDirectory = text;
                text[0] = '\0';
                link->GetDescription(text, MAX_PATH);
                contents.description = text;
                text[0] = '\0';
                link->GetIconLocation(text, MAX_PATH, &contents.iconIndex);
                contents.iconPath = text;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
    return contents;
}

RegValues ReadRegValues(HKEY root, const char* subKey) {
    RegValues values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameLength = sizeof name;
        BYTE data[1024] = {};
        DWORD dataLength = sizeof data - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) {
            break;
        }
        std::string text(reinterpret_cast<const char*>(data));
        values.emplace_back(name, type == REG_SZ ? text : "<not REG_SZ>");
    }
    RegCloseKey(key);
    return values;
}

bool RegKeyExists(HKEY root, const char* subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void DeleteRegTree(HKEY root, const char* subKey) {
    RegDeleteTreeA(root, subKey);
    RegDeleteKeyA(root, subKey);
}

std::string ReadIni(const std::string& path, const char* section, const char* key, const char* fallback) {
    char text[512] = {};
    GetPrivateProfileStringA(section, key, fallback, text, sizeof text, path.c_str());
    return text;
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::string();
    }
    return path;
}

bool SetFileAge(const std::string& path, int secondsFromNow) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(secondsFromNow) * 10000000LL);
    FILETIME when;
    when.dwLowDateTime = value.LowPart;
    when.dwHighDateTime = value.HighPart;
    BOOL ok = SetFileTime(file, nullptr, nullptr, &when);
    CloseHandle(file);
    return ok != 0;
}

bool CopyFileAge(const std::string& from, const std::string& to) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(from.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    HANDLE file = CreateFileA(to.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BOOL ok = SetFileTime(file, nullptr, nullptr, &data.ftLastWriteTime);
    CloseHandle(file);
    return ok != 0;
}

void DeleteFileForce(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

namespace {

void RemoveTreeOnce(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeOnce(child);
            } else {
                DeleteFileForce(child);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

bool RemoveTreeWaiting(const std::string& path, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        RemoveTreeOnce(path);
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(100);
    }
}

std::string ReadText(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return text;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return text;
}

bool WriteText(const std::string& path, const std::string& text) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string WindowsDir() {
    char path[MAX_PATH] = {};
    GetWindowsDirectoryA(path, MAX_PATH);
    return path;
}

std::string TempDir() {
    char path[MAX_PATH + 1] = {};
    GetTempPathA(sizeof path, path);
    return path;
}

namespace {

// The installer's own dialogs label their fields with statics of the id a
// message box gives its text; their named controls tell them apart.
bool IsInstallerDialog(HWND window) {
    for (int id : {1000, 1001, 1008}) {
        if (GetDlgItem(window, id) != nullptr) {
            return true;
        }
    }
    return false;
}

}  // namespace

BoxSeries::BoxSeries(DWORD pid) : pid_(pid) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, &BoxSeries::Run, this, 0, nullptr);
}

BoxSeries::~BoxSeries() {
    Finish();
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI BoxSeries::Run(void* self) {
    BoxSeries* series = static_cast<BoxSeries*>(self);
    while (InterlockedCompareExchange(&series->stop_, 0, 0) == 0) {
        HWND box = gui::WaitForMessageBox(series->pid_, 100);
        if (box == nullptr || IsInstallerDialog(box)) {
            Sleep(20);
            continue;
        }
        // Let the box finish its set-up before it is read.
        Sleep(50);
        AnsweredBox answered;
        gui::MessageBoxContent content = gui::ReadMessageBox(box);
        answered.caption = content.caption;
        answered.text = content.text;
        HWND owner = GetWindow(box, GW_OWNER);
        if (owner != nullptr) {
            answered.ownerTitle = gui::WindowText(owner);
            answered.ownedByProgress = GetDlgItem(owner, 1008) != nullptr && GetDlgItem(owner, 1009) != nullptr;
        }
        EnterCriticalSection(&series->lock_);
        series->boxes_.push_back(answered);
        LeaveCriticalSection(&series->lock_);
        gui::PressButton(box, IDOK);
        gui::WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
    }
    return 0;
}

bool BoxSeries::WaitFor(size_t count, DWORD timeoutMs) {
    return gui::WaitUntil(
        [this, count] {
            EnterCriticalSection(&lock_);
            size_t have = boxes_.size();
            LeaveCriticalSection(&lock_);
            return have >= count;
        },
        timeoutMs);
}

std::vector<AnsweredBox> BoxSeries::Finish() {
    if (thread_ != nullptr) {
        InterlockedExchange(&stop_, 1);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    EnterCriticalSection(&lock_);
    std::vector<AnsweredBox> boxes = boxes_;
    LeaveCriticalSection(&lock_);
    return boxes;
}

InstallLeftovers::~InstallLeftovers() {
    for (const std::string& file : files_) {
        DeleteFileForce(file);
    }
    for (const std::string& directory : directories_) {
        RemoveTreeWaiting(directory);
    }
    for (const auto& key : keys_) {
        DeleteRegTree(key.first, key.second.c_str());
    }
}

}  // namespace installkit
