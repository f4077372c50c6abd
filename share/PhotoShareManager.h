#ifndef CORVIX_PHOTO_SHARE_MANAGER_H
#define CORVIX_PHOTO_SHARE_MANAGER_H

#include <QImage>
#include <QObject>
#include <QSslConfiguration>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// Publishes a photo on the share server and turns its link into a QR code. The photo is known
// on the server by the MD5 of its content: ask first, upload only when the server lacks it, then
// link to "/show?par=<md5>". Each share keeps its state in its replies' closures, so several may
// be in flight at once. GUI thread only.
class PhotoShareManager : public QObject {
    Q_OBJECT
public:
    // Requests that receive nothing for this long fail.
    static constexpr int kRequestTimeoutMs = 15000;
    static constexpr int kModulePixels = 8;

    explicit PhotoShareManager(QObject* parent = nullptr);

    // The server address (from the service configuration at construction); an empty or
    // non-http(s) address turns sharing off.
    void setBaseUrl(const QUrl& base);
    QUrl baseUrl() const { return m_baseUrl; }
    bool isConfigured() const { return !m_baseUrl.isEmpty(); }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    // Starts sharing the file; the outcome arrives as sigShowQRCode or sigError.
    void share(const QString& filePath);

    // 32 lower-case hex characters of the file's MD5, empty when it cannot be read.
    static QString md5Of(const QString& filePath);
    // The link's QR code: each module exactly kModulePixels square, no quiet zone; a null image
    // when the text does not fit a QR code.
    static QImage makeQrImage(const QString& text);

signals:
    void sigShowQRCode(QImage img);
    void sigError(QString msg);

private:
    void checkMd5(const QString& md5, const QString& filePath);
    void upload(const QString& md5, const QString& filePath);
    void requestShare(const QString& md5);
    QNetworkRequest makeRequest(const QUrl& url) const;
    void fail(const QString& reason);
    static QString replyFailure(QNetworkReply* reply);

    QNetworkAccessManager* m_pNetwork = nullptr;
    QUrl m_baseUrl;
    QSslConfiguration m_ssl;
    int m_timeoutMs = kRequestTimeoutMs;
};

#endif
