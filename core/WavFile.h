// Wrapping raw PCM into a playable WAV file.
#ifndef CORVIX_WAV_FILE_H
#define CORVIX_WAV_FILE_H

#include <QByteArray>
#include <QString>

// The 44-byte RIFF/WAVE header of `dataBytes` bytes of interleaved little-endian integer PCM.
QByteArray wavHeader(quint32 dataBytes, int channels, int sampleRate, int bitsPerSample);

// Writes wavPath as the WAV header followed by the contents of pcmPath (copied, not moved).
// Answers false when the PCM file cannot be read or the WAV file cannot be written completely.
bool writeWavFromPcm(const QString& pcmPath, const QString& wavPath, int channels, int sampleRate,
                     int bitsPerSample);

#endif
