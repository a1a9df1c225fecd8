#include "support/GuiDriver.h"

#include <vector>

namespace gui {

Process::~Process() {
    if (handle_) {
        if (Running()) {
            Kill();
        }
        CloseHandle(handle_);
    }
}

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_) {
    other.handle_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        if (handle_) {
            CloseHandle(handle_);
        }
        handle_ = other.handle_;
        id_ = other.id_;
        other.handle_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

DWORD Process::WaitForExit(DWORD timeoutMs) {
    if (!handle_ || WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0) {
        return kStillRunning;
    }
    DWORD code = kStillRunning;
    GetExitCodeProcess(handle_, &code);
    return code;
}

bool Process::Running() const {
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

void Process::Kill() {
    if (handle_) {
        TerminateProcess(handle_, 0xDEAD);
        WaitForSingleObject(handle_, 5000);
    }
}

Process StartProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
        return Process();
    }
    CloseHandle(info.hThread);
    return Process(info.hProcess, info.dwProcessId);
}

namespace {

struct WindowQuery {
    DWORD pid;
    const wchar_t* className;
    const wchar_t* title;
    bool prefix;
    bool messageBoxOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query->pid || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (query->className) {
        wchar_t className[256] = {};
        GetClassNameW(window, className, 256);
        if (lstrcmpW(className, query->className) != 0) {
            return TRUE;
        }
    }
    if (query->title) {
        std::wstring title = WindowText(window);
        bool match = query->prefix ? title.compare(0, lstrlenW(query->title), query->title) == 0
                                   : title == query->title;
        if (!match) {
            return TRUE;
        }
    }
    if (query->messageBoxOnly && !IsMessageBox(window)) {
        return TRUE;
    }
    query->found = window;
    return FALSE;
}

HWND WaitFor(WindowQuery query, DWORD timeoutMs) {
    WaitUntil(
        [&] {
            query.found = nullptr;
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
            return query.found != nullptr;
        },
        timeoutMs);
    return query.found;
}

// The text static of a system message box has this id on Windows and Wine.
const int kMessageBoxTextId = 0xFFFF;

}  // namespace

HWND WaitForWindow(DWORD pid, const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
    return WaitFor({pid, className, title, false, false, nullptr}, timeoutMs);
}

HWND WaitForWindowPrefix(DWORD pid, const wchar_t* className, const wchar_t* titlePrefix, DWORD timeoutMs) {
    return WaitFor({pid, className, titlePrefix, true, false, nullptr}, timeoutMs);
}

HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    return WaitFor({pid, L"#32770", nullptr, false, true, nullptr}, timeoutMs);
}

namespace {

// A message box holds its text static, perhaps an icon static, and push
// buttons with the standard command ids; a dialog of ours has controls with
// ids of its own (an unnumbered label shares the text static's id, so that
// alone proves nothing).
BOOL CALLBACK CheckMessageBoxChild(HWND child, LPARAM param) {
    auto* verdict = reinterpret_cast<int*>(param);
    const int kIconId = 0x0440;
    int id = GetDlgCtrlID(child);
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    bool button = lstrcmpiW(className, L"Button") == 0 && id >= IDOK && id <= IDCONTINUE;
    bool label = lstrcmpiW(className, L"Static") == 0 && (id == kMessageBoxTextId || id == kIconId);
    if (button) {
        *verdict |= 2;
    } else if (!label) {
        *verdict |= 1;
    }
    return TRUE;
}

}  // namespace

bool IsMessageBox(HWND window) {
    if (!GetDlgItem(window, kMessageBoxTextId)) {
        return false;
    }
    int verdict = 0;
    EnumChildWindows(window, CheckMessageBoxChild, reinterpret_cast<LPARAM>(&verdict));
    return verdict == 2;
}

MessageBoxContent ReadMessageBox(HWND box) {
    MessageBoxContent content;
    content.caption = WindowText(box);
    content.text = WindowText(GetDlgItem(box, kMessageBoxTextId));
    return content;
}

void PressButton(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (button) {
        PostMessageW(button, BM_CLICK, 0, 0);
    } else {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    }
}

MessageBoxContent AnswerMessageBox(DWORD pid, int buttonId, DWORD timeoutMs) {
    HWND box = WaitForMessageBox(pid, timeoutMs);
    if (!box) {
        return {};
    }
    MessageBoxContent content = ReadMessageBox(box);
    PressButton(box, buttonId);
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return content;
}

HWND Control(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

std::wstring WindowText(HWND window) {
    if (!window) {
        return L"";
    }
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return L"";
    }
    std::vector<wchar_t> buffer(length + 1);
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return std::wstring(buffer.data(), copied);
}

std::wstring ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

int CheckState(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return static_cast<int>(state);
}

bool IsControlEnabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool ClickAndWait(HWND dialog, int id, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys) {
    PostMessageW(window, message, keys, MAKELPARAM(x, y));
}

void Drag(HWND window, POINT from, POINT to, int steps) {
    PostMouse(window, WM_MOUSEMOVE, from.x, from.y, 0);
    PostMouse(window, WM_LBUTTONDOWN, from.x, from.y, MK_LBUTTON);
    for (int i = 1; i <= steps; ++i) {
        int x = from.x + (to.x - from.x) * i / steps;
        int y = from.y + (to.y - from.y) * i / steps;
        PostMouse(window, WM_MOUSEMOVE, x, y, MK_LBUTTON);
    }
    PostMouse(window, WM_LBUTTONUP, to.x, to.y, 0);
}

void PostKey(HWND window, UINT virtualKey) {
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(window, WM_KEYUP, virtualKey, 0xC0000001);
}

bool Sync(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

}  // namespace gui
