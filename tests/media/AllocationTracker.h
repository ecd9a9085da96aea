// The largest buffer the decoders asked for since the last reset. They allocate their big
// buffers with new (std::nothrow) T[n]; this test program replaces that operator to watch it.
#pragma once

#include <cstddef>

namespace imagetest {
void ResetLargestAllocation();
size_t LargestAllocation();
}  // namespace imagetest
