// Process-wide values of one installer run: who we are, where the setup
// information file lies, where we install to and with which rights. The entry
// sets them once at start; the flows read them (and the options the user
// chose and the final uninstall replace the install directory).
#pragma once

#include <windows.h>

#include <cstddef>

// Capacities in bytes including the terminating zero.
constexpr size_t kPathCapacity = 256;  // paths and long texts
constexpr size_t kNameCapacity = 128;  // names, titles, keys

// How much this run may do. There is deliberately no 2: stored values and
// comparisons elsewhere use these exact numbers.
enum class RunMode : int {
    Win9x = 0,    // Windows 95/98/Me: no per-user or administrator distinction
    PerUser = 1,  // Windows NT family without administrator rights, or forced by "/u"
    Admin = 3,    // Windows NT family, member of the Administrators group
};

struct InstallerState {
    HINSTANCE instance = nullptr;  // loads icons, dialogs and the message table
    HICON programIcon = nullptr;   // icon 103, loaded for an install only

    char ownPath[kPathCapacity] = {};  // full path of the running executable
    // The parts of the own path get the path's capacity, so that a setup
    // program in a deep directory is never cut short.
    char ownFileName[kPathCapacity] = {};    // its name and extension, e.g. Mivo.exe
    char ownDir[kPathCapacity] = {};         // drive and directory, with trailing backslash
    char setupFilePath[kPathCapacity] = {};  // full path of the setup information file
    char setupFileName[kPathCapacity] = {};  // its base name plus ".inf" or ".ini"

    // `InstallDir`: the install directory without trailing backslash. Starts as
    // the own directory; replaced by the setup file's default, the options the
    // user chose or the uninstall's "Dir".
    char installDir[kPathCapacity] = {};

    RunMode runMode = RunMode::Win9x;

    // An unattended run ("/S"): no dialog, no box, no program started; every
    // question takes its safe answer and the log records what happened.
    bool silent = false;
    // The log's full path; empty for a run without one.
    char logPath[kPathCapacity] = {};
    // Bytes of the listed files as they lie installed, for the uninstall
    // entry's "EstimatedSize".
    unsigned long long installedBytes = 0;
};

// Exit codes of an unattended run, as deployment tools read them.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;           // the message id and site code are in the log
constexpr int kExitRefused = 2;           // cancelled, or refused by a rule
constexpr int kExitRestartNeeded = 3010;  // done; the work files go at the next restart

// The one record of this process.
extern InstallerState g_installer;

class Reporter;

// The exit code of a run: `silentCode` for an unattended run,
// `interactiveCode` (what a run at the screen has always returned) otherwise.
inline int ExitCode(int silentCode, int interactiveCode) {
    return g_installer.silent ? silentCode : interactiveCode;
}

// Reports error `messageId` (1 or 2) naming this run's setup information
// file, without a site code.
void ReportSetupFileError(Reporter& reporter, int messageId);
