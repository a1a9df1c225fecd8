#include "support/GuiDriver.h"

#include <vector>

namespace gui {

Process::~Process() {
    if (Running()) {
        Kill();
    }
}

DWORD Process::WaitForExit(DWORD timeoutMs) {
    if (!handle_ || WaitForSingleObject(handle_.Get(), timeoutMs) != WAIT_OBJECT_0) {
        return kStillRunning;
    }
    DWORD code = kStillRunning;
    GetExitCodeProcess(handle_.Get(), &code);
    return code;
}

bool Process::Running() const {
    return handle_ && WaitForSingleObject(handle_.Get(), 0) == WAIT_TIMEOUT;
}

void Process::Kill() {
    if (handle_) {
        TerminateProcess(handle_.Get(), 0xDEAD);
        WaitForSingleObject(handle_.Get(), 5000);
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
    KernelHandle thread(info.hThread);
    return Process(info.hProcess, info.dwProcessId);
}

namespace {

// The text static of a system message box has this id on Windows and Wine.
const int kMessageBoxTextId = 0xFFFF;

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<std::pair<const std::function<bool(HWND)>*, HWND>*>(param);
    if (IsWindowVisible(window) && (*query->first)(window)) {
        query->second = window;
        return FALSE;
    }
    return TRUE;
}

bool TitleMatches(HWND window, const wchar_t* title, bool prefix) {
    if (!title) {
        return true;
    }
    std::wstring text = WindowText(window);
    return prefix ? text.compare(0, lstrlenW(title), title) == 0 : text == title;
}

// A message box holds its text static, perhaps an icon static, and push
// buttons with the standard command ids; a dialog of ours has controls with
// ids of its own (an unnumbered label shares the text static's id, so that
// alone proves nothing).
BOOL CALLBACK CheckMessageBoxChild(HWND child, LPARAM param) {
    auto* verdict = reinterpret_cast<int*>(param);
    const int kIconId = 0x0440;
    int id = GetDlgCtrlID(child);
    std::wstring className = ClassOf(child);
    bool button = lstrcmpiW(className.c_str(), L"Button") == 0 && id >= IDOK && id <= IDCONTINUE;
    bool label = lstrcmpiW(className.c_str(), L"Static") == 0 && (id == kMessageBoxTextId || id == kIconId);
    if (button) {
        *verdict |= 2;
    } else if (!label) {
        *verdict |= 1;
    }
    return TRUE;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
    DWORD_PTR icon = 0;
    if (lstrcmpiW(ClassOf(child).c_str(), L"Static") == 0 &&
        SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon) && icon != 0) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectControlId(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<int>*>(param)->push_back(GetDlgCtrlID(child));
    return TRUE;
}

}  // namespace

HWND WaitForWindowWhere(const std::function<bool(HWND)>& match, DWORD timeoutMs) {
    std::pair<const std::function<bool(HWND)>*, HWND> query(&match, nullptr);
    WaitUntil(
        [&] {
            query.second = nullptr;
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
            return query.second != nullptr;
        },
        timeoutMs);
    return query.second;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::wstring ClassOf(HWND window) {
    wchar_t className[256] = {};
    GetClassNameW(window, className, 256);
    return className;
}

std::wstring ProgramOf(HWND window) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(window)));
    if (!process) {
        return L"";
    }
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process.Get(), 0, path, &size);
    return path;
}

namespace {

HWND WaitForTitled(DWORD pid, const wchar_t* className, const wchar_t* title, bool prefix, DWORD timeoutMs) {
    return WaitForWindowWhere(
        [&](HWND window) {
            return ProcessOf(window) == pid && (!className || ClassOf(window) == className) &&
                   TitleMatches(window, title, prefix);
        },
        timeoutMs);
}

}  // namespace

HWND WaitForWindow(DWORD pid, const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
    return WaitForTitled(pid, className, title, false, timeoutMs);
}

HWND WaitForWindowPrefix(DWORD pid, const wchar_t* className, const wchar_t* titlePrefix, DWORD timeoutMs) {
    return WaitForTitled(pid, className, titlePrefix, true, timeoutMs);
}

HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    return WaitForWindowWhere([&](HWND window) { return ProcessOf(window) == pid && IsMessageBox(window); }, timeoutMs);
}

bool IsMessageBox(HWND window) {
    if (ClassOf(window) != L"#32770" || !GetDlgItem(window, kMessageBoxTextId)) {
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
    content.yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO);
    content.retryCancel = GetDlgItem(box, IDRETRY) && GetDlgItem(box, IDCANCEL);
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&content.icon));
    HWND owner = GetWindow(box, GW_OWNER);
    if (owner) {
        content.ownerTitle = WindowText(owner);
        EnumChildWindows(owner, CollectControlId, reinterpret_cast<LPARAM>(&content.ownerControls));
    }
    return content;
}

std::vector<std::wstring> Texts(const std::vector<MessageBoxContent>& boxes) {
    std::vector<std::wstring> texts;
    for (const MessageBoxContent& box : boxes) {
        texts.push_back(box.text);
    }
    return texts;
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
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        5000, &ignored);
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

LRESULT SendToControl(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
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

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

void PostKeyToFocus(HWND window, UINT virtualKey) {
    HWND focus = FocusOf(window);
    PostKey(focus ? focus : window, virtualKey);
}

bool Sync(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

}  // namespace gui
