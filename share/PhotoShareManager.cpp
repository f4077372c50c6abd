#include "PhotoShareManager.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QSslSocket>
#include <QrCode.hpp>
#include <stdexcept>

#include "ServiceConfig.h"

Q_LOGGING_CATEGORY(lcShare, "corvix.share", QtWarningMsg)

PhotoShareManager::PhotoShareManager(QObject* parent)
    : QObject(parent), m_pNetwork(new QNetworkAccessManager(this)), m_ssl(ServiceConfig::sslConfiguration()) {
    setBaseUrl(ServiceConfig::shareBaseUrl());
    qCDebug(lcShare) << "SSL support:" << QSslSocket::supportsSsl()
                     << QSslSocket::sslLibraryBuildVersionString() << QSslSocket::sslLibraryVersionString();
}

void PhotoShareManager::setBaseUrl(const QUrl& base) {
    m_baseUrl = ServiceConfig::isFetchable(base) ? base : QUrl();
}

QString PhotoShareManager::md5Of(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    while (!file.atEnd()) {
        const QByteArray block = file.read(8192);
        if (block.isEmpty() && file.error() != QFileDevice::NoError) {
            return QString();
        }
        hash.addData(block);
    }
    return QString::fromLatin1(hash.result().toHex());
}

QImage PhotoShareManager::makeQrImage(const QString& text) {
    try {
        const qrcodegen::QrCode qr =
            qrcodegen::QrCode::encodeText(text.toUtf8().constData(), qrcodegen::QrCode::Ecc::MEDIUM);
        const int size = qr.getSize();
        QImage img(size * kModulePixels, size * kModulePixels, QImage::Format_RGB888);
        img.fill(Qt::white);
        QPainter painter(&img);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (qr.getModule(x, y)) {
                    // Filled, not outlined: a module covers its own 8 x 8 pixels and no more.
                    painter.fillRect(x * kModulePixels, y * kModulePixels, kModulePixels, kModulePixels,
                                     Qt::black);
                }
            }
        }
        return img;
    } catch (const std::exception& e) {
        qCWarning(lcShare) << "QR code not made:" << e.what();
        return QImage();
    }
}

QNetworkRequest PhotoShareManager::makeRequest(const QUrl& url) const {
    QNetworkRequest request(url);
    request.setSslConfiguration(m_ssl);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

void PhotoShareManager::fail(const QString& reason) {
    qCWarning(lcShare) << "share failed:" << reason;
    emit sigError(tr("分享失败：%1").arg(reason));
}

QString PhotoShareManager::replyFailure(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && (status < 200 || status > 299)) {
        // The reference server says why in {"error": "..."}.
        const QString why = QJsonDocument::fromJson(reply->readAll()).object().value("error").toString();
        return why.isEmpty() ? tr("服务器拒绝（HTTP %1）").arg(status)
                             : tr("服务器拒绝（HTTP %1：%2）").arg(status).arg(why);
    }
    // Nothing here aborts a share, so a cancelled request is one that timed out.
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        return tr("服务器无响应（超时）");
    }
    if (reply->error() != QNetworkReply::NoError) {
        return reply->errorString();
    }
    if (status == 0) {
        return tr("服务器无应答");
    }
    return QString();
}

void PhotoShareManager::share(const QString& filePath) {
    const QString md5 = md5Of(filePath);
    if (md5.isEmpty()) {
        emit sigError(tr("MD5计算失败"));
        return;
    }
    if (!isConfigured()) {
        qCWarning(lcShare) << "share server not configured; nothing sent";
        fail(tr("未配置分享服务器"));
        return;
    }
    qCDebug(lcShare, "PhotoShareManager::share filePath:%s", filePath.toUtf8().constData());
    checkMd5(md5, filePath);
}

void PhotoShareManager::checkMd5(const QString& md5, const QString& filePath) {
    const QUrl url = ServiceConfig::joined(m_baseUrl, "/share/checkmd5", "md5=" + md5);
    QNetworkReply* reply = m_pNetwork->get(makeRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply, md5, filePath] {
        const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
        reply->deleteLater();
        // Any failure or odd answer counts as "not there": the upload then tells the real story.
        const QJsonValue result = QJsonDocument::fromJson(body).object().value("result");
        const bool exists = reply->error() == QNetworkReply::NoError && result.isBool() && result.toBool();
        qCDebug(lcShare, "PhotoShareManager::checkMd5 exist:%d", exists ? 1 : 0);
        if (exists) {
            requestShare(md5);
        } else {
            upload(md5, filePath);
        }
    });
}

void PhotoShareManager::upload(const QString& md5, const QString& filePath) {
    auto* file = new QFile(filePath);
    if (!file->open(QIODevice::ReadOnly)) {
        const QString reason = file->errorString();
        delete file;
        fail(reason);
        return;
    }
    auto* multi = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    QHttpPart md5Part;
    md5Part.setHeader(QNetworkRequest::ContentDispositionHeader, QVariant("form-data; name=\"md5\""));
    md5Part.setBody(md5.toUtf8());
    QHttpPart filePart;
    filePart.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QVariant("form-data; name=\"file\"; filename=\"image.jpg\""));
    filePart.setBodyDevice(file);
    file->setParent(multi);
    multi->append(md5Part);
    multi->append(filePart);

    QNetworkReply* reply =
        m_pNetwork->post(makeRequest(ServiceConfig::joined(m_baseUrl, "/share/upload")), multi);
    multi->setParent(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, md5] {
        reply->deleteLater();
        const QString failure = replyFailure(reply);
        if (!failure.isEmpty()) {
            // No link to a photo the server does not have.
            fail(failure);
            return;
        }
        requestShare(md5);
    });
}

void PhotoShareManager::requestShare(const QString& md5) {
    const QString link = ServiceConfig::joined(m_baseUrl, "/show", "par=" + md5).toString(QUrl::FullyEncoded);
    qCDebug(lcShare, "PhotoShareManager::requestShare url:%s", link.toUtf8().constData());
    const QImage img = makeQrImage(link);
    if (img.isNull()) {
        fail(tr("链接过长，无法生成二维码"));
        return;
    }
    qCDebug(lcShare) << "emit QR signal";
    emit sigShowQRCode(img);
}
