// The virtual microphone: a steady 440 Hz tone whose level swells and fades once every two
// seconds, delivered in 10 ms blocks on its own thread, paced by the clock like a sound card.
#ifndef QELAUDIOINPUT_VIRTUAL_MICROPHONE_H
#define QELAUDIOINPUT_VIRTUAL_MICROPHONE_H

#include <atomic>
#include <thread>
#include <vector>

#include "CaptureSource.h"

namespace qelaudioinput {

class VirtualMicrophone : public CaptureSource {
public:
    ~VirtualMicrophone() override;
    bool start(const CaptureFormat& format, BlockSink sink) override;
    void stop() override;

private:
    void run();

    CaptureFormat m_format;
    BlockSink m_sink = nullptr;
    std::vector<int16_t> m_block;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace qelaudioinput

#endif
