#include "engine/CopyTransaction_win.h"

#include <windows.h>

#include <cstdio>

#include "engine/FileInUse_win.h"
#include "engine/RestartDeletion_win.h"
#include "win/ScopedHandle.h"

namespace {

// The folder's name in the install directory; a number is added when one of
// that name is there already (left by a run that was cut off).
const char kKeepFolderName[] = "$$MivoKept";

// Whether another program holds `path` so that it cannot be replaced: opened
// without sharing writes, or mapped as a running program. Sharing all access
// ourselves, only such a holder makes the open fail for that reason.
bool HeldByAnother(const char* path) {
    KernelHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        return false;
    }
    DWORD error = GetLastError();
    SetLastError(error);
    return IsInUseError(error);
}

// Moves a file, across volumes too; where MoveFileExA is missing (Windows
// 9x/Me), by a rename after the file in the way is deleted.
bool MoveFileAcross(const char* from, const char* to, bool replace) {
    DWORD flags = MOVEFILE_COPY_ALLOWED | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExA(from, to, flags)) {
        return true;
    }
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        return false;
    }
    if (replace) {
        SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(to);
    }
    return MoveFileA(from, to) != 0;
}

// Deletes a file whatever its read-only bit says.
bool DeleteFileForce(const char* path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

CopyTransaction::CopyTransaction(const char* installDir) : installDir_(installDir) {}

CopyTransaction::~CopyTransaction() {
    if (!finished_) {
        RollBack();
    }
}

void CopyTransaction::DirectoriesCreated(const std::vector<std::string>& dirs) {
    for (const std::string& dir : dirs) {
        steps_.push_back({Kind::Directory, dir, std::string()});
    }
}

bool CopyTransaction::MakeKeepFolder() {
    if (!keepFolder_.empty()) {
        return true;
    }
    for (int attempt = 1; attempt <= 100; ++attempt) {
        char name[32];
        if (attempt == 1) {
            std::snprintf(name, sizeof name, "%s", kKeepFolderName);
        } else {
            std::snprintf(name, sizeof name, "%s%d", kKeepFolderName, attempt);
        }
        std::string folder = installDir_ + "\\" + name;
        if (folder.size() >= MAX_PATH - 12) {
            return false;
        }
        if (CreateDirectoryA(folder.c_str(), nullptr)) {
            SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
            keepFolder_ = folder;
            steps_.push_back({Kind::KeepFolder, folder, std::string()});
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

KeepResult CopyTransaction::KeepAside(const char* destination) {
    if (HeldByAnother(destination)) {
        return KeepResult::InUse;
    }
    if (!MakeKeepFolder()) {
        return KeepResult::Failed;
    }
    char kept[MAX_PATH];
    std::snprintf(kept, sizeof kept, "%s\\%u", keepFolder_.c_str(), ++keptCount_);
    // A rename where the old file lies on the install directory's volume; a
    // copy and delete for one elsewhere (a system folder on another drive).
    if (!MoveFileAcross(destination, kept, false)) {
        DWORD error = GetLastError();
        // A copy across volumes may leave its copy behind.
        DeleteFileForce(kept);
        SetLastError(error);
        return IsInUseError(error) ? KeepResult::InUse : KeepResult::Failed;
    }
    steps_.push_back({Kind::Kept, destination, kept});
    return KeepResult::Kept;
}

void CopyTransaction::FileWritten(const char* destination) {
    steps_.push_back({Kind::Written, destination, std::string()});
}

bool CopyTransaction::RollBack(std::string* unrestored, std::string* keptAt) {
    finished_ = true;
    bool whole = true;
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
        switch (step->kind) {
            case Kind::Written:
                DeleteFileForce(step->path.c_str());
                break;
            case Kind::Kept:
                if (!MoveFileAcross(step->kept.c_str(), step->path.c_str(), true)) {
                    // The old file stays where it was put, for the user to
                    // fetch: the kept folder is then not removed either.
                    if (whole) {
                        if (unrestored) {
                            *unrestored = step->path;
                        }
                        if (keptAt) {
                            *keptAt = step->kept;
                        }
                    }
                    whole = false;
                }
                break;
            case Kind::KeepFolder:
            case Kind::Directory:
                // Only when empty: nothing but this run's files was in it.
                RemoveDirectoryA(step->path.c_str());
                break;
        }
    }
    steps_.clear();
    return whole;
}

void CopyTransaction::Commit() {
    finished_ = true;
    for (const Step& step : steps_) {
        if (step.kind == Kind::Kept && !DeleteFileForce(step.kept.c_str())) {
            ScheduleDeletionAtRestart(step.kept.c_str());
        }
    }
    if (!keepFolder_.empty() && !RemoveDirectoryA(keepFolder_.c_str())) {
        ScheduleDeletionAtRestart(keepFolder_.c_str());
    }
    steps_.clear();
}
