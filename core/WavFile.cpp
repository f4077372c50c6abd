#include "WavFile.h"
#include "CoreLog.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace {

void appendLe32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

void appendLe16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian<quint16>(v, b);
    out.append(b, 2);
}

}  // namespace

QByteArray wavHeader(quint32 dataBytes, int channels, int sampleRate, int bitsPerSample) {
    const quint16 blockAlign = static_cast<quint16>(channels * bitsPerSample / 8);
    QByteArray h;
    h.reserve(44);
    h.append("RIFF", 4);
    appendLe32(h, 36 + dataBytes);
    h.append("WAVE", 4);
    h.append("fmt ", 4);
    appendLe32(h, 16);
    appendLe16(h, 1);  // integer PCM
    appendLe16(h, static_cast<quint16>(channels));
    appendLe32(h, static_cast<quint32>(sampleRate));
    appendLe32(h, static_cast<quint32>(sampleRate) * blockAlign);
    appendLe16(h, blockAlign);
    appendLe16(h, static_cast<quint16>(bitsPerSample));
    h.append("data", 4);
    appendLe32(h, dataBytes);
    return h;
}

bool writeWavFromPcm(const QString& pcmPath, const QString& wavPath, int channels, int sampleRate,
                     int bitsPerSample) {
    QFile pcm(pcmPath);
    if (!pcm.open(QIODevice::ReadOnly)) {
        qCWarning(lcCamera) << "writeWavFromPcm cannot read:" << pcmPath << pcm.errorString();
        return false;
    }
    const int blockAlign = channels * bitsPerSample / 8;
    // The RIFF sizes are 32-bit: keep whole sample frames that fit.
    qint64 dataBytes = qMin<qint64>(pcm.size(), 0xFFFFFFFFLL - 36);
    if (blockAlign > 0) {
        dataBytes -= dataBytes % blockAlign;
    }
    QSaveFile wav(wavPath);
    if (!wav.open(QIODevice::WriteOnly)) {
        qCWarning(lcCamera) << "writeWavFromPcm cannot write:" << wavPath << wav.errorString();
        return false;
    }
    wav.write(wavHeader(static_cast<quint32>(dataBytes), channels, sampleRate, bitsPerSample));
    qint64 left = dataBytes;
    QByteArray chunk;
    while (left > 0) {
        chunk = pcm.read(qMin<qint64>(left, 1 << 16));
        if (chunk.isEmpty()) {
            break;
        }
        if (wav.write(chunk) != chunk.size()) {
            break;
        }
        left -= chunk.size();
    }
    if (left != 0) {
        qCWarning(lcCamera) << "writeWavFromPcm incomplete copy:" << pcmPath << "->" << wavPath;
        wav.cancelWriting();
        return false;
    }
    return wav.commit();
}
