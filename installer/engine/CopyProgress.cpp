#include "engine/CopyProgress.h"

namespace {

// What a file weighs besides its bytes: about what creating one costs.
constexpr uint64_t kFileWeight = 4096;

}  // namespace

int ProgressPosition(const CopyTotals& totals, uint32_t filesDone, uint64_t bytesDone) {
    const uint64_t whole = totals.files * kFileWeight + totals.bytes;
    if (whole == 0) {
        return kProgressRange;
    }
    uint64_t done = (filesDone < totals.files ? filesDone : totals.files) * kFileWeight +
                    (bytesDone < totals.bytes ? bytesDone : totals.bytes);
    // Scaled down first where the product could overflow: a total beyond
    // 2^54 bytes loses nothing the bar could show.
    uint64_t scale = 1;
    while (whole / scale > (UINT64_MAX / kProgressRange)) {
        scale *= 2;
    }
    return static_cast<int>((done / scale) * kProgressRange / (whole / scale));
}

bool RepaintPacer::Due(uint32_t nowMs, bool final) {
    if (!final && started_ && nowMs - lastMs_ < intervalMs_) {
        return false;
    }
    started_ = true;
    lastMs_ = nowMs;
    return true;
}
