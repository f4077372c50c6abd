// The faults a test can give a virtual camera: damaged or cut JPEG frames, a stall, a refused
// open and a still pin that answers YUY2. Every member is atomic: stream threads read them.
#ifndef QELDS_VIRTUAL_FAULTS_H
#define QELDS_VIRTUAL_FAULTS_H

#include <atomic>
#include <cstdint>

namespace qelds {

class VirtualFaults {
public:
    enum JpegFault { kNone = 0, kCorrupt = 1, kTruncated = 2 };

    // fault: a QELVirtualFault value other than QELV_FAULT_VANISH (the camera handles that one).
    // False for an unknown fault.
    bool inject(int fault, int param);
    // What to do to the next MJPEG frame; counts the fault down.
    int takeJpegFault();
    bool stalled(int64_t nowUs) const;
    bool openFails() const { return m_openFails.load(); }
    bool stillNotJpeg() const { return m_stillNotJpeg.load(); }

private:
    std::atomic<int> m_corruptLeft{0};
    std::atomic<int> m_truncateLeft{0};
    std::atomic<int64_t> m_stallUntil{0};  // monotonic us; -1 until cleared
    std::atomic<bool> m_openFails{false};
    std::atomic<bool> m_stillNotJpeg{false};
};

}  // namespace qelds

#endif
