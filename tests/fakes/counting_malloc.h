// The counting allocator of the allocation tests.
#pragma once

#include <atomic>

extern std::atomic<bool> allocation_counting;
extern std::atomic<long> allocation_count;
