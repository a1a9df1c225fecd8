// Our image library's pixel work and a paint's composition, with OpenCV's
// resize beside ours where it is installed. Prints figures; judges nothing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/Compose.h"
#include "imaging/Pixels.h"

#include "BenchPicture.h"

#ifdef HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

void Resize(benchmark::State& state, int width, int height, int toWidth, int toHeight) {
    PixelImage from = Photo(width, height);
    for (auto _ : state) {
        PixelImage to;
        ResizePixels(from, toWidth, toHeight, to);
        benchmark::DoNotOptimize(to.bits.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.ByteCount()));
}

void BM_Resize_6000x4000_to_500(benchmark::State& state) {
    Resize(state, 6000, 4000, 500, 333);
}
void BM_Resize_640x480_to_1600(benchmark::State& state) {
    Resize(state, 640, 480, 1600, 1200);
}

void BM_Rotate90_6000x4000(benchmark::State& state) {
    PixelImage from = Photo(6000, 4000);
    for (auto _ : state) {
        PixelImage to;
        RotatePixels(from, 90, to);
        benchmark::DoNotOptimize(to.bits.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.ByteCount()));
}

// One paint's composition over a 2000 x 1500 picture: the frame copied from
// the displayed picture, then the passes; its bytes per second are the
// frame's size, as for the plain copy below.
struct Frame {
    size_t size = StrideOf(2000) * 1500;
    std::vector<uint8_t> display, frame, layers[5];
    Frame() : display(size, 90), frame(size) {
        for (int k = 0; k < 5; ++k) {
            layers[k].assign(size, 0);
            for (size_t i = size_t(k) * 7919; i < size; i += 97) {
                layers[k][i] = uint8_t(40 + 30 * k);
            }
        }
    }
};

void Compose(benchmark::State& state, bool tint) {
    Frame f;
    LayerPixels layers = {f.layers[0].data(), f.layers[1].data(), f.layers[2].data(), f.layers[3].data(),
                          f.layers[4].data()};
    for (auto _ : state) {
        std::memcpy(f.frame.data(), f.display.data(), f.size);
        ComposeFrame(f.frame.data(), f.size, layers, tint);
        benchmark::DoNotOptimize(f.frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size));
}

void BM_Compose_2000x1500(benchmark::State& state) {
    Compose(state, false);
}
void BM_Compose_2000x1500_tint(benchmark::State& state) {
    Compose(state, true);
}

void BM_ComposePassesOnly_2000x1500(benchmark::State& state) {
    Frame f;
    LayerPixels layers = {f.layers[0].data(), f.layers[1].data(), f.layers[2].data(), f.layers[3].data(),
                          f.layers[4].data()};
    std::memcpy(f.frame.data(), f.display.data(), f.size);
    for (auto _ : state) {
        ComposeFrame(f.frame.data(), f.size, layers, false);
        benchmark::DoNotOptimize(f.frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size));
}

void BM_Memcpy_2000x1500(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        std::memcpy(f.frame.data(), f.display.data(), f.size);
        benchmark::DoNotOptimize(f.frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size));
}

BENCHMARK(BM_Resize_6000x4000_to_500)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Resize_640x480_to_1600)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Rotate90_6000x4000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Compose_2000x1500)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Compose_2000x1500_tint)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ComposePassesOnly_2000x1500)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Memcpy_2000x1500)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef HAVE_OPENCV
// The same resizes through cv::resize with INTER_AREA, on one thread as ours.
void OpenCvResize(benchmark::State& state,
                  int width,
                  int height,
                  int toWidth,
                  int toHeight,
                  int interpolation = cv::INTER_AREA) {
    cv::setNumThreads(1);
    PixelImage from = Photo(width, height);
    cv::Mat source(height, width, CV_8UC3, from.bits.get(), from.stride);
    for (auto _ : state) {
        cv::Mat to;
        cv::resize(source, to, cv::Size(toWidth, toHeight), 0, 0, interpolation);
        benchmark::DoNotOptimize(to.data);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.ByteCount()));
}
void BM_OpenCv_Resize_6000x4000_to_500(benchmark::State& state) {
    OpenCvResize(state, 6000, 4000, 500, 333);
}
void BM_OpenCv_Resize_640x480_to_1600(benchmark::State& state) {
    OpenCvResize(state, 640, 480, 1600, 1200);
}
BENCHMARK(BM_OpenCv_Resize_6000x4000_to_500)->Unit(benchmark::kMillisecond)->MinTime(2.0);
// Enlarging, INTER_AREA is bilinear (2 x 2 taps); ours is a cubic (4 x 4), as
// INTER_CUBIC is.
void BM_OpenCvCubic_Resize_640x480_to_1600(benchmark::State& state) {
    OpenCvResize(state, 640, 480, 1600, 1200, cv::INTER_CUBIC);
}
BENCHMARK(BM_OpenCv_Resize_640x480_to_1600)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCvCubic_Resize_640x480_to_1600)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

// Keeps each benchmark's time per iteration for the comparisons at the end.
class Recorder : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    std::map<std::string, double> cpuSeconds;
    std::map<std::string, double> bytesPerSecond;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            std::string name = run.benchmark_name();
            seconds[name] = run.GetAdjustedRealTime() / 1e3;  // reported in milliseconds
            cpuSeconds[name] = run.GetAdjustedCPUTime() / 1e3;
            auto rate = run.counters.find("bytes_per_second");
            if (rate != run.counters.end()) {
                bytesPerSecond[name] = rate->second;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    // Time per run by name prefix; CPU time, as the machine may be shared.
    auto seconds = [&](const std::string& prefix) {
        for (const auto& entry : recorder.cpuSeconds) {
            if (entry.first.rfind(prefix, 0) == 0) {
                return entry.second;
            }
        }
        return 0.0;
    };
    std::printf("\n");
    struct {
        const char* ours;
        const char* theirs;
        const char* label;
    } pairs[] = {
        {"BM_Resize_6000x4000_to_500", "BM_OpenCv_Resize_6000x4000_to_500", "shrink 6000x4000 to 500, vs INTER_AREA"},
        {"BM_Resize_640x480_to_1600", "BM_OpenCv_Resize_640x480_to_1600", "enlarge 640x480 to 1600, vs INTER_AREA"},
        {"BM_Resize_640x480_to_1600", "BM_OpenCvCubic_Resize_640x480_to_1600",
         "enlarge 640x480 to 1600, vs INTER_CUBIC"},
    };
    for (const auto& pair : pairs) {
        double ours = seconds(pair.ours), theirs = seconds(pair.theirs);
        if (ours > 0 && theirs > 0) {
            std::printf("%-42s ours %7.2f ms, OpenCV %7.2f ms (CPU), ours / OpenCV = %.2f\n", pair.label, ours * 1e3,
                        theirs * 1e3, ours / theirs);
        } else if (ours > 0) {
            std::printf("%-42s ours %7.2f ms (CPU), OpenCV not built in\n", pair.label, ours * 1e3);
        }
    }
    for (const auto& entry : recorder.bytesPerSecond) {
        if (entry.first.find("Compose") != std::string::npos || entry.first.find("Memcpy") != std::string::npos) {
            std::printf("%-40s %6.2f GB/s of frame\n", entry.first.c_str(), entry.second / 1e9);
        }
    }
    return 0;
}
