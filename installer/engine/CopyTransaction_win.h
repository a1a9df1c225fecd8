// The copy phase of an install as one step that either happens whole or not
// at all: what it creates is noted, and what it would overwrite is first put
// aside in a folder of the install directory, so that a failure or the
// user's Cancel can put the machine back as it was.
#pragma once

#include <string>
#include <vector>

enum class KeepResult {
    Kept,    // the old file lies aside; its place is free
    InUse,   // another program holds it: nothing moved
    Failed,  // it cannot be moved (GetLastError() says why): nothing moved
};

class CopyTransaction {
public:
    // Old files are put aside in a new hidden folder of `installDir`.
    explicit CopyTransaction(const char* installDir);
    // Rolls back what was neither committed nor rolled back.
    ~CopyTransaction();
    CopyTransaction(const CopyTransaction&) = delete;
    CopyTransaction& operator=(const CopyTransaction&) = delete;

    // Directories the run created, outermost first.
    void DirectoriesCreated(const std::vector<std::string>& dirs);
    // Moves the existing `destination` aside before it is replaced. A file
    // another program holds open (or runs from) is left in place: replacing
    // it would fail or leave that program running stale code.
    KeepResult KeepAside(const char* destination);
    // A file the run wrote at `destination`.
    void FileWritten(const char* destination);

    // Undoes every step, newest first: written files deleted, old files put
    // back, created directories removed. False when an old file could not be
    // put back; `unrestored` then names it and `keptAt` where it still lies.
    bool RollBack(std::string* unrestored = nullptr, std::string* keptAt = nullptr);
    // Keeps what was done: the old files put aside are deleted (at the next
    // restart of Windows where they cannot be now).
    void Commit();

private:
    enum class Kind { Directory, KeepFolder, Kept, Written };
    struct Step {
        Kind kind;
        std::string path;  // the directory, or the file in its place
        std::string kept;  // Kept: where the old file lies
    };

    bool MakeKeepFolder();

    std::string installDir_;
    std::string keepFolder_;
    std::vector<Step> steps_;
    unsigned keptCount_ = 0;
    bool finished_ = false;
};
