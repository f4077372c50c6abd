#include "SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcInstance, "corvix.instance", QtWarningMsg)

namespace {

const char kShowRequest[] = "show\n";
const int kAnswerMs = 2000;

QString runtimeFolder() {
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable()) {
        return runtime;
    }
    return QDir::tempPath();
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent) {
    const QString folder = runtimeFolder();
    m_socketPath = folder + "/" + key + ".socket";
    m_lockPath = folder + "/" + key + ".lock";
}

SingleInstance::~SingleInstance() {
    if (m_server) {
        m_server->close();  // removes the socket file
    }
}

QString SingleInstance::keyForEnvironment() {
    QString user = QString::fromLocal8Bit(qgetenv("USER"));
    if (user.isEmpty()) {
        user = QString::number(::getuid());
    }
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    if (display.isEmpty()) {
        display = QString::fromLocal8Bit(qgetenv("WAYLAND_DISPLAY"));
    }
    if (display.isEmpty()) {
        display = QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM"));
    }
    // ":0.0", "localhost:10.0", "/run/user/1000/wayland-0": keep only name-safe characters.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    user.replace(unsafe, QStringLiteral("_"));
    display.replace(unsafe, QStringLiteral("_"));
    return QStringLiteral("corvix-%1-%2").arg(user, display.isEmpty() ? QStringLiteral("none") : display);
}

bool SingleInstance::askRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kAnswerMs)) {
        return false;
    }
    socket.write(kShowRequest);
    // The running instance answers once it has read the request; a hung one does not.
    if (!socket.waitForBytesWritten(kAnswerMs) || !socket.waitForReadyRead(kAnswerMs)) {
        qCWarning(lcInstance) << "The running Corvix did not answer at" << m_socketPath;
        return false;
    }
    return true;
}

bool SingleInstance::claim() {
    // The lock makes "nobody answers, so listen" one step against a second start at the same time.
    QLockFile lock(m_lockPath);
    lock.setStaleLockTime(0);  // a lock of a dead process is stale at once
    if (!lock.tryLock(5000)) {
        qCWarning(lcInstance) << "Cannot take the start lock" << m_lockPath << "- starting anyway";
    }
    if (askRunningInstance()) {
        qCDebug(lcInstance) << "Another Corvix runs on this display; asked it to show its window";
        return false;
    }
    // Nobody answered: a socket file left by a crash is stale.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        qCWarning(lcInstance) << "Cannot listen at" << m_socketPath << ":" << m_server->errorString()
                              << "- a second start will not find this one";
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    return;
                }
                const QByteArray request = socket->readLine();
                if (request == kShowRequest) {
                    socket->write("ok\n");
                    socket->flush();
                    emit activationRequested();
                }
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}
