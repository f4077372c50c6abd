#include "VirtualOutput.h"

#include <pthread.h>

#include <algorithm>

#include "CaptureSource.h"
#include "Pacing.h"

namespace qelaudioinput {

VirtualOutput::~VirtualOutput() {
    stop();
}

bool VirtualOutput::start(std::vector<int16_t> samples, int channels, int sampleRate) {
    stop();
    m_samples = std::move(samples);
    m_channels = channels;
    m_position.store(0, std::memory_order_relaxed);
    m_stop = false;
    m_playing = true;
    m_thread = std::thread([this, sampleRate] { run(sampleRate); });
    return true;
}

void VirtualOutput::stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_playing = false;
}

void VirtualOutput::run(int sampleRate) {
    pthread_setname_np(pthread_self(), "qel-virtual-out");
    const size_t block = size_t(sampleRate * kBlockMs / 1000) * unsigned(m_channels);
    const int64_t blockUs = int64_t(kBlockMs) * 1000;
    int64_t due = monotonicUs() + blockUs;
    size_t position = 0;
    while (!m_stop && position < m_samples.size()) {
        sleepUntilUs(due);
        position = std::min(m_samples.size(), position + block);
        m_position.store(position, std::memory_order_relaxed);
        due += blockUs;
    }
    m_playing = false;
}

}  // namespace qelaudioinput
