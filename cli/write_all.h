// Writing a whole buffer to a descriptor: write() may take it in parts, or
// be interrupted by a signal before it takes any.
#pragma once

#include <cstddef>

// Writes the `size` bytes at `data` to `descriptor`: 0 when all of them were
// written, else the errno of the write that failed (EIO for one that took
// nothing).
int WriteAll(int descriptor, const char* data, std::size_t size);
