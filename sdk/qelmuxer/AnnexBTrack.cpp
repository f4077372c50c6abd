#include "AnnexBTrack.h"

#include <algorithm>

namespace qelmuxer {

namespace {

// Position of the next start code (00 00 01) at or after `from`, or `size`.
int findStartCode(const uint8_t* data, int size, int from) {
    for (int i = from; i + 2 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            return i;
        }
    }
    return size;
}

void appendNal(std::vector<uint8_t>& out, const std::vector<uint8_t>& nal) {
    if (nal.empty()) {
        return;
    }
    static const uint8_t kStart[] = {0, 0, 0, 1};
    out.insert(out.end(), kStart, kStart + 4);
    out.insert(out.end(), nal.begin(), nal.end());
}

}  // namespace

AnnexBTrack::FrameInfo AnnexBTrack::scan(const uint8_t* data, int size) {
    FrameInfo info;
    int pos = findStartCode(data, size, 0);
    while (pos < size) {
        int begin = pos + 3;
        int next = findStartCode(data, size, begin);
        int end = next;
        // A zero before the next start code belongs to a four-byte start code.
        while (end > begin && data[end - 1] == 0) {
            --end;
        }
        if (end > begin) {
            const uint8_t* nal = data + begin;
            int type = m_hevc ? (nal[0] >> 1) & 0x3f : nal[0] & 0x1f;
            if (m_hevc) {
                if (type <= 31) {
                    info.hasPicture = true;
                }
                if (type >= 16 && type <= 21) {
                    info.keyframe = true;
                }
            } else {
                if (type >= 1 && type <= 5) {
                    info.hasPicture = true;
                }
                if (type == 5) {
                    info.keyframe = true;
                }
            }
            remember(type, nal, end - begin);
        }
        pos = next;
    }
    return info;
}

void AnnexBTrack::remember(int type, const uint8_t* nal, int size) {
    std::vector<uint8_t>* target = nullptr;
    if (m_hevc) {
        target = type == 32 ? &m_vps : type == 33 ? &m_sps : type == 34 ? &m_pps : nullptr;
    } else {
        target = type == 7 ? &m_sps : type == 8 ? &m_pps : nullptr;
    }
    // Parameter sets are tiny; a change of them is rare.
    if (target && (target->size() != size_t(size) || !std::equal(nal, nal + size, target->begin()))) {
        target->assign(nal, nal + size);
    }
}

bool AnnexBTrack::haveParameterSets() const {
    return !m_sps.empty() && !m_pps.empty() && (!m_hevc || !m_vps.empty());
}

std::vector<uint8_t> AnnexBTrack::extradata() const {
    std::vector<uint8_t> out;
    if (m_hevc) {
        appendNal(out, m_vps);
    }
    appendNal(out, m_sps);
    appendNal(out, m_pps);
    return out;
}

}  // namespace qelmuxer
