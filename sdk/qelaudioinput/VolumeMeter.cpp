#include "VolumeMeter.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace qelaudioinput {

namespace {

constexpr double kFloorDb = -60.0;

}  // namespace

int volumeLevel(const unsigned char* data, int size) {
    int samples = size / 2;
    if (!data || samples <= 0) {
        return -1;
    }
    double sum = 0;
    for (int i = 0; i < samples; ++i) {
        int16_t s;
        std::memcpy(&s, data + 2 * i, 2);
        sum += double(s) * double(s);
    }
    double rms = std::sqrt(sum / samples) / 32768.0;
    if (rms <= 0) {
        return 0;
    }
    double db = 20.0 * std::log10(rms);
    long level = std::lround((db - kFloorDb) * 100.0 / -kFloorDb);
    return level < 0 ? 0 : level > 100 ? 100 : int(level);
}

}  // namespace qelaudioinput
