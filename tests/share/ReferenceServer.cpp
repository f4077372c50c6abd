#include "ReferenceServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

ReferenceServer::ReferenceServer() {
    QDir(m_dir.path()).mkpath("packages");
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

ReferenceServer::~ReferenceServer() {
    stop();
}

bool ReferenceServer::makeCertificates(const QString& folder) {
    QProcess openssl;
    openssl.start(QStringLiteral(CORVIX_SERVER_DIR "/make-certs.sh"), {folder, "127.0.0.1", "localhost"});
    return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

bool ReferenceServer::writeManifest(const QByteArray& json) const {
    QFile file(manifestFile());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(json) == json.size();
}

bool ReferenceServer::start(bool tls, const QStringList& extraArgs) {
    const QString certs = m_dir.filePath("certs");
    if (tls && !QFile::exists(certs + "/server.pem") && !makeCertificates(certs)) {
        return false;
    }
    if (!QFile::exists(manifestFile())) {
        writeManifest("{}");
    }
    const QString portFile = m_dir.filePath("port");
    QFile::remove(portFile);
    QStringList args{QStringLiteral(CORVIX_SERVER_DIR "/corvix_server.py")};
    args << QString("--bind 127.0.0.1 --port 0 --timeout 10").split(' ') << "--port-file" << portFile
         << "--share-dir" << photosFolder() << "--manifest" << manifestFile() << "--packages"
         << packagesFolder();
    if (tls) {
        args << "--cert" << certs + "/server.pem"
             << "--key" << certs + "/server.key";
    }
    args << extraArgs;
    m_process.start(QStringLiteral(CORVIX_PYTHON), args);
    if (!m_process.waitForStarted(10000)) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(portFile)) {
        if (clock.elapsed() > 20000 || m_process.state() != QProcess::Running) {
            return false;
        }
        QThread::msleep(20);
    }
    QFile port(portFile);
    port.open(QIODevice::ReadOnly);
    m_baseUrl = QUrl(QStringLiteral("%1://127.0.0.1:%2")
                         .arg(tls ? "https" : "http")
                         .arg(port.readAll().trimmed().toInt()));
    return true;
}

void ReferenceServer::stop() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString ReferenceServer::log() {
    m_log += QString::fromUtf8(m_process.readAllStandardError());
    return m_log;
}

int ReferenceServer::countRequests(const QString& fragment) {
    return log().count(fragment);
}
