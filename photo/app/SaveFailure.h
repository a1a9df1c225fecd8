// Why a save failed, in the user's words: the image library reports an
// HRESULT (or a bare Win32 code), which a message must never show as it is.
#pragma once

#include <cstdint>

enum class SaveFailure {
    AccessDenied,  // read-only file or folder, no permission, a folder of that name
    InUse,         // another program holds the file
    DiskFull,
    InvalidName,  // characters or a name the file system does not take
    PathTooLong,
    FolderMissing,  // the folder of the file is gone
    Other,
};

SaveFailure ClassifySaveFailure(uint32_t code);
