// Figures for the region effects, the layer softening and a paint's
// composition on a 4000 x 3000 picture, fully selected. Where OpenCV is
// available its box filter with a (2r) x (2r) kernel on the same picture is
// timed too, and the ratios ours / OpenCV are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/Compose.h"
#include "engine/Effects.h"

#ifdef HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

const int kWidth = 4000;
const int kHeight = 3000;

struct Frame {
    std::vector<uint8_t> working, display, mask;
    Frame() : working(RowStride(kWidth) * kHeight), display(working.size()), mask(working.size(), 30) {
        std::mt19937 random(1);
        for (uint8_t& byte : working) {
            byte = static_cast<uint8_t>(random());
        }
        display = working;
    }
};

Frame& SharedFrame() {
    static Frame frame;
    return frame;
}

void BM_Blur(benchmark::State& state) {
    Frame& f = SharedFrame();
    int r = static_cast<int>(state.range(0));
    for (auto _ : state) {
        BlurRegion(f.working.data(), f.display.data(), f.mask.data(), kWidth, kHeight, r);
        benchmark::DoNotOptimize(f.display.data());
    }
}
BENCHMARK(BM_Blur)->Arg(5)->Arg(20)->Arg(80)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

void BM_Mosaic(benchmark::State& state) {
    Frame& f = SharedFrame();
    for (auto _ : state) {
        MosaicRegion(f.working.data(), f.display.data(), f.mask.data(), kWidth, kHeight, 10);
        benchmark::DoNotOptimize(f.display.data());
    }
}
BENCHMARK(BM_Mosaic)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SmoothLayer(benchmark::State& state) {
    std::vector<uint8_t> layer(RowStride(kWidth) * kHeight);
    // Text-like content: grey strokes on black.
    for (size_t i = 0; i < layer.size(); i += 7) {
        layer[i] = (i / 4096) % 3 ? 0 : 180;
    }
    for (auto _ : state) {
        SmoothLayer(layer.data(), kWidth, kHeight);
        benchmark::DoNotOptimize(layer.data());
    }
}
BENCHMARK(BM_SmoothLayer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Compose(benchmark::State& state) {
    Frame& f = SharedFrame();
    std::vector<uint8_t> layers[4];
    for (int i = 0; i < 4; ++i) {
        layers[i].assign(f.working.size(), 0);
        for (size_t j = static_cast<size_t>(i); j < layers[i].size(); j += 13) {
            layers[i][j] = static_cast<uint8_t>(40 * (i + 1));
        }
    }
    LayerPixels pixels = {layers[0].data(), layers[1].data(), layers[2].data(), layers[3].data(), f.mask.data()};
    std::vector<uint8_t> frame(f.working.size());
    for (auto _ : state) {
        // A paint copies `display` into a fresh composite, then combines.
        frame = f.display;
        ComposeFrame(frame.data(), frame.size(), pixels, true);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_Compose)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef HAVE_OPENCV
void CvBlur(benchmark::State& state) {
    Frame& f = SharedFrame();
    int r = static_cast<int>(state.range(0));
    cv::Mat source(kHeight, kWidth, CV_8UC3, f.working.data(), RowStride(kWidth));
    cv::Mat target(kHeight, kWidth, CV_8UC3);
    for (auto _ : state) {
        cv::blur(source, target, cv::Size(2 * r, 2 * r));
        benchmark::DoNotOptimize(target.data);
    }
}

void BM_CvBlur(benchmark::State& state) {
    cv::setNumThreads(-1);
    CvBlur(state);
}
BENCHMARK(BM_CvBlur)->Arg(5)->Arg(20)->Arg(80)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

void BM_CvBlurOneThread(benchmark::State& state) {
    cv::setNumThreads(1);
    CvBlur(state);
    cv::setNumThreads(-1);
}
BENCHMARK(BM_CvBlurOneThread)->Arg(5)->Arg(20)->Arg(80)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
#endif

// Remembers each benchmark's best time per iteration over its repetitions, so
// that the ratios are printed from the runs that other work on a shared
// machine disturbed least.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> milliseconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) {
                continue;
            }
            std::string name = run.run_name.function_name + "/" + run.run_name.args;
            double time = run.GetAdjustedRealTime();
            auto known = milliseconds.find(name);
            if (known == milliseconds.end() || time < known->second) {
                milliseconds[name] = time;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
#ifdef HAVE_OPENCV
    std::printf(
        "\nBlur of %d x %d, fully selected, best of the repetitions: ours / cv::blur with a (2r) x (2r) kernel\n",
        kWidth, kHeight);
    for (int r : {5, 20, 80}) {
        std::string suffix = "/" + std::to_string(r);
        auto ours = reporter.milliseconds.find("BM_Blur" + suffix);
        auto cv = reporter.milliseconds.find("BM_CvBlur" + suffix);
        auto cvOne = reporter.milliseconds.find("BM_CvBlurOneThread" + suffix);
        if (ours == reporter.milliseconds.end() || cv == reporter.milliseconds.end() ||
            cvOne == reporter.milliseconds.end()) {
            continue;
        }
        std::printf(
            "  r = %2d: ours %7.1f ms, OpenCV %7.1f ms (ratio %.2f), OpenCV on one thread %7.1f ms (ratio %.2f)\n", r,
            ours->second, cv->second, ours->second / cv->second, cvOne->second, ours->second / cvOne->second);
    }
#endif
    return 0;
}
