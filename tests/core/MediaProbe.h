// Reads what a media file holds (through libavformat), for checking recordings and sounds.
#ifndef CORVIX_TESTS_MEDIA_PROBE_H
#define CORVIX_TESTS_MEDIA_PROBE_H

#include <QStringList>
#include <QVector>

struct ProbedStream {
    QString kind;   // "video", "audio", "other"
    QString codec;  // "h264", "aac", "pcm_s16le", ...
    int width = 0;
    int height = 0;
    int channels = 0;
    int sampleRate = 0;
    int packets = 0;  // packets read to the end of the file
};

struct ProbedMedia {
    bool ok = false;
    QString error;
    QString format;  // "mov,mp4,m4a,3gp,3g2,mj2", "wav", ...
    QVector<ProbedStream> streams;
    int count(const QString& kind) const;
    const ProbedStream* first(const QString& kind) const;
    // The kinds of the streams, sorted ("audio", "video"), or the error of an unreadable file.
    QStringList kinds() const;
};

// Opens the file, reads every packet and answers its streams.
ProbedMedia probeMedia(const QString& path);

#endif
