#include "QrDecode.h"

#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

bool qrDecoderAvailable() {
    return !QStandardPaths::findExecutable("zbarimg").isEmpty();
}

QString decodeQr(const QImage& code) {
    QTemporaryDir dir;
    const int border = 32;
    QImage framed(code.width() + 2 * border, code.height() + 2 * border, QImage::Format_RGB888);
    framed.fill(Qt::white);
    QPainter(&framed).drawImage(border, border, code);
    const QString path = dir.filePath("code.png");
    if (!framed.save(path)) {
        return QString();
    }
    QProcess zbar;
    zbar.start("zbarimg", {"--raw", "-q", path});
    if (!zbar.waitForFinished(30000)) {
        return QString();
    }
    return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
}
