#include "support/TestFiles.h"

#include <objbase.h>
#include <shlobj.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "support/GuiDriver.h"
#include "win/ScopedHandle.h"

namespace testfiles {

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

ScratchDir::ScratchDir(const wchar_t* prefix) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    for (;;) {
        wchar_t name[MAX_PATH + 64] = {};
        wsprintfW(name, L"%s%s%lu_%ld", temp, prefix, GetCurrentProcessId(), InterlockedIncrement(&counter));
        if (CreateDirectoryW(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    RemoveTree(path_);
}

bool RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    FileSearch search(FindFirstFileW((path + L"\\*").c_str(), &found));
    if (search) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(child);
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryW(child.c_str());
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search.Get(), &found));
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

bool RemoveTreeWaiting(const std::wstring& path, DWORD timeoutMs) {
    return gui::WaitUntil(
        [&] {
            RemoveTree(path);
            return !PathExists(path);
        },
        timeoutMs);
}

void DeleteFileForce(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    KernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    // The program under test may still be writing it.
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return std::string();
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

bool CopyTo(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

std::vector<std::wstring> FilesIn(const std::wstring& dir, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    FileSearch search(FindFirstFileW((dir + L"\\" + pattern).c_str(), &found));
    if (search) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileW(search.Get(), &found));
    }
    return names;
}

void MakeParentDirs(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
}

namespace {

// Opens a file or directory to set its times.
KernelHandle OpenForTimes(const std::wstring& path) {
    return KernelHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool SetWriteTime(const std::wstring& path, const FILETIME& when) {
    KernelHandle file = OpenForTimes(path);
    return file && SetFileTime(file.Get(), nullptr, nullptr, &when) != 0;
}

}  // namespace

bool SetFileAge(const std::wstring& path, int secondsFromNow) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(secondsFromNow) * 10000000LL);
    FILETIME when;
    when.dwLowDateTime = value.LowPart;
    when.dwHighDateTime = value.HighPart;
    return SetWriteTime(path, when);
}

bool CopyFileAge(const std::wstring& from, const std::wstring& to) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    return SetWriteTime(to, data.ftLastWriteTime);
}

namespace {

// The junction's reparse data (the layout of REPARSE_DATA_BUFFER for mount
// points, which mingw's headers leave to the driver kit).
struct MountPointData {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
    wchar_t paths[1024];
};

bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr)) {
        return false;
    }
    KernelHandle handle(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        RemoveDirectoryW(link.c_str());
        return false;
    }
    const std::wstring substitute = L"\\??\\" + target;
    MountPointData data = {};
    data.tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    const WORD printBytes = static_cast<WORD>(target.size() * sizeof(wchar_t));
    data.substituteOffset = 0;
    data.substituteLength = substituteBytes;
    data.printOffset = static_cast<WORD>(substituteBytes + sizeof(wchar_t));
    data.printLength = printBytes;
    std::memcpy(data.paths, substitute.c_str(), substituteBytes);
    std::memcpy(reinterpret_cast<char*>(data.paths) + data.printOffset, target.c_str(), printBytes);
    data.dataLength = static_cast<WORD>(8 + data.printOffset + printBytes + sizeof(wchar_t));
    DWORD returned = 0;
    BOOL made = DeviceIoControl(handle.Get(), FSCTL_SET_REPARSE_POINT, &data, 8 + data.dataLength, nullptr, 0,
                                &returned, nullptr);
    handle.Reset();
    if (!made) {
        RemoveDirectoryW(link.c_str());
    }
    return made != 0;
}

// Under Wine: the Unix path of a Windows path, through Wine's own export.
std::string UnixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto convert =
        reinterpret_cast<Convert>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return std::string();
    }
    char* unix = convert(path.c_str());
    if (unix == nullptr) {
        return std::string();
    }
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Under Wine a Windows program may start a Unix one by its path on drive Z:.
// Wine does not let it wait for the Unix one to end.
bool StartUnixCommand(const std::wstring& program, const std::string& argument1, const std::string& argument2) {
    std::wstring line = program + L" \"" + FromUtf8(argument1) + L"\"";
    if (!argument2.empty()) {
        line += L" \"" + FromUtf8(argument2) + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    KernelHandle thread(process.hThread);
    KernelHandle started(process.hProcess);
    return true;
}

bool IsReparsePoint(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
    if (MakeJunction(link, target)) {
        return true;
    }
    const std::string unixLink = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) {
        return false;
    }
    StartUnixCommand(L"Z:\\bin\\ln -s", unixTarget, unixLink);
    return gui::WaitUntil([&link] { return IsReparsePoint(link); }, 5000);
}

void RemoveDirectoryLink(const std::wstring& link) {
    if (!IsReparsePoint(link) || RemoveDirectoryW(link.c_str())) {
        return;
    }
    // Wine removes neither kind of its Unix links; "rm" without "-r" never
    // follows one.
    const std::string unixLink = UnixPath(link);
    if (!unixLink.empty()) {
        StartUnixCommand(L"Z:\\bin\\rm -f", unixLink, std::string());
        gui::WaitUntil([&link] { return !PathExists(link); }, 5000);
    }
}

Shortcut ReadShortcut(const std::wstring& path) {
    Shortcut shortcut;
    HRESULT initialised = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (file->Load(path.c_str(), STGM_READ) == S_OK) {
                shortcut.loaded = true;
                wchar_t text[MAX_PATH * 2] = {};
                link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
                shortcut.target = text;
                text[0] = L'\0';
                link->GetArguments(text, MAX_PATH);
                shortcut.arguments = text;
                text[0] = L'\0';
                link->GetWorkingDirectory(text, MAX_PATH);
                shortcut.workingDirectory = text;
                text[0] = L'\0';
                link->GetDescription(text, MAX_PATH);
                shortcut.description = text;
                text[0] = L'\0';
                link->GetIconLocation(text, MAX_PATH, &shortcut.iconIndex);
                shortcut.iconPath = text;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
    return shortcut;
}

bool operator==(const Shortcut& a, const Shortcut& b) {
    return a.loaded == b.loaded && a.target == b.target && a.arguments == b.arguments &&
           a.workingDirectory == b.workingDirectory && a.description == b.description && a.iconPath == b.iconPath &&
           a.iconIndex == b.iconIndex;
}

std::ostream& operator<<(std::ostream& out, const Shortcut& shortcut) {
    if (!shortcut.loaded) {
        return out << "{not loaded}";
    }
    return out << "{target \"" << ToUtf8(shortcut.target) << "\", arguments \"" << ToUtf8(shortcut.arguments)
               << "\", working directory \"" << ToUtf8(shortcut.workingDirectory) << "\", description \""
               << ToUtf8(shortcut.description) << "\", icon \"" << ToUtf8(shortcut.iconPath) << "\","
               << shortcut.iconIndex << "}";
}

namespace {
std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return std::wstring();
    }
    int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}
}  // namespace

std::wstring FromAnsi(const std::string& text) {
    return Widen(text, CP_ACP);
}

std::wstring FromUtf8(const std::string& text) {
    return Widen(text, CP_UTF8);
}

namespace {
std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) {
        return std::string();
    }
    int length =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(length, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length, nullptr, nullptr);
    return narrow;
}
}  // namespace

std::string ToAnsi(const std::wstring& text) {
    return Narrow(text, CP_ACP);
}

std::string ToUtf8(const std::wstring& text) {
    return Narrow(text, CP_UTF8);
}

}  // namespace testfiles
