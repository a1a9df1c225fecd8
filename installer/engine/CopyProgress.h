// How far the copy phase of an install has come, and how often its progress
// is worth painting. Free of Windows calls.
#pragma once

#include <cstdint>

// What the copy phase will copy, known before its first file: the files it
// copies (not those it keeps) and their bytes.
struct CopyTotals {
    uint32_t files = 0;
    uint64_t bytes = 0;
};

// The bar's range.
constexpr int kProgressRange = 1000;

// The bar's position for `filesDone` whole files and `bytesDone` bytes of
// `totals`, 0 to kProgressRange. Every file weighs a little besides its bytes,
// so that a run of small or empty files still moves the bar; a phase with
// nothing to copy is complete. Counts beyond the totals give the end.
int ProgressPosition(const CopyTotals& totals, uint32_t filesDone, uint64_t bytesDone);

// Paces the repaints of a progress display: painting every small file costs
// more than copying it. The first call is due, then one every `intervalMs`
// (a millisecond tick that may wrap), and always the final one.
class RepaintPacer {
public:
    explicit RepaintPacer(uint32_t intervalMs = 50) : intervalMs_(intervalMs) {}

    bool Due(uint32_t nowMs, bool final);

private:
    uint32_t intervalMs_;
    uint32_t lastMs_ = 0;
    bool started_ = false;
};
