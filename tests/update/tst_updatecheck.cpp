// The update check against the reference server: version comparison, what the server's answer
// leads to, and a server that never answers.
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ReferenceServer.h"
#include "StubHttpServer.h"
#include "UiScale.h"
#include "UpdateManager.h"
#include "UpgradeWidget.h"

class TestUpdateCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        overrideUiScale(1.0);
        qputenv("XDG_CONFIG_HOME", m_tmp.filePath("config").toUtf8());
        qputenv("XDG_CACHE_HOME", m_tmp.filePath("cache").toUtf8());
        qunsetenv("CORVIX_UPDATE_URL");
        QVERIFY(m_server.start(true));
        qputenv("CORVIX_CA_FILE", m_server.caFile().toUtf8());
    }

    void comparesVersions_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("result");
        // "a b result": the result of comparing a with b.
        for (const char* row : {"1.0.10(1) 1.0.9(9) 1", "1.0.1 1.0.1.0 0", "1.0.1.1 1.0.1 1",
                                "1.0.1(20260401) 1.0.1(20260320) 1", "1.0.1(20260301) 1.0.1(20260320) -1",
                                "1.0.1 1.0.1(20260320) 0", "1.a.0 1.0.0 0",
                                "1.0.0(20270101) 1.0.1(20260320) -1", "2 1.9.9(99999999) 1"}) {
            const QStringList parts = QString(row).split(' ');
            QTest::newRow(row) << parts[0] << parts[1] << parts[2].toInt();
        }
    }
    void comparesVersions() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, result);
        QCOMPARE(UpdateManager::compareVersions(a, b), result);
        QCOMPARE(UpdateManager::compareVersions(b, a), -result);
    }

    // The manifest's answer for "CorvixLinux" (the Windows package is never offered to us).
    void answersFromTheManifest_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<int>("result");  // only a newer version (1) is offered
        QTest::newRow("newer") << QByteArray(
                                      R"j({"versionName": "1.2.0(20270101)", "urlLocal": "/p/c.deb", )j"
                                      R"j("fileSize": "3145728"})j")
                               << 1;
        QTest::newRow("equal") << QByteArray(R"j({"versionName": "1.0.1(20260320)"})j") << 0;
        QTest::newRow("older") << QByteArray(R"j({"versionName": "0.9"})j") << -1;
        QTest::newRow("no version") << QByteArray(R"j({"urlLocal": "/p/c.deb"})j") << -999;
        QTest::newRow("other app only") << QByteArray() << -999;
    }
    void answersFromTheManifest() {
        QFETCH(QByteArray, entry);
        QFETCH(int, result);
        const bool offered = result == 1;
        const QByteArray windows =
            R"("CorvixWin": {"versionName": "9.0", "urlLocal": "/packages/setup.exe"})";
        QVERIFY(m_server.writeManifest(entry.isEmpty() ? "{\"apps\": {" + windows + "}}"
                                                       : "{\"apps\": {\"CorvixLinux\": " + entry + ", " +
                                                             windows + "}}"));
        QWidget parent;
        UpdateManager manager("CorvixLinux", "1.0.1(20260320)", 2, &parent);
        manager.setBaseUrl(m_server.baseUrl());
        QSignalSpy checked(&manager, &UpdateManager::signalVersionChecked);
        QSignalSpy noNew(&manager, &UpdateManager::signalNoNewVersion);
        manager.checkForUpdate();
        QVERIFY(checked.wait(20000));
        QCOMPARE(checked.at(0).at(0).toInt(), result);
        QCOMPARE(bool(manager.upgradeWidget()), offered);
        QCOMPARE(noNew.count(), (offered || result == -999) ? 0 : 1);
        QVERIFY(m_server.log().contains("ver=1.0.1(20260320)&scope=2"));
        if (offered) {
            UpgradeWidget* upgrade = manager.upgradeWidget();
            QVERIFY(upgrade->isVisible());
            QCOMPARE(upgrade->currentPage(), int(UpgradeWidget::MessagePage));
            QCOMPARE(upgrade->messageLabel()->text(),
                     QString("检测到新版本V1.2.0(20270101)(3.00MB),是否立即更新?"));
            upgrade->close();
        }
    }

    // The check runs unasked: a silent server ends it with an error after the time-out, and no
    // result reaches the device page.
    void silentServerEndsInError() {
        StubHttpServer stub;
        stub.setMode(StubHttpServer::NeverAnswer);
        UpdateManager manager("CorvixLinux", "1.0.1(20260320)", 2, nullptr);
        manager.setBaseUrl(stub.baseUrl());
        manager.setTimeoutMs(300);
        QSignalSpy checked(&manager, &UpdateManager::signalVersionChecked);
        QSignalSpy errors(&manager, &UpdateManager::signalCheckError);
        manager.checkForUpdate();
        QVERIFY(errors.wait(20000));
        QCOMPARE(checked.count(), 0);
    }

    void notConfiguredSendsNothing() {
        qputenv("CORVIX_UPDATE_URL", "file:///etc/passwd");
        UpdateManager manager("CorvixLinux", "1.0.1", 2, nullptr);
        qunsetenv("CORVIX_UPDATE_URL");
        QVERIFY(manager.baseUrl().isEmpty());
        QSignalSpy errors(&manager, &UpdateManager::signalCheckError);
        manager.checkForUpdate();
        QCOMPARE(errors.count(), 1);
    }

private:
    QTemporaryDir m_tmp;
    ReferenceServer m_server;
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
