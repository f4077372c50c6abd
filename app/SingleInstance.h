#ifndef CORVIX_SINGLE_INSTANCE_H
#define CORVIX_SINGLE_INSTANCE_H

#include <QObject>
#include <QString>

class QLocalServer;

// One Corvix per user and display. The first start listens on a local socket named after the
// user and the display; a later start on the same display finds it, asks it to show its window
// and exits. Starts on other displays (another seat, a test's Xvfb) use other sockets.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `key` names the user and display; see keyForEnvironment().
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "corvix-<user>-<display>", the display taken from DISPLAY, else WAYLAND_DISPLAY, else the
    // Qt platform (so offscreen runs share one name).
    static QString keyForEnvironment();

    // True when this process is the first: it now listens and emits activationRequested() when
    // another start asks. False when another instance answered (it has been asked to show its
    // window) - the caller should exit.
    bool claim();

    // The socket path (for the log line of a failure).
    QString socketPath() const { return m_socketPath; }

signals:
    void activationRequested();

private:
    bool askRunningInstance();

    QString m_socketPath;
    QString m_lockPath;
    QLocalServer* m_server = nullptr;
};

#endif
