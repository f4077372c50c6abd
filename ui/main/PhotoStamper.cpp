#include "PhotoStamper.h"

#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QTimer>

namespace {
// Lets the GUI thread keep painting and delivering events while the pause runs.
void pause(int ms) {
    if (ms <= 0) {
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
}  // namespace

PhotoStamper::Geometry PhotoStamper::geometry(int imageWidth, const QString& text, const QFont& baseFont) {
    Geometry g;
    g.pixelSize = qMax(1, imageWidth / 35);
    g.margin = imageWidth / 40;
    QFont font(baseFont);
    font.setPixelSize(g.pixelSize);
    const QRect box = QFontMetrics(font).boundingRect(text);
    g.textRect = QRect(imageWidth - box.width() - g.margin, g.margin, box.width(), box.height());
    g.backgroundRect = g.textRect.adjusted(-10, -5, 10, 5);
    return g;
}

void PhotoStamper::stampImage(QImage& image, const QString& text, const QFont& baseFont) {
    const Geometry g = geometry(image.width(), text, baseFont);
    QFont font(baseFont);
    font.setPixelSize(g.pixelSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(g.backgroundRect, QColor(0, 0, 0, 120));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(g.textRect, Qt::AlignCenter, text);
}

bool PhotoStamper::waitForStableSize(const QString& path, int maxPolls, int pollMs) {
    qint64 last = -1;
    int stable = 0;
    for (int i = 0; i < maxPolls; ++i) {
        pause(pollMs);
        const qint64 size = QFileInfo(path).size();
        if (size >= 1 && size == last) {
            ++stable;
            if (stable >= 3) {
                return true;
            }
        } else {
            stable = 0;
        }
        last = size;
    }
    return false;
}

PhotoStamper::Result PhotoStamper::stampFile(const QString& path, const QString& text, const QFont& baseFont,
                                             int initialWaitMs, int pollMs, QString* error) {
    pause(initialWaitMs);
    QFileInfo info(path);
    qDebug() << "exists:" << info.exists() << "size:" << info.size();
    if (!info.exists()) {
        qWarning() << "文件不存在:" << path;
        if (error) {
            *error = QObject::tr("照片文件不存在");
        }
        return Missing;
    }
    qDebug() << "file is saving:" << path;
    if (!waitForStableSize(path, 50, pollMs)) {
        qWarning() << "PhotoStamper: size did not settle, stamping anyway:" << path;
    }
    {
        QImageReader reader(path);
        qDebug() << "canRead:" << reader.canRead() << "format:" << reader.format()
                 << "error:" << reader.errorString();
    }
    QImage image(path);
    if (image.isNull()) {
        qWarning() << "image load failed:" << path;
        if (error) {
            *error = QObject::tr("照片无法读取");
        }
        return Undecodable;
    }
    // Draw on a 32-bit copy: the decoded JPEG may be 8-bit grey or indexed.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    stampImage(image, text, baseFont);
    // Written through a temporary file that replaces the photo only once complete, so a failed
    // write never leaves a truncated photo behind.
    const QByteArray format = info.suffix().toLatin1();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        !image.save(&out, format.isEmpty() ? nullptr : format.constData()) || !out.commit()) {
        qWarning() << "PhotoStamper: cannot write stamped photo:" << path << out.errorString();
        if (error) {
            *error = out.errorString();
        }
        return WriteFailed;
    }
    qDebug() << "水印添加成功";
    return Stamped;
}

PhotoStamper::Result PhotoStamper::checkFile(const QString& path, int initialWaitMs, int pollMs, QString* error) {
    pause(initialWaitMs);
    if (!QFileInfo::exists(path)) {
        qWarning() << "文件不存在:" << path;
        if (error) {
            *error = QObject::tr("照片文件不存在");
        }
        return Missing;
    }
    if (!waitForStableSize(path, 50, pollMs)) {
        qWarning() << "PhotoStamper: size did not settle:" << path;
    }
    QImageReader reader(path);
    if (reader.size().isEmpty()) {
        qWarning() << "image cannot be read:" << path << reader.errorString();
        if (error) {
            *error = QObject::tr("照片无法读取");
        }
        return Undecodable;
    }
    return Unstamped;
}
