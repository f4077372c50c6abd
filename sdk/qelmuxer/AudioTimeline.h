// Places sound blocks on the recording's clock. The sound track is a continuous count of
// samples anchored to the arrival times of the blocks: a block that ends when it arrives
// starts `samples` earlier. When blocks go missing (a gap) silence fills it; when the count
// runs ahead of the clock (blocks delayed at the start, or a sound card slightly faster than
// the clock) samples are left out. Small jitter is tolerated.
#ifndef QELMUXER_AUDIO_TIMELINE_H
#define QELMUXER_AUDIO_TIMELINE_H

#include <cstdint>

namespace qelmuxer {

class AudioTimeline {
public:
    struct Placement {
        int64_t silence = 0;  // samples of silence to insert before the block
        int skip = 0;         // samples to leave out at the start of the block
    };

    explicit AudioTimeline(int sampleRate);

    // A block of `samples` that arrived `arrivalUs` after the recording's origin.
    Placement place(int64_t arrivalUs, int samples);
    // Samples placed so far (silence included): the position of the next sample.
    int64_t position() const { return m_position; }

private:
    int64_t usToSamples(int64_t us) const;

    int m_rate;
    bool m_started = false;
    int64_t m_position = 0;
    // Smallest lateness seen in the current window, for slow drift.
    int64_t m_windowMin = 0;
    int64_t m_windowSamples = 0;
};

}  // namespace qelmuxer

#endif
