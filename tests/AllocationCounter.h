// Counts the heap allocations of this process (global operator new), for tests and benchmarks
// that check what a piece of work allocates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace allocation {

/// Allocations made through operator new since the process started.
uint64_t Count();
/// Bytes held now through operator new (usable sizes, so a little above what was asked).
int64_t BytesInUse();
/// The highest BytesInUse since the last ResetPeak.
int64_t PeakBytes();
/// Starts a new peak from the bytes in use now.
void ResetPeak();

}  // namespace allocation
