#ifndef CORVIX_TEST_QR_DECODE_H
#define CORVIX_TEST_QR_DECODE_H

#include <QImage>
#include <QString>

// Reads a QR code image back with zbarimg (Debian's zbar-tools), after adding the quiet zone the
// image itself lacks. Empty when zbarimg is missing or finds no code.
bool qrDecoderAvailable();
QString decodeQr(const QImage& code);

#endif
