// What this thread asked of operator new: the core tests' program replaces the global operator
// new to count it, so that a test can tell a loop that reuses its buffers from one that makes
// fresh ones each time round.
#pragma once

#include <cstdint>

// Bytes this thread has asked of operator new since it started.
int64_t ThreadAllocatedBytes();
