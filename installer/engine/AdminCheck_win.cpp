#include "engine/AdminCheck_win.h"

#include <windows.h>

#include <memory>
#include <new>

#include "win/ScopedHandle.h"

namespace {

// The thread's token when it impersonates someone, else the process's.
bool OpenCallerToken(KernelHandle& token) {
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.Receive())) {
        return true;
    }
    if (GetLastError() != ERROR_NO_TOKEN) {
        return false;
    }
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()) != FALSE;
}

}  // namespace

bool IsUserAdministrator() {
    KernelHandle token;
    if (!OpenCallerToken(token)) {
        return false;
    }
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return false;
    }
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
    if (!buffer || !GetTokenInformation(token.Get(), TokenGroups, buffer.get(), size, &size)) {
        return false;
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    AllocatedSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, administrators.Receive())) {
        return false;
    }
    // Membership alone counts: a deny-only or disabled Administrators group
    // still marks an administrator.
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.Get())) {
            return true;
        }
    }
    return false;
}
