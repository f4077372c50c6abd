// The upgrade dialog's download against the reference server: where the package lands, when
// it may be installed, failure, retry, cancel and the background disc.
#include <sys/stat.h>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "PackageFiles.h"
#include "ReferenceServer.h"
#include "StubHttpServer.h"
#include "UiScale.h"
#include "UpgradeProgressDisc.h"
#include "UpgradeWidget.h"

namespace {
const QString kFailed = "Download failed, please check network and try again.";

bool writeFile(const QString& path, const QByteArray& data = QByteArray()) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Waits for a download to fail back to page 0, leaving no file behind.
void expectFailure(UpgradeWidget* widget, const QString& message) {
    QTRY_COMPARE_WITH_TIMEOUT(widget->currentPage(), int(UpgradeWidget::MessagePage), 20000);
    QVERIFY(!widget->isDownloading());
    QVERIFY(widget->messageLabel()->text().contains(message));
    QVERIFY(!QFile::exists(widget->downloadPath()));
}

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}
}  // namespace

// Stands in for the desktop's URL handler, so that nothing is opened for real.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestUpgrade : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    ReferenceServer m_tls;
    ReferenceServer m_plain;  // plain http, slow
    UrlCatcher m_catcher;
    QStringList m_installed;

    void writePackage(const QString& name, qint64 size) {
        for (const QString& folder : {m_tls.packagesFolder(), m_plain.packagesFolder()}) {
            QVERIFY(writeFile(folder + "/" + name, QByteArray(size, 'c')));
        }
    }

    UpgradeWidget* makeWidget(const QUrl& package, qint64 size) {
        m_installed.clear();
        m_catcher.urls.clear();
        auto* widget = new UpgradeWidget("CorvixLinux", "1.0.1(20260320)", 2);
        widget->setAttribute(Qt::WA_DeleteOnClose);
        widget->setInstaller([this](const QString& path, QString*) {
            m_installed.append(path);
            return PackageInstaller::Outcome::ShownInFolder;
        });
        widget->setUpdateInfo(package.toString(), size, "1.2.0(20270101)");
        widget->show();
        return widget;
    }

private slots:
    void initTestCase() {
        overrideUiScale(1.0);
        qputenv("XDG_CONFIG_HOME", m_tmp.filePath("config").toUtf8());
        qputenv("XDG_CACHE_HOME", m_tmp.filePath("cache").toUtf8());
        QVERIFY(m_tls.start(true));
        QVERIFY(m_plain.start(false, {"--rate", "200000"}));
        qputenv("CORVIX_CA_FILE", m_tls.caFile().toUtf8());
        QDesktopServices::setUrlHandler("file", &m_catcher, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }

    void sanitisesPackageFileNames_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QString("https://h/p/corvix_1.2.0_amd64.deb")
                               << QString("corvix_1.2.0_amd64.deb");
        QTest::newRow("query ignored")
            << QString("https://h/p/Corvix.AppImage?token=1") << QString("Corvix.AppImage");
        QTest::newRow("encoded space kept")
            << QString("https://h/p/Corvix%20Setup.run") << QString("Corvix Setup.run");
        // No name, no path, dot dot, encoded slash or backslash, hidden, control character.
        for (const char* url :
             {"https://h/p/", "https://h", "https://h/p/%2e%2e", "https://h/p/..%2F..%2F.bashrc",
              "https://h/p/a%5Cb.deb", "https://h/p/.profile", "https://h/p/a%0Ab.deb"}) {
            QTest::newRow(url) << QString(url) << QString("update_package.zip");
        }
    }
    void sanitisesPackageFileNames() {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(PackageFiles::fileNameFor(QUrl(url)), name);
    }

    void progressArithmetic() {
        UpgradeWidget widget("CorvixLinux", "1.0.1", 2);
        widget.slotDownloadProgress(1536 * 1024, 3 * 1024 * 1024);
        QCOMPARE(widget.progressBar()->value(), 50);
        QCOMPARE(widget.sizeLabel()->text(), QString("1.5/3.0 MB"));
        // No total: the display stays as it was.
        widget.slotDownloadProgress(100, 0);
        widget.slotDownloadProgress(100, -1);
        QCOMPARE(widget.percentLabel()->text(), QString("50%"));
        QCOMPARE(widget.progressBar()->value(), 50);
    }

    void httpsPackageIsOfferedForInstall() {
        writePackage("corvix_1.2.0_amd64.deb", 70000);
        QPointer<UpgradeWidget> widget =
            makeWidget(m_tls.baseUrl().toString() + "/packages/corvix_1.2.0_amd64.deb", 70000);
        QSignalSpy finished(widget.data(), &UpgradeWidget::signalDownloadFinished);
        QTest::mouseClick(widget->firstButton(), Qt::LeftButton);
        QCOMPARE(widget->currentPage(), int(UpgradeWidget::DownloadPage));
        QVERIFY(finished.wait(20000));
        QCOMPARE(widget->currentPage(), int(UpgradeWidget::InstallPage));
        QVERIFY(widget->isPackageVerified());
        const QString path = PackageFiles::downloadFolder() + "/corvix_1.2.0_amd64.deb";
        QCOMPARE(widget->downloadPath(), path);
        QCOMPARE(QFileInfo(path).size(), 70000);
        QCOMPARE(modeOf(PackageFiles::downloadFolder()), 0700);
        QTest::mouseClick(widget->firstButton(), Qt::LeftButton);
        QCOMPARE(m_installed, QStringList{path});
        QTRY_VERIFY(widget.isNull());
    }

    // Without a verified certificate nothing is started: the file may only be shown in its folder.
    void httpPackageIsNeverStarted() {
        writePackage("plain.run", 5000);
        UpgradeWidget* widget = makeWidget(m_plain.baseUrl().toString() + "/packages/plain.run", 5000);
        QSignalSpy finished(widget, &UpgradeWidget::signalDownloadFinished);
        widget->slotConfirmClicked();
        QVERIFY(finished.wait(20000));
        QCOMPARE(widget->currentPage(), int(UpgradeWidget::InstallPage));
        QVERIFY(!widget->isPackageVerified());
        QVERIFY(widget->installLabel()->text().contains("http"));
        QTest::mouseClick(widget->firstButton(), Qt::LeftButton);
        QVERIFY(m_installed.isEmpty());
        QCOMPARE(m_catcher.urls, QList<QUrl>{QUrl::fromLocalFile(PackageFiles::downloadFolder())});
        QVERIFY(QFileInfo(widget->downloadPath()).isFile());
        widget->close();
    }

    // A short package, a stalled peer, a missing package: back on page 0 with nothing left.
    void failedDownloadsLeaveNoFile() {
        writePackage("short.deb", 4000);
        UpgradeWidget* widget = makeWidget(m_tls.baseUrl().toString() + "/packages/short.deb", 5000);
        widget->slotConfirmClicked();
        expectFailure(widget, "5000");
        widget->close();

        StubHttpServer stub;
        stub.setMode(StubHttpServer::SilentAfterHeaders);
        stub.setResponse("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(1000, 'x'));
        widget = makeWidget(stub.baseUrl().toString() + "/stall.deb", 100000);
        widget->setStallTimeoutMs(400);
        widget->slotConfirmClicked();
        expectFailure(widget, kFailed);
        widget->close();
    }

    // After a failure, confirming again starts afresh in an emptied private folder, and a link
    // planted there is removed as a link, never followed.
    void failureThenRetryFromAnEmptyPrivateFolder() {
        writePackage("good.deb", 3000);
        UpgradeWidget* widget = makeWidget(m_tls.baseUrl().toString() + "/packages/missing.deb", 0);
        widget->slotConfirmClicked();
        expectFailure(widget, kFailed);

        const QString folder = PackageFiles::downloadFolder();
        const QString victim = m_tmp.filePath("victim");
        QVERIFY(QDir().mkpath(victim));
        QVERIFY(writeFile(victim + "/precious.txt", "keep me"));
        QVERIFY(QFile::link(victim, folder + "/planted"));
        QVERIFY(writeFile(folder + "/stale.zip"));

        widget->setUpdateInfo(m_tls.baseUrl().toString() + "/packages/good.deb", 3000, "1.2.0");
        QSignalSpy finished(widget, &UpgradeWidget::signalDownloadFinished);
        widget->slotConfirmClicked();
        QVERIFY(finished.wait(20000));
        QCOMPARE(
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{"good.deb"});
        QVERIFY(QFile::exists(victim + "/precious.txt"));
        widget->close();
    }

    void cancelRemovesThePartialFile() {
        writePackage("big.run", 2000000);  // ten seconds at the slow server's rate
        QPointer<UpgradeWidget> widget =
            makeWidget(m_plain.baseUrl().toString() + "/packages/big.run", 2000000);
        widget->slotConfirmClicked();
        const QString path = widget->downloadPath();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 0, 20000);
        QTest::mouseClick(widget->secondButton(), Qt::LeftButton);  // "取消下载"
        QVERIFY(!QFile::exists(path));
        QTRY_VERIFY(widget.isNull());
    }

    // In the background the window hides and the disc shows the progress; a press on the disc
    // brings the window back on the download page, and the end of the download opens page 2.
    void backgroundDownloadShowsTheDisc() {
        writePackage("bg.run", 1000000);
        UpgradeWidget* widget = makeWidget(m_plain.baseUrl().toString() + "/packages/bg.run", 1000000);
        widget->slotConfirmClicked();
        QTest::mouseClick(widget->firstButton(), Qt::LeftButton);  // "后台下载"
        QVERIFY(!widget->isVisible());
        QPointer<UpgradeProgressDisc> disc = widget->progressDisc();
        QVERIFY(disc && disc->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(disc->percent() > 0, 20000);
        QTest::mousePress(disc.data(), Qt::LeftButton);
        QVERIFY(widget->isVisible());
        QCOMPARE(widget->currentPage(), int(UpgradeWidget::DownloadPage));
        QVERIFY(widget->progressBar()->value() > 0);

        QTest::mouseClick(widget->firstButton(), Qt::LeftButton);
        QVERIFY(!widget->isVisible() && widget->progressDisc());
        QTRY_COMPARE_WITH_TIMEOUT(widget->currentPage(), int(UpgradeWidget::InstallPage), 20000);
        QVERIFY(widget->isVisible());
        QVERIFY(!widget->progressDisc());
        widget->close();
    }

    // A .deb goes to the desktop's handler, a .run is made executable for its owner only and run
    // without arguments, anything else is shown in its folder.
    void installerHandsPackagesToTheSystem() {
        m_catcher.urls.clear();
        QString error;
        QVERIFY(QDir().mkpath(m_tmp.filePath("pkg")));
        const QString deb = m_tmp.filePath("pkg/corvix.deb");
        QVERIFY(writeFile(deb));
        QCOMPARE(PackageInstaller::install(deb, &error), PackageInstaller::Outcome::Started);
        QCOMPARE(m_catcher.urls, QList<QUrl>{QUrl::fromLocalFile(deb)});

        const QString run = m_tmp.filePath("pkg/corvix.run");
        const QString mark = m_tmp.filePath("pkg/ran");
        QVERIFY(writeFile(run, QStringLiteral("#!/bin/sh\necho \"$#\" > '%1'\n").arg(mark).toUtf8()));
        QCOMPARE(PackageInstaller::install(run, &error), PackageInstaller::Outcome::Started);
        QCOMPARE(modeOf(run), 0700);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(mark).size() > 0, 10000);
        QFile ran(mark);
        QVERIFY(ran.open(QIODevice::ReadOnly));
        QCOMPARE(ran.readAll().trimmed(), QByteArray("0"));

        m_catcher.urls.clear();
        const QString zip = m_tmp.filePath("pkg/update_package.zip");
        QVERIFY(writeFile(zip));
        QCOMPARE(PackageInstaller::install(zip, &error), PackageInstaller::Outcome::ShownInFolder);
        QCOMPARE(m_catcher.urls, QList<QUrl>{QUrl::fromLocalFile(m_tmp.filePath("pkg"))});
        QCOMPARE(PackageInstaller::install(m_tmp.filePath("pkg/gone.deb"), &error),
                 PackageInstaller::Outcome::Failed);
    }
};

QTEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
