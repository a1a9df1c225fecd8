// Figures for Mivo's copy phase under Windows (or Wine): an install of 99
// files of 64 KiB into a fresh directory as at the screen, with the progress
// dialog shown from the first file, and without a window, beside a plain
// CopyFileA loop over the same files. Prints milliseconds and ratios; never
// fails.
//   xvfb-run scripts/wine-exec build/<dir>/bin/install_copy_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/InstallFlow_win.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "ui/BoxReporter.h"
#include "ui/Messages.h"

namespace {

const int kFiles = 99;
const size_t kFileBytes = 64 * 1024;
const int kRepeats = 15;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// One timed run of `work` after `prepare` (not timed), kept when it is the
// best so far: the runs of the variants take turns, so that a busy moment of
// the machine does not fall on one of them alone.
template <typename Prepare, typename Work>
void TimeOnce(std::vector<double>& times, Prepare prepare, Work work) {
    prepare();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    times.push_back(Milliseconds(start, end));
}

double Best(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

// The median over the rounds of each round's time beside the loop's of the
// same round: a disk that is slower for a while slows both alike.
double MedianRatio(const std::vector<double>& times, const std::vector<double>& loop) {
    std::vector<double> ratios;
    for (size_t i = 0; i < times.size() && i < loop.size(); ++i) {
        ratios.push_back(times[i] / loop[i]);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

std::string FileName(int i) {
    return "file" + std::to_string(i) + ".bin";
}

void RemoveCopies(const std::string& dir) {
    for (int i = 1; i <= kFiles; ++i) {
        DeleteFileA((dir + "\\" + FileName(i)).c_str());
    }
    RemoveDirectoryA(dir.c_str());
}

// The progress dialog as an install shows it (after `delayMs`); the
// completion box left out.
class DialogOnly : public BoxReporter {
public:
    explicit DialogOnly(uint32_t delayMs) : BoxReporter(nullptr, delayMs) {}
    void Notify(const Notice&) override {}
};

// No window at all.
class Quiet : public Reporter {
public:
    void Notify(const Notice& notice) override {
        if (notice.severity == Severity::Error) {
            std::printf("  (the install reported error %d)\n", notice.messageId);
        }
    }
    bool Ask(const Question&) override { return false; }
    void BeginCopying(const CopyTotals&) override {}
    void Copying(const char*, const char*) override {}
    void EndCopying() override {}
    bool AskRetryInUse(const char*, const char*) override { return false; }
};

}  // namespace

int main() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "mivo_copy_bench";
    const std::string dist = root + "\\dist";
    const std::string ours = root + "\\Installed";
    const std::string plain = root + "\\Plain";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(dist.c_str(), nullptr);

    std::string inf = "[Install]\r\nTitle=Copy Bench\r\nInstallDir=Installed\r\nIsFileDelAfterMivo=0\r\n[Files]\r\n";
    std::mt19937 random(1);
    std::vector<char> bytes(kFileBytes);
    for (int i = 1; i <= kFiles; ++i) {
        for (char& b : bytes) {
            b = static_cast<char>(random());
        }
        HANDLE file = CreateFileA((dist + "\\" + FileName(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        inf += "Item" + std::to_string(i) + "=" + FileName(i) + "\r\n";
    }
    const std::string setupFile = dist + "\\Setup.inf";
    HANDLE file =
        CreateFileA(setupFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, inf.data(), static_cast<DWORD>(inf.size()), &written, nullptr);
    CloseHandle(file);

    g_installer.instance = GetModuleHandleA(nullptr);
    SetMessageModule(g_installer.instance);
    g_installer.runMode = RunMode::Admin;
    std::snprintf(g_installer.ownDir, sizeof g_installer.ownDir, "%s\\", dist.c_str());
    std::snprintf(g_installer.ownPath, sizeof g_installer.ownPath, "%s\\Setup.exe", dist.c_str());
    std::snprintf(g_installer.ownFileName, sizeof g_installer.ownFileName, "Setup.exe");
    std::snprintf(g_installer.setupFilePath, sizeof g_installer.setupFilePath, "%s", setupFile.c_str());
    std::snprintf(g_installer.setupFileName, sizeof g_installer.setupFileName, "Setup.inf");
    Quiet quiet;
    if (LoadSetupInfo(quiet, SetupLoadMode::Install) != 1) {
        std::printf("install copy bench: the setup file could not be loaded\n");
        return 0;
    }
    std::snprintf(g_installer.installDir, sizeof g_installer.installDir, "%s", ours.c_str());

    auto install = [&](Reporter& reporter) {
        if (!RunInstall(reporter)) {
            std::printf("  (the install failed)\n");
        }
    };
    auto copyLoop = [&] {
        CreateDirectoryA(plain.c_str(), nullptr);
        for (int i = 1; i <= kFiles; ++i) {
            CopyFileA((dist + "\\" + FileName(i)).c_str(), (plain + "\\" + FileName(i)).c_str(), FALSE);
        }
    };
    DialogOnly shipped(kProgressDelayMs);
    DialogOnly dialog(0);
    std::vector<double> asShipped, withDialog, withoutWindow, loop, dialogAlone;
    for (int i = 0; i < kRepeats; ++i) {
        TimeOnce(
            dialogAlone, [] {},
            [&] {
                dialog.BeginCopying({kFiles, kFiles * kFileBytes});
                dialog.CopyProgress(kFiles, kFiles * kFileBytes);
                dialog.EndCopying();
            });
        TimeOnce(
            loop, [&] { RemoveCopies(plain); }, copyLoop);
        TimeOnce(
            asShipped, [&] { RemoveCopies(ours); }, [&] { install(shipped); });
        TimeOnce(
            withDialog, [&] { RemoveCopies(ours); }, [&] { install(dialog); });
        TimeOnce(
            withoutWindow, [&] { RemoveCopies(ours); }, [&] { install(quiet); });
    }
    RemoveCopies(ours);
    RemoveCopies(plain);
    for (int i = 1; i <= kFiles; ++i) {
        DeleteFileA((dist + "\\" + FileName(i)).c_str());
    }
    DeleteFileA(setupFile.c_str());
    RemoveDirectoryA(dist.c_str());
    RemoveDirectoryA(root.c_str());

    std::printf(
        "Mivo copy phase, %d files of %u KiB into a fresh directory, %d rounds: best, and the median of "
        "each round's ratio to the loop's time in that round:\n",
        kFiles, static_cast<unsigned>(kFileBytes / 1024), kRepeats);
    std::printf("  plain CopyFileA loop %.1f ms\n", Best(loop));
    std::printf("  install as at the screen (the dialog appears after %u ms) %.1f ms (ratio %.2f, median %.2f)\n",
                static_cast<unsigned>(kProgressDelayMs), Best(asShipped), Best(asShipped) / Best(loop),
                MedianRatio(asShipped, loop));
    std::printf("  install with the progress dialog from the first file %.1f ms (ratio %.2f, median %.2f)\n",
                Best(withDialog), Best(withDialog) / Best(loop), MedianRatio(withDialog, loop));
    std::printf("  install without a window %.1f ms (ratio %.2f, median %.2f)\n", Best(withoutWindow),
                Best(withoutWindow) / Best(loop), MedianRatio(withoutWindow, loop));
    std::printf("  (the progress dialog alone, shown at its end and closed: %.1f ms)\n", Best(dialogAlone));
    return 0;
}
