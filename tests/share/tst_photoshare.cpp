// Photo sharing against the reference server over loopback with TLS, and against a stub peer
// that answers oddly or not at all.
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <qrcodegen/QrCode.hpp>

#include "PhotoShareManager.h"
#include "ReferenceServer.h"
#include "ServiceConfig.h"
#include "StubHttpServer.h"

namespace {
bool qrDecoderAvailable() {
    return !QStandardPaths::findExecutable("zbarimg").isEmpty();
}

// Reads a code back with zbarimg (zbar-tools), after adding the quiet zone the image lacks.
QString decodeQr(const QImage& code) {
    QTemporaryDir dir;
    QImage framed(code.width() + 64, code.height() + 64, QImage::Format_RGB888);
    framed.fill(Qt::white);
    QPainter(&framed).drawImage(32, 32, code);
    QProcess zbar;
    if (framed.save(dir.filePath("code.png"))) {
        zbar.start("zbarimg", {"--raw", "-q", dir.filePath("code.png")});
        zbar.waitForFinished(30000);
    }
    return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
}

// A share client for one server, with spies on its results.
struct Sharer {
    explicit Sharer(const QUrl& server) { manager.setBaseUrl(server); }
    PhotoShareManager manager;
    QSignalSpy codes{&manager, &PhotoShareManager::sigShowQRCode};
    QSignalSpy errors{&manager, &PhotoShareManager::sigError};
};
}  // namespace

class TestPhotoShare : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    ReferenceServer m_server;

    QString writeJpeg(const QString& name, int seed) {
        QImage img(64, 48, QImage::Format_RGB888);
        img.fill(QColor::fromHsv(seed * 37 % 360, 200, 200));
        const QString path = m_tmp.filePath(name);
        img.save(path, "JPG");
        return path;
    }

    QByteArray fetch(const QUrl& url) {
        QNetworkAccessManager network;
        QNetworkRequest request(url);
        request.setSslConfiguration(ServiceConfig::sslConfiguration());
        QNetworkReply* reply = network.get(request);
        QSignalSpy(reply, &QNetworkReply::finished).wait(15000);
        reply->deleteLater();
        return reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_tmp.filePath("config").toUtf8());
        QVERIFY(m_server.start(true));
        qputenv("CORVIX_CA_FILE", m_server.caFile().toUtf8());
    }

    // Miss: the photo is uploaded (as "image.jpg", checked against its MD5 by the server) and
    // linked; hit: the same content is not uploaded again and gets the same link.
    void sharesOnceAndLinksByContent() {
        Sharer s(m_server.baseUrl());
        const QString path = writeJpeg("20260101_120000.jpg", 1);
        const QString md5 = PhotoShareManager::md5Of(path);
        s.manager.share(path);
        QVERIFY(s.codes.wait(20000));
        QCOMPARE(s.errors.count(), 0);
        QCOMPARE(m_server.countRequests("POST /share/upload"), 1);
        QFile original(path);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(fetch(m_server.baseUrl().toString() + "/photo/" + md5 + ".jpg"), original.readAll());

        const QImage first = s.codes.takeFirst().at(0).value<QImage>();
        if (qrDecoderAvailable()) {
            const QString link = decodeQr(first);
            QCOMPARE(link, m_server.baseUrl().toString() + "/show?par=" + md5);
            QVERIFY(fetch(QUrl(link)).contains(("/photo/" + md5 + ".jpg").toUtf8()));
        }

        // The same content under another name: one check, no upload, the same code.
        const QString copy = m_tmp.filePath("copy.jpg");
        QVERIFY(QFile::copy(path, copy));
        s.manager.share(copy);
        QVERIFY(s.codes.wait(20000));
        QCOMPARE(m_server.countRequests("POST /share/upload"), 1);
        QCOMPARE(m_server.countRequests("GET /share/checkmd5?md5=" + md5), 2);
        QCOMPARE(s.codes.takeFirst().at(0).value<QImage>(), first);
    }

    void stringResultCountsAsAbsent() {
        StubHttpServer stub;
        stub.setResponse(StubHttpServer::jsonResponse(R"({"result": "true"})"));
        Sharer s(stub.baseUrl());
        s.manager.share(writeJpeg("string.jpg", 2));
        QVERIFY(s.codes.wait(20000));
        QCOMPARE(stub.requestLines().size(), 2);
        QVERIFY(stub.requestLines().at(1).startsWith("POST /share/upload"));
    }

    void unreadableFileSendsNothing() {
        Sharer s(m_server.baseUrl());
        const int before = m_server.countRequests("/share/");
        s.manager.share(m_tmp.filePath("missing.jpg"));
        QCOMPARE(s.errors.count(), 1);
        QCOMPARE(s.errors.at(0).at(0).toString(), QString("MD5计算失败"));
        QCOMPARE(m_server.countRequests("/share/"), before);
    }

    // A refused upload (the server takes only JPEGs) and a server that never answers: an error,
    // and no code for a photo the server lacks.
    void failedUploadGivesErrorNotCode() {
        Sharer refused(m_server.baseUrl());
        const QString path = m_tmp.filePath("picture.jpg");
        QImage(16, 16, QImage::Format_RGB888).save(path, "PNG");
        refused.manager.share(path);
        QVERIFY(refused.errors.wait(20000));
        QVERIFY(refused.errors.at(0).at(0).toString().startsWith("分享失败："));
        QVERIFY(refused.errors.at(0).at(0).toString().contains("415"));
        QCOMPARE(refused.codes.count(), 0);

        StubHttpServer stub;
        stub.setMode(StubHttpServer::NeverAnswer);
        Sharer silent(stub.baseUrl());
        silent.manager.setTimeoutMs(300);
        silent.manager.share(writeJpeg("silent.jpg", 3));
        QVERIFY(silent.errors.wait(20000));
        QVERIFY(silent.errors.at(0).at(0).toString().startsWith("分享失败："));
        QCOMPARE(silent.codes.count(), 0);
    }

    void unknownCaIsRefused() {
        // Another throw-away CA, not the one that signed the server's certificate.
        QTemporaryDir other;
        QVERIFY(ReferenceServer::makeCertificates(other.path()));
        qputenv("CORVIX_CA_FILE", other.filePath("ca.pem").toUtf8());
        Sharer s(m_server.baseUrl());
        qputenv("CORVIX_CA_FILE", m_server.caFile().toUtf8());
        const int uploads = m_server.countRequests("POST /share/upload");
        s.manager.share(writeJpeg("unknown-ca.jpg", 4));
        QVERIFY(s.errors.wait(20000));
        QCOMPARE(s.codes.count(), 0);
        QCOMPARE(m_server.countRequests("POST /share/upload"), uploads);
    }

    // Every module is exactly 8 x 8 pixels of one colour (no outline spilling into its
    // neighbour), and the code reads back as the link.
    void qrModulesAreExactAndDecodable_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("short") << "https://a/show?par=0";
        QTest::newRow("link") << "https://share.example.org:8443/show?par=d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("long") << "https://" + QString(300, 'x') +
                                     "/show?par=d41d8cd98f00b204e9800998ecf8427e";
    }
    void qrModulesAreExactAndDecodable() {
        QFETCH(QString, text);
        const QImage img = PhotoShareManager::makeQrImage(text);
        const qrcodegen::QrCode qr =
            qrcodegen::QrCode::encodeText(text.toUtf8().constData(), qrcodegen::QrCode::Ecc::MEDIUM);
        QImage want(8 * qr.getSize(), 8 * qr.getSize(), QImage::Format_RGB888);
        want.fill(Qt::white);
        QPainter painter(&want);
        for (int y = 0; y < qr.getSize(); ++y) {
            for (int x = 0; x < qr.getSize(); ++x) {
                if (qr.getModule(x, y)) {
                    painter.fillRect(x * 8, y * 8, 8, 8, Qt::black);
                }
            }
        }
        painter.end();
        QCOMPARE(img, want);
        if (qrDecoderAvailable()) {
            QCOMPARE(decodeQr(img), text);
        }
    }
};

QTEST_MAIN(TestPhotoShare)
#include "tst_photoshare.moc"
