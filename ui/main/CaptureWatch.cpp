#include "CaptureWatch.h"

#include <QDebug>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

CaptureWatch::CaptureWatch(const QString& path, int deadlineMs, QObject* parent)
    : QObject(parent), m_path(path), m_watcher(new QFileSystemWatcher(this)), m_timer(new QTimer(this)) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_watcher->addPath(folder)) {
        qWarning() << "CaptureWatch: cannot watch folder" << folder;
    }
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &CaptureWatch::onDirectoryChanged);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CaptureWatch::onTimeout);
    m_timer->start(deadlineMs);
}

void CaptureWatch::onDirectoryChanged() {
    if (QFileInfo::exists(m_path)) {
        qDebug("CaptureWatch: photo file present");
        finish(true);
    }
}

void CaptureWatch::onTimeout() {
    // A file whose change notice was missed still counts when it is there at the deadline.
    const bool exists = QFileInfo::exists(m_path);
    qDebug("CaptureWatch: deadline passed");
    finish(exists);
}

void CaptureWatch::finish(bool success) {
    if (m_done) {
        return;
    }
    m_done = true;
    m_timer->stop();
    m_watcher->disconnect(this);
    deleteLater();
    emit finished(success, m_path);
}
