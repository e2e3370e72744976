// Out of memory on demand: this program's global operator new fails from the
// n-th allocation on, on the calling thread only, until told to stop.
#pragma once

#include <cstddef>

// Allocations from the n-th (0 for the next one) on throw std::bad_alloc.
void FailAllocationsFrom(std::size_t n);
// Allocations succeed again. True when any failed since FailAllocationsFrom.
bool StopFailingAllocations();
