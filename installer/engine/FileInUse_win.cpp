#include "engine/FileInUse_win.h"

#include <restartmanager.h>

#include <vector>

#include "engine/AnsiText_win.h"
#include "win/ScopedHandle.h"

namespace {

// The Restart Manager is looked up at run time: the installer also starts
// on systems older than it, which then simply name no program.
using StartSessionFn = decltype(&RmStartSession);
using RegisterResourcesFn = decltype(&RmRegisterResources);
using GetListFn = decltype(&RmGetList);
using EndSessionFn = decltype(&RmEndSession);

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// One Restart Manager session, ended on every way out.
class RmSession {
public:
    explicit RmSession(HMODULE module)
        : end_(Lookup<EndSessionFn>(module, "RmEndSession")),
          getList_(Lookup<GetListFn>(module, "RmGetList")),
          register_(Lookup<RegisterResourcesFn>(module, "RmRegisterResources")) {
        auto start = Lookup<StartSessionFn>(module, "RmStartSession");
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        open_ = start && end_ && getList_ && register_ && start(&session_, 0, key) == ERROR_SUCCESS;
    }
    ~RmSession() {
        if (open_) {
            end_(session_);
        }
    }
    RmSession(const RmSession&) = delete;
    RmSession& operator=(const RmSession&) = delete;

    // The processes that hold `file`; empty when none or unknown.
    std::vector<RM_PROCESS_INFO> Holders(const wchar_t* file) {
        std::vector<RM_PROCESS_INFO> holders;
        LPCWSTR files[] = {file};
        if (!open_ || register_(session_, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) {
            return holders;
        }
        // The list may grow between the two calls; a few rounds settle it.
        for (int round = 0; round < 3; ++round) {
            UINT needed = 0;
            UINT count = static_cast<UINT>(holders.size());
            DWORD reasons = 0;
            DWORD result = getList_(session_, &needed, &count, holders.empty() ? nullptr : holders.data(), &reasons);
            if (result == ERROR_SUCCESS) {
                holders.resize(count);
                return holders;
            }
            if (result != ERROR_MORE_DATA) {
                break;
            }
            holders.resize(needed);
        }
        holders.clear();
        return holders;
    }

private:
    EndSessionFn end_;
    GetListFn getList_;
    RegisterResourcesFn register_;
    DWORD session_ = 0;
    bool open_ = false;
};

// The file name of `process`'s executable, when that process is still the
// one the Restart Manager saw.
bool ExecutableNameOf(const RM_UNIQUE_PROCESS& process, wchar_t (&name)[MAX_PATH]) {
    KernelHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.dwProcessId));
    FILETIME created, exited, kernel, user;
    if (!handle || !GetProcessTimes(handle.Get(), &created, &exited, &kernel, &user) ||
        CompareFileTime(&created, &process.ProcessStartTime) != 0) {
        return false;
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(handle.Get(), 0, path, &length)) {
        return false;
    }
    const wchar_t* start = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/') {
            start = p + 1;
        }
    }
    lstrcpynW(name, start, MAX_PATH);
    return name[0] != L'\0';
}

}  // namespace

bool IsInUseError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

bool FindHoldingProgram(const char* path, char* out, size_t capacity) {
    out[0] = '\0';
    LoadedModule module(LoadLibraryA("rstrtmgr.dll"));
    if (!module) {
        return false;
    }
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) {
        return false;
    }
    RmSession session(module.Get());
    for (const RM_PROCESS_INFO& holder : session.Holders(wide)) {
        wchar_t name[MAX_PATH] = {};
        // The executable's name, as the user sees it in the task manager;
        // the system's friendly name where the process cannot be opened.
        if (!ExecutableNameOf(holder.Process, name)) {
            lstrcpynW(name, holder.strAppName, MAX_PATH);
        }
        char ansi[MAX_PATH * 2] = {};
        if (name[0] != L'\0' && WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof ansi, nullptr, nullptr) != 0) {
            CopyAnsiBounded(out, capacity, ansi);
            return out[0] != '\0';
        }
    }
    return false;
}
