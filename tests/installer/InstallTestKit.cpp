#include "InstallTestKit.h"

#include <cstdio>
#include <cstring>

#include "support/Machine.h"
#include "ui/Messages.h"
#include "win/RegKey.h"

namespace installkit {

using testfiles::FromAnsi;
using testfiles::ToAnsi;

Distribution::Distribution(const std::wstring& name) {
    dir_ = name.empty() ? scratch_.Path() : scratch_ / name;
    ready_ = (name.empty() || CreateDirectoryW(dir_.c_str(), nullptr)) && PutProgram(L"Mivo.exe", L"Setup.exe");
}

bool Distribution::Put(const std::wstring& name, const std::string& bytes) const {
    testfiles::MakeParentDirs(*this / name);
    return testfiles::WriteFileBytes(*this / name, bytes);
}

bool Distribution::PutProgram(const wchar_t* built, const std::wstring& name) const {
    return testfiles::CopyTo(testfiles::BinDir() + built, *this / name);
}

gui::Process Distribution::Start(const std::wstring& arguments) const {
    return gui::StartProgram(Setup(), arguments, dir_);
}

std::wstring MessageText(int id) {
    char text[kMessageCapacity];
    LoadMessage(id, text, sizeof text);
    return FromAnsi(text);
}

testfiles::Shortcut LinkTo(const std::string& target,
                           const std::string& arguments,
                           const std::string& workingDirectory,
                           const std::string& description,
                           const std::string& iconPath,
                           int iconIndex) {
    testfiles::Shortcut link;
    link.loaded = true;
    link.target = FromAnsi(target);
    link.arguments = FromAnsi(arguments);
    link.workingDirectory = FromAnsi(workingDirectory);
    link.description = FromAnsi(description);
    link.iconPath = FromAnsi(iconPath);
    link.iconIndex = iconIndex;
    return link;
}

testfiles::Shortcut ReadLink(const std::string& path) {
    return testfiles::ReadShortcut(FromAnsi(path));
}

RegValues ReadRegValues(HKEY root, const std::string& subKey) {
    RegValues values;
    RegKey key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameLength = sizeof name;
        BYTE data[1024] = {};
        DWORD dataLength = sizeof data - 1;
        DWORD type = 0;
        if (RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) {
            break;
        }
        std::string text(reinterpret_cast<const char*>(data));
        if (type == REG_DWORD) {
            DWORD number = 0;
            std::memcpy(&number, data, sizeof number);
            text = "dword:" + std::to_string(number);
        } else if (type != REG_SZ) {
            text = "<neither REG_SZ nor REG_DWORD>";
        }
        values.emplace_back(name, text);
    }
    return values;
}

bool RegKeyExists(HKEY root, const std::string& subKey) {
    return machine::KeyExists(root, FromAnsi(subKey));
}

std::string ReadIni(const std::string& path, const char* section, const char* key, const char* fallback) {
    char text[512] = {};
    GetPrivateProfileStringA(section, key, fallback, text, sizeof text, path.c_str());
    return text;
}

std::string SpecialFolder(int csidl) {
    return ToAnsi(machine::SpecialFolder(csidl));
}

std::string WindowsDir() {
    return ToAnsi(machine::WindowsDir());
}

std::string ProgramFilesDir() {
    return ToAnsi(machine::ProgramFilesDir());
}

std::string TempDir() {
    char path[MAX_PATH + 1] = {};
    GetTempPathA(sizeof path, path);
    return path;
}

std::string Today() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

bool Exists(const std::string& path) {
    return testfiles::PathExists(FromAnsi(path));
}

std::string ReadText(const std::string& path) {
    return testfiles::ReadFileBytes(FromAnsi(path));
}

bool WriteText(const std::string& path, const std::string& text) {
    testfiles::MakeParentDirs(FromAnsi(path));
    return testfiles::WriteFileBytes(FromAnsi(path), text);
}

HeldFile::HeldFile(const std::string& path) {
    // Names of this process's own, so that tests never share the events.
    static LONG serial = 0;
    const std::wstring stem = L"MivoHeldFile-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&serial));
    const std::wstring heldName = stem + L"-held";
    const std::wstring releaseName = stem + L"-release";
    heldEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, heldName.c_str()));
    releaseEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));
    process_ = gui::StartProgram(testfiles::BinDir() + kProgram,
                                 L"\"" + FromAnsi(path) + L"\" " + heldName + L" " + releaseName);
    if (!process_.Started() || !heldEvent_) {
        return;
    }
    HANDLE waits[] = {heldEvent_.Get(), process_.Handle()};
    held_ = WaitForMultipleObjects(2, waits, FALSE, 10000) == WAIT_OBJECT_0;
}

void HeldFile::Release() {
    if (releaseEvent_) {
        SetEvent(releaseEvent_.Get());
    }
    if (process_.Started()) {
        process_.WaitForExit(10000);
    }
    held_ = false;
}

std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> tree;
    std::vector<std::string> pending = {""};
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir + relative + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = relative + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                tree[path] = "<dir>";
                pending.push_back(path);
            } else {
                tree[path] = ReadText(dir + path);
                DWORD extra = found.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
                if (extra != 0) {
                    tree[path + " attributes"] = std::to_string(extra);
                }
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return tree;
}

InstallLeftovers::~InstallLeftovers() {
    for (const std::string& file : files_) {
        testfiles::DeleteFileForce(FromAnsi(file));
    }
    for (const std::string& directory : directories_) {
        testfiles::RemoveTreeWaiting(FromAnsi(directory));
    }
    for (const auto& key : keys_) {
        machine::DeleteKeyTree(key.first, FromAnsi(key.second));
    }
}

}  // namespace installkit
