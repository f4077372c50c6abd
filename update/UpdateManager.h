#ifndef CORVIX_UPDATE_MANAGER_H
#define CORVIX_UPDATE_MANAGER_H

#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include "UpgradeWidget.h"

class QNetworkAccessManager;
class QWidget;

// Asks the update server whether a newer version exists and, when it does, opens the upgrade
// dialog with the package's address, size and version. GUI thread only.
class UpdateManager : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckTimeoutMs = 10000;
    // Result of signalVersionChecked when the server named no version.
    static constexpr int kNoVersion = -999;

    UpdateManager(QString appName, QString version, int scope, QWidget* dialogParent,
                  QObject* parent = nullptr);

    // The server address (from the service configuration at construction); empty = no check.
    void setBaseUrl(const QUrl& base);
    QUrl baseUrl() const { return m_baseUrl; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    QUrl checkUrl() const;

    // Sends the request and returns at once; without an address it only logs and reports an error.
    void checkForUpdate();

    // 1 when a is newer than b, -1 when older, 0 when equal or not comparable. Dotted numbers
    // compare piece by piece (missing and non-numeric pieces are 0); when they tie, the build
    // numbers in parentheses decide, but only when both versions have one.
    static int compareVersions(const QString& a, const QString& b);

    // The dialog opened by the last check, while it lives.
    UpgradeWidget* upgradeWidget() const { return m_pUpgrade.data(); }

signals:
    void signalNoNewVersion();
    void signalCheckError(QString err);
    void signalVersionChecked(int result);

public slots:
    void slotCheckFinished();

private:
    QString m_strAppName;
    QString m_strVersion;
    int m_nScope = 0;
    QWidget* m_pDialogParent = nullptr;  // not owned
    QNetworkAccessManager* m_pNetwork = nullptr;
    QUrl m_baseUrl;
    QSslConfiguration m_ssl;
    int m_timeoutMs = kCheckTimeoutMs;
    QPointer<UpgradeWidget> m_pUpgrade;  // the dialog of the last newer version, while it lives
};

#endif
