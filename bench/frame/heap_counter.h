// Counts heap allocations through the benchmark's replacements of the global operator new (every
// form), made on any thread by any C++ code in the process: the program, the C++ standard
// library and the driver's C++ parts. C code calling malloc directly is not counted.
#pragma once

#include <cstdint>

uint64_t heapAllocations();
