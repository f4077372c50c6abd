#include "AudioTimeline.h"

#include <algorithm>

namespace qelmuxer {

namespace {

// A block later than this is a gap (filled at once); ahead by more than kAheadMs is trimmed.
constexpr int kGapMs = 40;
constexpr int kAheadMs = 20;
// Lateness that persists over a whole window is drift, corrected when above kDriftMs.
constexpr int kWindowMs = 500;
constexpr int kDriftMs = 12;

}  // namespace

AudioTimeline::AudioTimeline(int sampleRate) : m_rate(sampleRate) {}

int64_t AudioTimeline::usToSamples(int64_t us) const {
    return us * m_rate / 1000000;
}

AudioTimeline::Placement AudioTimeline::place(int64_t arrivalUs, int samples) {
    Placement p;
    if (samples <= 0) {
        return p;
    }
    // The latest the block can have started.
    int64_t start = usToSamples(arrivalUs) - samples;
    if (!m_started) {
        m_started = true;
        if (start < 0) {
            p.skip = int(std::min<int64_t>(samples, -start));
        } else {
            p.silence = start;
        }
        m_position = std::max<int64_t>(start, 0) + (samples - p.skip);
        m_windowMin = INT64_MAX;
        m_windowSamples = 0;
        return p;
    }
    int64_t late = start - m_position;
    if (late > usToSamples(kGapMs * 1000)) {
        p.silence = late;
        late = 0;
    } else if (late < -usToSamples(kAheadMs * 1000)) {
        p.skip = int(std::min<int64_t>(samples, -late));
        late = 0;
    }
    m_windowMin = std::min(m_windowMin, late);
    m_windowSamples += samples;
    if (m_windowSamples >= usToSamples(kWindowMs * 1000)) {
        if (m_windowMin > usToSamples(kDriftMs * 1000)) {
            p.silence += m_windowMin;
        }
        m_windowMin = INT64_MAX;
        m_windowSamples = 0;
    }
    m_position += p.silence + (samples - p.skip);
    return p;
}

}  // namespace qelmuxer
