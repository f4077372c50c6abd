// Extra functions of the muxer library for tests and benchmarks (not used by the program).
#ifndef QEL_MUXER_STATS_H
#define QEL_MUXER_STATS_H

#include "qelexport.h"
#include "qelmuxer.h"

QEL_EXTERN_C_BEGIN

typedef struct QELMuxerStats {
    long long videoAccepted;
    long long videoDropped;  // refused because the queue was full
    long long videoSkipped;  // before the first keyframe (encoded streams)
    long long videoWritten;  // video packets in the file
    long long audioAccepted;
    long long audioDropped;
    long long audioSamplesWritten;  // samples in the sound track, silence included
    long long silenceSamples;       // inserted for gaps in the sound
    long long trimmedSamples;       // left out where the sound ran ahead
    long long bytesWritten;
    int queued;
    int failed;  // 1 once a write failed
} QELMuxerStats;

// Figures of an open muxer. (1 = ok)
QEL_API int qelmuxer_get_stats(const char* key, QELMuxerStats* stats);
// Released recordings are turned into regular MP4 files in the background. Waits until that has
// finished for all of them (timeoutMs < 0: without limit). (1 = ok, 0 = timed out)
QEL_API int qelmuxer_wait_finalised(int timeoutMs);

QEL_EXTERN_C_END

#endif
