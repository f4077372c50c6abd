// Where the service addresses come from, and that an extra CA is added to the system's set.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ReferenceServer.h"
#include "ServiceConfig.h"

class TestServiceConfig : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", m_tmp.filePath("config").toUtf8());
        for (const char* name :
             {"CORVIX_SHARE_URL", "CORVIX_UPDATE_URL", "CORVIX_UPDATE_APP", "CORVIX_CA_FILE"}) {
            qunsetenv(name);
        }
    }

    // The environment over the settings file over the compiled-in default (empty: off).
    void environmentOverSettingsOverDefault() {
        QCOMPARE(ServiceConfig::shareBaseUrl(), QUrl());
        QCOMPARE(ServiceConfig::updateAppName(), QString("CorvixLinux"));
        {
            QSettings settings("Corvix", "Corvix");
            settings.setValue("share/url", "https://share.example:8443");
            settings.setValue("update/url", "http://update.example/corvix/");
            settings.setValue("update/app", "CorvixLinuxArm");
        }
        QCOMPARE(ServiceConfig::shareBaseUrl(), QUrl("https://share.example:8443"));
        QCOMPARE(ServiceConfig::updateAppName(), QString("CorvixLinuxArm"));
        // A prefix path is kept in front of the protocol's paths.
        QCOMPARE(ServiceConfig::joined(ServiceConfig::updateBaseUrl(), "/restapi/checkNew", "app=a"),
                 QUrl("http://update.example/corvix/restapi/checkNew?app=a"));
        qputenv("CORVIX_SHARE_URL", "https://env.example");
        QCOMPARE(ServiceConfig::shareBaseUrl(), QUrl("https://env.example"));
        // Set but empty switches the service off, whatever the settings say.
        qputenv("CORVIX_SHARE_URL", "");
        QCOMPARE(ServiceConfig::shareBaseUrl(), QUrl());
        qunsetenv("CORVIX_SHARE_URL");
    }

    void extraCaIsAddedNotSubstituted() {
        const int system = QSslConfiguration::defaultConfiguration().caCertificates().size();
        QVERIFY(ReferenceServer::makeCertificates(m_tmp.filePath("certs")));
        qputenv("CORVIX_CA_FILE", m_tmp.filePath("certs/ca.pem").toUtf8());
        QCOMPARE(ServiceConfig::sslConfiguration().caCertificates().size(), system + 1);
        qputenv("CORVIX_CA_FILE", m_tmp.filePath("missing.pem").toUtf8());
        QCOMPARE(ServiceConfig::sslConfiguration().caCertificates().size(), system);
        qunsetenv("CORVIX_CA_FILE");
    }

private:
    QTemporaryDir m_tmp;
};

QTEST_MAIN(TestServiceConfig)
#include "tst_serviceconfig.moc"
