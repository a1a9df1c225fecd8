#include "UninstallTestKit.h"

#include <tlhelp32.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>

#include "support/TestFiles.h"
#include "ui/Messages.h"

namespace uninstallkit {

namespace {

const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towlower(c); });
    return text;
}

// A kernel handle closed when the object goes.
struct Handle {
    HANDLE value;
    explicit Handle(HANDLE h) : value(h) {}
    ~Handle() {
        if (value != nullptr && value != INVALID_HANDLE_VALUE) {
            CloseHandle(value);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

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
    Handle handle(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (handle.value == INVALID_HANDLE_VALUE) {
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
    if (!DeviceIoControl(handle.value, FSCTL_SET_REPARSE_POINT, &data, 8 + data.dataLength, nullptr, 0, &returned,
                         nullptr)) {
        CloseHandle(handle.value);
        handle.value = nullptr;
        RemoveDirectoryW(link.c_str());
        return false;
    }
    return true;
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
bool RunUnixCommand(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::wstring Quoted(const std::string& text) {
    return L"\"" + testfiles::FromAnsi(text) + L"\"";
}

}  // namespace

BoxAnswers::BoxAnswers(std::vector<std::wstring> yesTexts, DWORD pid, const wchar_t* alsoImage)
    : yesTexts_(std::move(yesTexts)), pid_(pid), alsoImage_(alsoImage ? alsoImage : L"") {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, &BoxAnswers::Run, this, 0, nullptr);
}

BoxAnswers::~BoxAnswers() {
    Finish();
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI BoxAnswers::Run(void* self) {
    BoxAnswers* answers = static_cast<BoxAnswers*>(self);
    while (InterlockedCompareExchange(&answers->stop_, 0, 0) == 0) {
        answers->AnswerOnce();
    }
    return 0;
}

void BoxAnswers::AnswerOnce() {
    std::vector<DWORD> pids = {pid_};
    if (!alsoImage_.empty()) {
        for (DWORD pid : ProcessesNamed(alsoImage_.c_str())) {
            pids.push_back(pid);
        }
    }
    for (DWORD pid : pids) {
        HWND box = gui::WaitForMessageBox(pid, 50);
        // Dialogs with unnumbered labels look like message boxes too (the
        // copy progress dialog); a message box has buttons.
        if (box == nullptr || (!GetDlgItem(box, IDOK) && !GetDlgItem(box, IDYES) && !GetDlgItem(box, IDNO))) {
            continue;
        }
        // Let the box finish its set-up before it is read.
        Sleep(50);
        gui::MessageBoxContent content = gui::ReadMessageBox(box);
        int button = IDOK;
        if (std::find(yesTexts_.begin(), yesTexts_.end(), content.text) != yesTexts_.end()) {
            button = IDYES;
        } else if (GetDlgItem(box, IDNO) != nullptr) {
            button = IDNO;
        }
        EnterCriticalSection(&lock_);
        boxes_.push_back(content);
        LeaveCriticalSection(&lock_);
        gui::PressButton(box, button);
        gui::WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
    }
}

bool BoxAnswers::WaitFor(size_t count, DWORD timeoutMs) {
    return gui::WaitUntil(
        [this, count] {
            EnterCriticalSection(&lock_);
            size_t have = boxes_.size();
            LeaveCriticalSection(&lock_);
            return have >= count;
        },
        timeoutMs);
}

std::vector<gui::MessageBoxContent> BoxAnswers::Finish() {
    if (thread_ != nullptr) {
        InterlockedExchange(&stop_, 1);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    EnterCriticalSection(&lock_);
    std::vector<gui::MessageBoxContent> boxes = boxes_;
    LeaveCriticalSection(&lock_);
    return boxes;
}

std::vector<DWORD> ProcessesNamed(const wchar_t* image) {
    std::vector<DWORD> pids;
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.value == INVALID_HANDLE_VALUE) {
        return pids;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    const std::wstring wanted = Lower(image);
    for (BOOL more = Process32FirstW(snapshot.value, &entry); more; more = Process32NextW(snapshot.value, &entry)) {
        if (Lower(entry.szExeFile) == wanted) {
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

bool MakeDirectoryLink(const std::string& link, const std::string& target) {
    const std::wstring wideLink = testfiles::FromAnsi(link);
    if (MakeJunction(wideLink, testfiles::FromAnsi(target))) {
        return true;
    }
    const std::string unixLink = UnixPath(wideLink);
    const std::string unixTarget = UnixPath(testfiles::FromAnsi(target));
    if (unixLink.empty() || unixTarget.empty()) {
        return false;
    }
    RunUnixCommand(L"Z:\\bin\\ln -s " + Quoted(unixTarget) + L" " + Quoted(unixLink));
    // Wine does not let a Windows program wait for a Unix one to end.
    return gui::WaitUntil(
        [&link] {
            DWORD attributes = GetFileAttributesA(link.c_str());
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        },
        5000);
}

void RemoveDirectoryLink(const std::string& link) {
    DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return;
    }
    if (RemoveDirectoryA(link.c_str())) {
        return;
    }
    // Wine removes neither kind of its Unix links; "rm" without "-r" never
    // follows one.
    const std::string unixLink = UnixPath(testfiles::FromAnsi(link));
    if (!unixLink.empty()) {
        RunUnixCommand(L"Z:\\bin\\rm -f " + Quoted(unixLink));
        gui::WaitUntil([&link] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000);
    }
}

std::vector<std::pair<std::wstring, std::wstring>> PendingFileOperations() {
    std::vector<std::pair<std::wstring, std::wstring>> operations;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return operations;
    }
    DWORD type = 0;
    DWORD size = 0;
    std::vector<wchar_t> data;
    if (RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        data.resize(size / sizeof(wchar_t) + 2, L'\0');
        RegQueryValueExW(key, kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    // Pairs of strings; the list ends where the data ends (an empty target is
    // an empty string, so the double zero cannot tell the end).
    std::vector<std::wstring> strings;
    size_t count = size / sizeof(wchar_t);
    for (size_t i = 0; i < count;) {
        std::wstring text(&data[i]);
        strings.push_back(text);
        i += text.size() + 1;
    }
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        operations.emplace_back(strings[i], strings[i + 1]);
    }
    return operations;
}

bool DeletionPendingFor(const std::string& path) {
    const std::wstring wanted = Lower(L"\\??\\" + testfiles::FromAnsi(path));
    for (const auto& operation : PendingFileOperations()) {
        if (Lower(operation.first) == wanted && operation.second.empty()) {
            return true;
        }
    }
    return false;
}

void ForgetPendingOperations(const std::string& path) {
    const std::wstring wanted = Lower(L"\\??\\" + testfiles::FromAnsi(path));
    std::vector<std::pair<std::wstring, std::wstring>> operations = PendingFileOperations();
    std::wstring kept;
    size_t remaining = 0;
    for (const auto& operation : operations) {
        if (Lower(operation.first) == wanted) {
            continue;
        }
        kept += operation.first;
        kept += L'\0';
        kept += operation.second;
        kept += L'\0';
        ++remaining;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    if (remaining == 0) {
        RegDeleteValueW(key, kPendingValue);
    } else {
        kept += L'\0';
        RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

std::wstring MessageText(int id) {
    char text[kMessageCapacity];
    LoadMessage(id, text, sizeof text);
    return testfiles::FromAnsi(text);
}

}  // namespace uninstallkit
