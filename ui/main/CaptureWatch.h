#ifndef CORVIX_CAPTURE_WATCH_H
#define CORVIX_CAPTURE_WATCH_H

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

// Watches the save folder for one photo file: finished(true, path) as soon as the file exists,
// finished(false, path) when it has not appeared by the deadline. Reports once, then deletes itself.
class CaptureWatch : public QObject {
    Q_OBJECT

public:
    CaptureWatch(const QString& path, int deadlineMs, QObject* parent = nullptr);

    QString path() const { return m_path; }

signals:
    void finished(bool success, QString path);

private:
    void onDirectoryChanged();
    void onTimeout();
    void finish(bool success);

    QString m_path;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_timer = nullptr;
    bool m_done = false;
};

#endif
