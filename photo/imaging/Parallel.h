// Splits row work over the machine's cores: a few worker threads of our own,
// started on first use and kept for the life of the process. Free of
// windows.h (std::thread is the platform's thread in our builds).
#pragma once

#include <functional>

// Calls body(begin, end) over consecutive bands that together cover
// [0, count) once, each at least `grain` items long (the last may be shorter),
// on the calling thread and the workers, and returns when all are done. A
// band's result must not depend on where the bands are cut: that keeps the
// output byte-identical to one thread. While another caller has the workers,
// the whole range runs on this thread. False, with some bands perhaps not
// done, when a band threw (memory short for its scratch rows); bodies may
// throw only std::bad_alloc.
bool ParallelFor(int count, int grain, const std::function<void(int begin, int end)>& body);

// How many threads share the work from now on (1 = the caller alone; 0 = one
// per core, the default). For tests and benchmarks that compare the two.
void SetParallelThreads(int threads);
int ParallelThreads();
