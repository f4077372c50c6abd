// The level of a block of 16-bit PCM for the level meter: its RMS on a dB scale, -60 dBFS and
// below reading 0 and full scale 100.
#ifndef QELAUDIOINPUT_VOLUME_METER_H
#define QELAUDIOINPUT_VOLUME_METER_H

namespace qelaudioinput {

// Level 0-100 of `size` bytes of interleaved 16-bit little-endian samples (a trailing odd byte
// is ignored). -1 when there is no whole sample.
int volumeLevel(const unsigned char* data, int size);

}  // namespace qelaudioinput

#endif
