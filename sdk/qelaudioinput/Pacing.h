// The clock the virtual devices keep, so that they deliver and consume sound like a sound card.
#ifndef QELAUDIOINPUT_PACING_H
#define QELAUDIOINPUT_PACING_H

#include <cstdint>

namespace qelaudioinput {

// Sound moves in blocks of this many milliseconds.
constexpr int kBlockMs = 10;

// Sleeps until `us` on CLOCK_MONOTONIC (the clock of monotonicUs()), through interruptions.
void sleepUntilUs(int64_t us);

}  // namespace qelaudioinput

#endif
