#include "VirtualMicrophone.h"

#include <pthread.h>

#include <cmath>

#include "Pacing.h"

namespace qelaudioinput {

namespace {

constexpr double kToneHz = 440.0;
constexpr double kPulseHz = 0.5;
// Blocks this late are skipped (a suspended machine does not catch up with a burst).
constexpr int64_t kMaxLagUs = 200000;

}  // namespace

VirtualMicrophone::~VirtualMicrophone() {
    stop();
}

bool VirtualMicrophone::start(const CaptureFormat& format, BlockSink sink) {
    stop();
    m_format = format;
    m_sink = sink;
    m_block.assign(size_t(format.sampleRate * kBlockMs / 1000 * format.channels), 0);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void VirtualMicrophone::stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void VirtualMicrophone::run() {
    pthread_setname_np(pthread_self(), "qel-virtual-mic");
    const int frames = m_format.sampleRate * kBlockMs / 1000;
    const int64_t blockUs = int64_t(kBlockMs) * 1000;
    const double rate = m_format.sampleRate;
    int64_t sample = 0;
    int64_t due = monotonicUs() + blockUs;
    while (!m_stop) {
        sleepUntilUs(due);
        if (m_stop) {
            break;
        }
        for (int i = 0; i < frames; ++i, ++sample) {
            double t = double(sample) / rate;
            // Between about -26 dBFS and -6 dBFS.
            double level = 0.5 * (0.525 + 0.475 * std::sin(2 * M_PI * kPulseHz * t));
            auto v = int16_t(std::lround(32767.0 * level * std::sin(2 * M_PI * kToneHz * t)));
            for (int c = 0; c < m_format.channels; ++c) {
                m_block[size_t(i * m_format.channels + c)] = v;
            }
        }
        m_sink(reinterpret_cast<uint8_t*>(m_block.data()), int(m_block.size() * 2), due);
        due += blockUs;
        int64_t now = monotonicUs();
        if (now - due > kMaxLagUs) {
            due = now;
        }
    }
}

}  // namespace qelaudioinput
