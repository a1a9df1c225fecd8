// Scaling, turns, blur, mosaic and a paint's composition, each beside its
// peer in the same run (OpenCV, libvips, a direct loop), on one thread and on
// all cores; then the quality of a shrink to 500 pixels on a zone plate and
// on fine stripes that this program draws, against ImageMagick's Lanczos
// resize of the same pictures. Prints figures; judges nothing.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/Compose.h"
#include "engine/Effects.h"
#include "imaging/Parallel.h"
#include "imaging/Pixels.h"

#include "BenchPicture.h"

#ifdef HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#ifdef HAVE_VIPS
#include <vips/vips.h>
#endif

namespace {

const int kRuns = 9;

// Best wall time of kRuns runs, in milliseconds: the machine may be shared,
// and the least disturbed run says most about the code.
double BestMs(const std::function<void()>& work) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Ours on one thread and on all cores, a peer likewise (0 where it has none).
struct Row {
    std::string work;
    double ours1, peer1, oursN, peerN;
    std::string peer;
};
std::vector<Row> rows;

// The four are run in turn, kRuns times, and each keeps its best: a load that
// comes and goes on a shared machine then slows all of them alike.
void Measure(const std::string& work,
             const std::string& peer,
             const std::function<void()>& ours,
             const std::function<void(bool allCores)>& theirs) {
    Row row{work, 1e30, 1e30, 1e30, 1e30, peer};
    auto time = [](const std::function<void()>& f) {
        auto start = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    for (int run = 0; run < kRuns; ++run) {
        SetParallelThreads(1);
        row.ours1 = std::min(row.ours1, time(ours));
        SetParallelThreads(0);
        row.oursN = std::min(row.oursN, time(ours));
        if (theirs) {
            row.peer1 = std::min(row.peer1, time([&] { theirs(false); }));
            row.peerN = std::min(row.peerN, time([&] { theirs(true); }));
        }
    }
    rows.push_back(row);
    std::printf("  %-34s ours %8.1f ms  %8.1f ms on %d threads\n", work.c_str(), row.ours1, row.oursN,
                ParallelThreads());
    std::fflush(stdout);
}

#ifdef HAVE_OPENCV
cv::Mat AsMat(const PixelImage& image) {
    return cv::Mat(image.height, image.width, CV_8UC3, image.bits.get(), image.stride);
}
void CvThreads(bool allCores) {
    cv::setNumThreads(allCores ? -1 : 1);
}
#endif

#ifdef HAVE_VIPS
// vips_reduce (Lanczos-3, no box step) into memory, which makes it run.
void VipsReduce(const PixelImage& from, int width, int height, std::vector<uint8_t>* out) {
    VipsImage* in =
        vips_image_new_from_memory(from.bits.get(), from.ByteCount(), from.width, from.height, 3, VIPS_FORMAT_UCHAR);
    // Rows padded to 4 bytes are not vips's layout: only for strides without
    // padding (every size used here).
    VipsImage* reduced = nullptr;
    if (in && vips_reduce(in, &reduced, double(from.width) / width, double(from.height) / height, "kernel",
                          VIPS_KERNEL_LANCZOS3, nullptr) == 0) {
        size_t size = 0;
        void* bytes = vips_image_write_to_memory(reduced, &size);
        if (out && bytes) {
            out->assign(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size);
        }
        g_free(bytes);
        g_object_unref(reduced);
    }
    if (in) {
        g_object_unref(in);
    }
}
#endif

void SpeedFigures() {
    std::printf("Speed, best of %d runs (wall time)\n", kRuns);
    PixelImage big = Photo(6000, 4000);
    const int sizes[][2] = {{500, 333}, {1600, 1067}};
    for (const auto& size : sizes) {
        std::string work = "shrink 6000x4000 to " + std::to_string(size[0]);
        auto ours = [&] {
            PixelImage to;
            ResizePixels(big, size[0], size[1], to);
        };
#ifdef HAVE_OPENCV
        Measure(work, "cv::resize INTER_AREA", ours, [&](bool all) {
            CvThreads(all);
            cv::Mat to;
            cv::resize(AsMat(big), to, cv::Size(size[0], size[1]), 0, 0, cv::INTER_AREA);
        });
#else
        Measure(work, "", ours, nullptr);
#endif
#ifdef HAVE_VIPS
        Row vips = rows.back();
        vips.peer = "vips_reduce Lanczos-3";
        vips_concurrency_set(1);
        vips.peer1 = BestMs([&] { VipsReduce(big, size[0], size[1], nullptr); });
        vips_concurrency_set(0);
        vips.peerN = BestMs([&] { VipsReduce(big, size[0], size[1], nullptr); });
        rows.push_back(vips);
#endif
    }
    {
        PixelImage small = Photo(640, 480);
        auto ours = [&] {
            PixelImage to;
            ResizePixels(small, 1600, 1200, to);
        };
#ifdef HAVE_OPENCV
        Measure("enlarge 640x480 to 1600", "cv::resize INTER_CUBIC", ours, [&](bool all) {
            CvThreads(all);
            cv::Mat to;
            cv::resize(AsMat(small), to, cv::Size(1600, 1200), 0, 0, cv::INTER_CUBIC);
        });
#else
        Measure("enlarge 640x480 to 1600", "", ours, nullptr);
#endif
    }
    {
        auto ours = [&] {
            PixelImage to;
            RotatePixels(big, 90, to);
        };
#ifdef HAVE_OPENCV
        Measure("quarter turn 6000x4000", "cv::rotate", ours, [&](bool all) {
            CvThreads(all);
            cv::Mat to;
            cv::rotate(AsMat(big), to, cv::ROTATE_90_CLOCKWISE);
        });
#else
        Measure("quarter turn 6000x4000", "", ours, nullptr);
#endif
    }
    big = PixelImage();

    // The region effects over a fully selected 4000 x 3000 picture.
    const int w = 4000, h = 3000;
    PixelImage working = Photo(w, h);
    std::vector<uint8_t> display(working.bits.get(), working.bits.get() + working.ByteCount());
    std::vector<uint8_t> mask(working.ByteCount(), 30);
    {
        auto ours = [&] { BlurRegion(working.bits.get(), display.data(), mask.data(), w, h, 20); };
#ifdef HAVE_OPENCV
        cv::Mat blurred(h, w, CV_8UC3);
        Measure("blur r=20 4000x3000", "cv::blur 40x40", ours, [&](bool all) {
            CvThreads(all);
            cv::blur(AsMat(working), blurred, cv::Size(40, 40));
        });
#else
        Measure("blur r=20 4000x3000", "", ours, nullptr);
#endif
    }
    {
        auto ours = [&] { MosaicRegion(working.bits.get(), display.data(), mask.data(), w, h, 10); };
        // The plainest loop with the same output: every selected pixel takes
        // its block's first pixel, byte by byte.
        auto direct = [&](bool) {
            const size_t stride = working.stride;
            for (int y = 0; y < h; ++y) {
                const uint8_t* sampleRow = working.bits.get() + stride * size_t(y / 10 * 10);
                uint8_t* target = display.data() + stride * size_t(y);
                const uint8_t* m = mask.data() + stride * size_t(y);
                for (int x = 0; x < w; ++x) {
                    if (m[3 * x]) {
                        const uint8_t* sample = sampleRow + 3 * size_t(x / 10 * 10);
                        target[3 * x] = sample[0];
                        target[3 * x + 1] = sample[1];
                        target[3 * x + 2] = sample[2];
                    }
                }
            }
        };
        Measure("mosaic block 10 4000x3000", "a direct loop (one thread)", ours, direct);
    }
    {
        std::vector<uint8_t> layers[4];
        for (int i = 0; i < 4; ++i) {
            layers[i].assign(working.ByteCount(), 0);
            for (size_t j = size_t(i); j < layers[i].size(); j += 13) {
                layers[i][j] = uint8_t(40 * (i + 1));
            }
        }
        // A save with the watermark on: both text pairs read over the whole
        // picture (a paint reads the composed copy instead, see the overlay
        // benchmark).
        const PixelBox whole = {0, 0, w, h};
        const LayerPair copyright = {layers[0].data(), layers[1].data(), whole, whole};
        const LayerPair watermark = {layers[2].data(), layers[3].data(), whole, whole};
        const PixelPlane plane = {display.data(), working.stride, w, h};
        std::vector<uint8_t> frame(working.ByteCount());
        auto ours = [&] { ComposeBox(plane, copyright, watermark, nullptr, whole, frame.data(), working.stride); };
        Measure("a save's composition 4000x3000", "memcpy of the frame", ours,
                [&](bool) { std::memcpy(frame.data(), display.data(), frame.size()); });
    }

    std::printf("\n%-34s %-28s %9s %9s %6s   %9s %9s %6s\n", "work", "peer", "ours 1T", "peer 1T", "ratio", "ours all",
                "peer all", "ratio");
    for (const Row& row : rows) {
        if (row.peer.empty()) {
            std::printf("%-34s %-28s %9.1f %9s %6s   %9.1f\n", row.work.c_str(), "(not built in)", row.ours1, "", "",
                        row.oursN);
            continue;
        }
        std::printf("%-34s %-28s %9.1f %9.1f %6.2f   %9.1f %9.1f %6.2f\n", row.work.c_str(), row.peer.c_str(),
                    row.ours1, row.peer1, row.ours1 / row.peer1, row.oursN, row.peerN, row.oursN / row.peerN);
    }
}

// --- Quality -------------------------------------------------------------

// Grey pictures as doubles, top row first.
struct Grey {
    int width = 0, height = 0;
    std::vector<double> v;
    double& at(int x, int y) { return v[size_t(y) * size_t(width) + size_t(x)]; }
    double at(int x, int y) const { return v[size_t(y) * size_t(width) + size_t(x)]; }
};

Grey GreyOf(const PixelImage& image) {
    Grey g{image.width, image.height, std::vector<double>(size_t(image.width) * size_t(image.height))};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            g.at(x, y) = image.DisplayRow(y)[3 * x + 1];
        }
    }
    return g;
}

PixelImage Draw(int width, int height, const std::function<double(int, int)>& value) {
    PixelImage image;
    AllocatePixels(image, width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.DisplayRow(y);
        for (int x = 0; x < width; ++x) {
            uint8_t v = uint8_t(std::clamp(std::lround(value(x, y)), 0L, 255L));
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
        }
    }
    return image;
}

// Frequency k r cycles per pixel at distance r from the centre: 0 there, the
// source's Nyquist limit (0.5) at the corners.
const int kSourceW = 6000, kSourceH = 4000;
double ZoneFrequencyPerRadius() {
    return 0.5 / std::hypot(kSourceW / 2.0, kSourceH / 2.0);
}
PixelImage ZonePlate() {
    double k = ZoneFrequencyPerRadius();
    return Draw(kSourceW, kSourceH, [k](int x, int y) {
        double dx = x + 0.5 - kSourceW / 2.0, dy = y + 0.5 - kSourceH / 2.0;
        return 127.5 + 127.5 * std::cos(3.14159265358979323846 * k * (dx * dx + dy * dy));
    });
}

// Five bands of vertical black and white stripes, periods 8 to 16 pixels.
const int kStripePeriods[] = {8, 10, 12, 14, 16};
PixelImage Stripes() {
    return Draw(kSourceW, kSourceH, [](int x, int y) {
        int period = kStripePeriods[std::min(4, y / (kSourceH / 5))];
        return (x % period) * 2 < period ? 0.0 : 255.0;
    });
}

bool WritePpm(const PixelImage& image, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
    std::vector<uint8_t> line(size_t(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.DisplayRow(y);
        for (int x = 0; x < image.width; ++x) {
            line[3 * x] = row[3 * x + 2];
            line[3 * x + 1] = row[3 * x + 1];
            line[3 * x + 2] = row[3 * x];
        }
        std::fwrite(line.data(), 1, line.size(), file);
    }
    return std::fclose(file) == 0;
}

bool ReadPpm(const std::string& path, Grey* grey) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    int w = 0, h = 0, most = 0;
    bool ok = std::fscanf(file, "P6 %d %d %d", &w, &h, &most) == 3 && most == 255 && std::fgetc(file) != EOF && w > 0 &&
              h > 0;
    if (ok) {
        std::vector<uint8_t> bytes(size_t(w) * size_t(h) * 3);
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
        *grey = Grey{w, h, std::vector<double>(size_t(w) * size_t(h))};
        for (size_t i = 0; ok && i < grey->v.size(); ++i) {
            grey->v[i] = bytes[3 * i + 1];
        }
    }
    std::fclose(file);
    return ok;
}

// ImageMagick's `convert -filter Lanczos -resize WxH!` of the picture.
bool MagickReference(const PixelImage& image, int width, int height, Grey* grey) {
    std::string in = "/tmp/tandrel-bench-in.ppm", out = "/tmp/tandrel-bench-ref.ppm";
    if (!WritePpm(image, in)) {
        return false;
    }
    std::string command = "convert " + in + " -filter Lanczos -resize " + std::to_string(width) + "x" +
                          std::to_string(height) + "! " + out + " 2>/dev/null";
    bool ok = std::system(command.c_str()) == 0 && ReadPpm(out, grey);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return ok;
}

// Mean SSIM with the usual 11 x 11 Gaussian window (sigma 1.5).
double Ssim(const Grey& a, const Grey& b) {
    const int w = a.width, h = a.height;
    double kernel[11], total = 0;
    for (int i = 0; i < 11; ++i) {
        kernel[i] = std::exp(-(i - 5) * (i - 5) / (2 * 1.5 * 1.5));
        total += kernel[i];
    }
    for (double& k : kernel) {
        k /= total;
    }
    auto blur = [&](const std::vector<double>& in) {
        std::vector<double> across(in.size()), out(in.size());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double s = 0;
                for (int i = 0; i < 11; ++i) {
                    s += kernel[i] * in[size_t(y) * w + std::clamp(x + i - 5, 0, w - 1)];
                }
                across[size_t(y) * w + x] = s;
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double s = 0;
                for (int i = 0; i < 11; ++i) {
                    s += kernel[i] * across[size_t(std::clamp(y + i - 5, 0, h - 1)) * w + x];
                }
                out[size_t(y) * w + x] = s;
            }
        }
        return out;
    };
    std::vector<double> aa(a.v.size()), bb(a.v.size()), ab(a.v.size());
    for (size_t i = 0; i < a.v.size(); ++i) {
        aa[i] = a.v[i] * a.v[i];
        bb[i] = b.v[i] * b.v[i];
        ab[i] = a.v[i] * b.v[i];
    }
    std::vector<double> ma = blur(a.v), mb = blur(b.v), saa = blur(aa), sbb = blur(bb), sab = blur(ab);
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double sum = 0;
    for (size_t i = 0; i < a.v.size(); ++i) {
        double va = saa[i] - ma[i] * ma[i], vb = sbb[i] - mb[i] * mb[i], cov = sab[i] - ma[i] * mb[i];
        sum += (2 * ma[i] * mb[i] + c1) * (2 * cov + c2) / ((ma[i] * ma[i] + mb[i] * mb[i] + c1) * (va + vb + c2));
    }
    return sum / double(a.v.size());
}

// RMS distance from mid grey of the zone plate's shrink where the drawn
// frequency lies between lo and hi times the shrink's Nyquist limit: all of it
// should have been filtered out, so whatever is left is false pattern.
double ZoneMoire(const Grey& g, double lo, double hi) {
    double scale = double(kSourceW) / g.width, k = ZoneFrequencyPerRadius();
    double nyquist = 0.5 / scale;  // in cycles per source pixel
    double sum = 0;
    int n = 0;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            double r = std::hypot((x + 0.5) * scale - kSourceW / 2.0,
                                  (y + 0.5) * double(kSourceH) / g.height - kSourceH / 2.0);
            double f = k * r / nyquist;
            if (f >= lo && f < hi) {
                double d = g.at(x, y) - 127.5;
                sum += d * d;
                ++n;
            }
        }
    }
    return n ? std::sqrt(sum / n) : 0.0;
}

// RMS around its mean of each stripe band's inside, where the stripes lie
// above the shrink's Nyquist limit and should become even grey.
std::vector<double> StripeMoire(const Grey& g) {
    std::vector<double> out;
    int band = g.height / 5;
    for (int b = 0; b < 5; ++b) {
        double sum = 0, sum2 = 0;
        int n = 0;
        for (int y = b * band + 5; y < (b + 1) * band - 5; ++y) {
            for (int x = 5; x < g.width - 5; ++x) {
                sum += g.at(x, y);
                sum2 += g.at(x, y) * g.at(x, y);
                ++n;
            }
        }
        double mean = sum / n;
        out.push_back(std::sqrt(std::max(0.0, sum2 / n - mean * mean)));
    }
    return out;
}

void QualityLine(const char* who, const Grey& zone, const Grey& zoneRef, const Grey* stripes, const Grey* stripesRef) {
    std::printf("  %-24s SSIM %.4f  zone plate false pattern %5.2f (1.5-2x) %5.2f (2-3x) %5.2f (4-5x)", who,
                Ssim(zone, zoneRef), ZoneMoire(zone, 1.5, 2), ZoneMoire(zone, 2, 3), ZoneMoire(zone, 4, 5));
    if (stripes) {
        std::vector<double> m = StripeMoire(*stripes);
        std::printf("  stripes");
        for (double v : m) {
            std::printf(" %5.2f", v);
        }
        if (stripesRef) {
            std::printf("  (SSIM %.4f)", Ssim(*stripes, *stripesRef));
        }
    }
    std::printf("\n");
}

void QualityFigures() {
    std::printf("\nQuality of shrinks of a %d x %d zone plate and of stripes (periods", kSourceW, kSourceH);
    for (int p : kStripePeriods) {
        std::printf(" %d", p);
    }
    std::printf(" px); SSIM against ImageMagick's -filter Lanczos -resize, false pattern in grey levels RMS\n");
    PixelImage zone = ZonePlate();
    PixelImage stripes = Stripes();
    // The three preset sizes and a desktop.
    const int sizes[][2] = {{500, 333}, {320, 213}, {160, 107}, {1600, 1067}};
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        std::printf(" to %d x %d\n", w, h);
        Grey zoneRef, stripesRef;
        bool withStripes = w <= 500;  // at 1600 the stripes are below Nyquist: real detail
        if (!MagickReference(zone, w, h, &zoneRef) || (withStripes && !MagickReference(stripes, w, h, &stripesRef))) {
            std::printf("  ImageMagick's convert did not run; no reference\n");
            return;
        }
        QualityLine("ImageMagick Lanczos", zoneRef, zoneRef, withStripes ? &stripesRef : nullptr, nullptr);
        PixelImage ours, oursStripes;
        ResizePixels(zone, w, h, ours);
        if (withStripes) {
            ResizePixels(stripes, w, h, oursStripes);
        }
        Grey oursStripesGrey = withStripes ? GreyOf(oursStripes) : Grey();
        QualityLine("ours", GreyOf(ours), zoneRef, withStripes ? &oursStripesGrey : nullptr, &stripesRef);
#ifdef HAVE_VIPS
        auto vipsGrey = [&](const PixelImage& from) {
            std::vector<uint8_t> bytes;
            VipsReduce(from, w, h, &bytes);
            Grey g{w, h, std::vector<double>(size_t(w) * h)};
            for (size_t i = 0; i < g.v.size() && 3 * i + 1 < bytes.size(); ++i) {
                g.v[i] = bytes[3 * i + 1];
            }
            return g;
        };
        Grey vipsZone = vipsGrey(zone);
        Grey vipsStripes = withStripes ? vipsGrey(stripes) : Grey();
        QualityLine("vips_reduce Lanczos-3", vipsZone, zoneRef, withStripes ? &vipsStripes : nullptr, &stripesRef);
#endif
#ifdef HAVE_OPENCV
        auto cvGrey = [&](const PixelImage& from) {
            cv::Mat to;
            cv::resize(AsMat(from), to, cv::Size(w, h), 0, 0, cv::INTER_AREA);
            Grey g{w, h, std::vector<double>(size_t(w) * h)};
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    // AsMat sees buffer rows, bottom-up: display row y is Mat row h - 1 - y.
                    g.at(x, y) = to.ptr<uint8_t>(h - 1 - y)[3 * x + 1];
                }
            }
            return g;
        };
        Grey cvZone = cvGrey(zone);
        Grey cvStripes = withStripes ? cvGrey(stripes) : Grey();
        QualityLine("cv::resize INTER_AREA", cvZone, zoneRef, withStripes ? &cvStripes : nullptr, &stripesRef);
#endif
    }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef HAVE_VIPS
    if (VIPS_INIT(argv[0])) {
        return 1;
    }
#endif
    bool speed = true, quality = true;
    for (int i = 1; i < argc; ++i) {
        speed = speed && std::strcmp(argv[i], "--quality") != 0;
        quality = quality && std::strcmp(argv[i], "--speed") != 0;
    }
    if (speed) {
        SpeedFigures();
    }
    if (quality) {
        QualityFigures();
    }
    return 0;
}
