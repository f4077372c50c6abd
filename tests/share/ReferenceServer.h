#ifndef CORVIX_TEST_REFERENCE_SERVER_H
#define CORVIX_TEST_REFERENCE_SERVER_H

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// The reference share and update server (tools/corvix-server) as a child process on a free
// loopback port, with a throw-away CA and server certificate made by openssl.
class ReferenceServer {
public:
    ReferenceServer();
    ~ReferenceServer();

    // Makes a CA (ca.pem) and a certificate for 127.0.0.1 (server.pem, server.key) in folder.
    static bool makeCertificates(const QString& folder);

    // Starts the server; tls false serves plain http. extraArgs go to the server as they are.
    bool start(bool tls, const QStringList& extraArgs = {});
    void stop();

    QUrl baseUrl() const { return m_baseUrl; }
    QString caFile() const { return m_dir.filePath("certs/ca.pem"); }
    QString photosFolder() const { return m_dir.filePath("photos"); }
    QString packagesFolder() const { return m_dir.filePath("packages"); }
    QString manifestFile() const { return m_dir.filePath("manifest.json"); }
    bool writeManifest(const QByteArray& json) const;

    QString log();  // one line per request so far
    int countRequests(const QString& fragment);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QUrl m_baseUrl;
    QString m_log;
};

#endif
