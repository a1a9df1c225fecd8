#include "app/SaveFailure.h"

namespace {

// Win32 codes, spelled out: this file does not include windows.h.
const uint32_t kFileNotFound = 2;
const uint32_t kPathNotFound = 3;
const uint32_t kAccessDenied = 5;
const uint32_t kWriteProtect = 19;
const uint32_t kSharingViolation = 32;
const uint32_t kLockViolation = 33;
const uint32_t kHandleDiskFull = 39;
const uint32_t kDiskFull = 112;
const uint32_t kInvalidName = 123;
const uint32_t kBadPathName = 161;
const uint32_t kFileNameTooLong = 206;
const uint32_t kDirectory = 267;
const uint32_t kUserMappedFile = 1224;

// The Win32 code inside an HRESULT of FACILITY_WIN32 (0x8007xxxx) or of
// FACILITY_STORAGE (0x8003xxxx, whose low words are the same codes: the
// stream a codec writes through reports those); a bare Win32 code as it is.
bool Win32CodeOf(uint32_t code, uint32_t* win32) {
    if ((code & 0xFFFF0000u) == 0x80070000u || (code & 0xFFFF0000u) == 0x80030000u) {
        *win32 = code & 0xFFFFu;
        return true;
    }
    if (code < 0x10000u) {
        *win32 = code;
        return true;
    }
    return false;
}

}  // namespace

SaveFailure ClassifySaveFailure(uint32_t code) {
    if (code == 0x80070005u /* E_ACCESSDENIED */) {
        return SaveFailure::AccessDenied;
    }
    uint32_t win32 = 0;
    if (!Win32CodeOf(code, &win32)) {
        return SaveFailure::Other;
    }
    switch (win32) {
        case kAccessDenied:
        case kWriteProtect:
        case kDirectory:
            return SaveFailure::AccessDenied;
        case kSharingViolation:
        case kLockViolation:
        case kUserMappedFile:
            return SaveFailure::InUse;
        case kHandleDiskFull:
        case kDiskFull:
            return SaveFailure::DiskFull;
        case kInvalidName:
        case kBadPathName:
            return SaveFailure::InvalidName;
        case kFileNameTooLong:
            return SaveFailure::PathTooLong;
        case kFileNotFound:
        case kPathNotFound:
            return SaveFailure::FolderMissing;
        default:
            return SaveFailure::Other;
    }
}
