#include "UpdateManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QWidget>

#include "ServiceConfig.h"
#include "UpgradeWidget.h"

Q_LOGGING_CATEGORY(lcUpdate, "corvix.update", QtWarningMsg)

namespace {

// The part before the first "(", split at "." (empty pieces kept, non-numbers are 0).
QVector<qlonglong> dottedNumbers(const QString& version) {
    const int paren = version.indexOf('(');
    const QString dotted = paren < 0 ? version : version.left(paren);
    QVector<qlonglong> numbers;
    for (const QString& piece : dotted.split('.')) {
        bool ok = false;
        const qlonglong n = piece.trimmed().toLongLong(&ok);
        numbers.append(ok ? n : 0);
    }
    return numbers;
}

QString buildText(const QString& version) {
    const int open = version.indexOf('(');
    if (open < 0) {
        return QString();
    }
    const int close = version.indexOf(')', open + 1);
    return close < 0 ? version.mid(open + 1) : version.mid(open + 1, close - open - 1);
}

}  // namespace

UpdateManager::UpdateManager(QString appName, QString version, int scope, QWidget* dialogParent,
                             QObject* parent)
    : QObject(parent),
      m_strAppName(std::move(appName)),
      m_strVersion(std::move(version)),
      m_nScope(scope),
      m_pDialogParent(dialogParent),
      m_pNetwork(new QNetworkAccessManager(this)),
      m_ssl(ServiceConfig::sslConfiguration()) {
    setBaseUrl(ServiceConfig::updateBaseUrl());
}

void UpdateManager::setBaseUrl(const QUrl& base) {
    m_baseUrl = ServiceConfig::isFetchable(base) ? base : QUrl();
}

QUrl UpdateManager::checkUrl() const {
    const QString query = QStringLiteral("app=%1&ver=%2&scope=%3")
                              .arg(QString::fromLatin1(QUrl::toPercentEncoding(m_strAppName)),
                                   QString::fromLatin1(QUrl::toPercentEncoding(m_strVersion, "()")),
                                   QString::number(m_nScope, 10));
    return ServiceConfig::joined(m_baseUrl, "/restapi/checkNew", query);
}

int UpdateManager::compareVersions(const QString& a, const QString& b) {
    const QVector<qlonglong> x = dottedNumbers(a);
    const QVector<qlonglong> y = dottedNumbers(b);
    for (int i = 0; i < qMax(x.size(), y.size()); ++i) {
        const qlonglong p = i < x.size() ? x[i] : 0;
        const qlonglong q = i < y.size() ? y[i] : 0;
        if (p != q) {
            return p > q ? 1 : -1;
        }
    }
    const QString buildA = buildText(a);
    const QString buildB = buildText(b);
    if (buildA.isEmpty() || buildB.isEmpty()) {
        return 0;
    }
    const qlonglong p = buildA.trimmed().toLongLong();
    const qlonglong q = buildB.trimmed().toLongLong();
    return p == q ? 0 : (p > q ? 1 : -1);
}

void UpdateManager::checkForUpdate() {
    if (m_baseUrl.isEmpty()) {
        qCInfo(lcUpdate) << "no update server configured: no check";
        emit signalCheckError(QStringLiteral("no update server configured"));
        return;
    }
    const QUrl url = checkUrl();
    qCDebug(lcUpdate, "UpdateManager::checkForUpdate url:%s", url.toString().toUtf8().constData());
    QNetworkRequest request(url);
    request.setSslConfiguration(m_ssl);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_pNetwork->get(request);
    connect(reply, &QNetworkReply::finished, this, &UpdateManager::slotCheckFinished);
}

void UpdateManager::slotCheckFinished() {
    qCDebug(lcUpdate) << "UpdateManager::slotCheckFinished start";
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply) {
        return;
    }
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        // Nothing here aborts the check: a cancelled request is one that timed out.
        const QString err = reply->error() == QNetworkReply::OperationCanceledError
                                ? QStringLiteral("update server timed out")
                                : reply->errorString();
        qCWarning(lcUpdate) << "update check failed:" << err;
        emit signalCheckError(err);
        return;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(reply->readAll());
    if (!doc.isObject()) {
        qCWarning(lcUpdate) << "update check: the answer is not a JSON object";
        emit signalCheckError(QStringLiteral("JSON error"));
        return;
    }
    const QJsonObject answer = doc.object();
    const QString serverVersion = answer.value("versionName").toString();
    const QString packageAddress = answer.value("urlLocal").toString();
    const qlonglong fileSize = qMax<qlonglong>(0, answer.value("fileSize").toVariant().toLongLong());
    qCDebug(lcUpdate) << "server:" << serverVersion << "local:" << m_strVersion;
    if (serverVersion.isEmpty()) {
        emit signalVersionChecked(kNoVersion);
        return;
    }
    const int result = compareVersions(serverVersion, m_strVersion);
    qCDebug(lcUpdate, "UpdateManager::slotCheckFinished result:%d", result);
    emit signalVersionChecked(result);
    if (result <= 0) {
        emit signalNoNewVersion();
        return;
    }
    if (UpgradeWidget* open = upgradeWidget()) {
        open->close();
    }
    auto* upgrade = new UpgradeWidget(m_strAppName, m_strVersion, m_nScope, m_pDialogParent);
    upgrade->setAttribute(Qt::WA_DeleteOnClose);
    // A relative package address is on the update server itself.
    const QString packageUrl =
        packageAddress.isEmpty() ? QString() : reply->url().resolved(QUrl(packageAddress)).toString();
    upgrade->setUpdateInfo(packageUrl, fileSize, serverVersion);
    m_pUpgrade = upgrade;
    upgrade->show();
}
