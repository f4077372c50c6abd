// Counts heap allocations of the whole process (every thread, every library): the benchmark
// executable defines malloc and friends itself and forwards them to glibc.
#ifndef ALLOCATION_COUNTER_H
#define ALLOCATION_COUNTER_H

namespace AllocationCounter {
long long count();
}

#endif
