#include "Pacing.h"

#include <errno.h>
#include <time.h>

namespace qelaudioinput {

void sleepUntilUs(int64_t us) {
    timespec ts;
    ts.tv_sec = time_t(us / 1000000);
    ts.tv_nsec = long(us % 1000000) * 1000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

}  // namespace qelaudioinput
