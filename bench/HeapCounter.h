#pragma once
// Counts the heap that goes through operator new in this benchmark program: the bytes live now,
// the most live at any time since the last reset, and the number of allocations. Qt allocates its
// image memory with malloc, which this does not see; the benchmark adds a picture's own size.

#include <cstddef>
#include <cstdint>

namespace ostrel::bench::heap {

std::int64_t LiveBytes();
std::int64_t PeakBytes();
std::int64_t Allocations();
// Starts a new peak at the bytes live now.
void ResetPeak();

} // namespace ostrel::bench::heap
