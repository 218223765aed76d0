// A chunk mapped from the input stays readable when another program shortens the input while
// the chunk is being sorted: the vanished pages read as zeros instead of stopping the program,
// and the chunk writers see Lost() and end the run with 113 rather than write those zeros.
#pragma once

#include <cstddef>

namespace kvt::platform::mapping_guard {

// Watches the mapped bytes [start, start + size); installs the system's handler on first use.
void Watch(const void* start, size_t size);
void Unwatch();
// True when a page of a watched mapping vanished since the run started.
bool Lost();
// Forgets an earlier loss (a new run in the same process).
void Reset();

}  // namespace kvt::platform::mapping_guard
