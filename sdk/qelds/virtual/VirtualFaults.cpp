#include "VirtualFaults.h"

#include <algorithm>

#include "../qelvirtual.h"
#include "VirtualStream.h"

namespace qelds {

bool VirtualFaults::inject(int fault, int param) {
    switch (fault) {
        case QELV_FAULT_NONE:
            m_corruptLeft = 0;
            m_truncateLeft = 0;
            m_stallUntil = 0;
            m_openFails = false;
            m_stillNotJpeg = false;
            return true;
        case QELV_FAULT_CORRUPT_JPEG:
            m_corruptLeft = std::max(1, param);
            return true;
        case QELV_FAULT_TRUNCATED_JPEG:
            m_truncateLeft = std::max(1, param);
            return true;
        case QELV_FAULT_STALL:
            m_stallUntil = param > 0 ? monotonicUs() + static_cast<int64_t>(param) * 1000 : -1;
            return true;
        case QELV_FAULT_OPEN_FAILS:
            m_openFails = true;
            return true;
        case QELV_FAULT_STILL_NOT_JPEG:
            m_stillNotJpeg = true;
            return true;
        default:
            return false;
    }
}

bool VirtualFaults::stalled(int64_t nowUs) const {
    int64_t until = m_stallUntil.load();
    return until == -1 || (until > 0 && nowUs < until);
}

int VirtualFaults::takeJpegFault() {
    int left = m_corruptLeft.load();
    while (left > 0) {
        if (m_corruptLeft.compare_exchange_weak(left, left - 1))
            return kCorrupt;
    }
    left = m_truncateLeft.load();
    while (left > 0) {
        if (m_truncateLeft.compare_exchange_weak(left, left - 1))
            return kTruncated;
    }
    return kNone;
}

}  // namespace qelds
