// Under Wine (or Windows): the time to load a 24-megapixel JPEG, scale it to
// 500 pixels on its long side and save it as JPEG, through our library and
// WIC. Prints figures; judges nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchJpeg_win.h"
#include "imaging/Image_win.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

// With arguments, for timing whole processes beside other tools:
//   --make PATH     writes the test picture
//   --once IN OUT   loads IN, scales it to 500 pixels wide, saves OUT
// MinGW's start-up code calls it; unlike main it has no declaration of its own.
int wmain(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--make") {
        return MakeBenchJpeg(argv[2]) ? 0 : 1;
    }
    if (argc == 4 && std::wstring(argv[1]) == L"--once") {
        ImgHandle image = ImgLoadW(argv[2]);
        bool done = image && ImgResize(image, 500, -1) && ImgSaveJpegW(argv[3], image, 95);
        ImgFree(image);
        return done ? 0 : 1;
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring input = std::wstring(temp) + L"tandrel_bench_24mp.jpg";
    std::wstring output = std::wstring(temp) + L"tandrel_bench_500.jpg";
    if (!MakeBenchJpeg(input)) {
        std::printf("could not write the test picture: %08x\n", ImgLastError());
        return 1;
    }

    std::vector<double> load, resize, save, total;
    for (int run = 0; run < 5; ++run) {
        double start = Now();
        ImgHandle image = ImgLoadW(input.c_str());
        double loaded = Now();
        if (!image || !ImgResize(image, 500, -1)) {
            std::printf("load or resize failed: %08x\n", ImgLastError());
            return 1;
        }
        double resized = Now();
        if (!ImgSaveJpegW(output.c_str(), image, 95)) {
            std::printf("save failed: %08x\n", ImgLastError());
            return 1;
        }
        double saved = Now();
        ImgFree(image);
        load.push_back(loaded - start);
        resize.push_back(resized - loaded);
        save.push_back(saved - resized);
        total.push_back(saved - start);
    }
    std::printf("24-megapixel JPEG, median of 5 runs:\n");
    std::printf("  load 6000x4000 JPEG     %8.1f ms\n", Median(load) * 1e3);
    std::printf("  resize to 500x333       %8.1f ms\n", Median(resize) * 1e3);
    std::printf("  save 500x333 JPEG       %8.1f ms\n", Median(save) * 1e3);
    std::printf("  load + resize + save    %8.1f ms\n", Median(total) * 1e3);
    DeleteFileW(input.c_str());
    DeleteFileW(output.c_str());
    return 0;
}
