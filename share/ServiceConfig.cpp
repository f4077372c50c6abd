#include "ServiceConfig.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSettings>
#include <QSslCertificate>

Q_LOGGING_CATEGORY(lcService, "corvix.service", QtWarningMsg)

namespace {

QString configured(const char* variable, const char* settingsKey, const char* compiledDefault) {
    if (qEnvironmentVariableIsSet(variable)) {
        return qEnvironmentVariable(variable).trimmed();
    }
    QSettings settings("Corvix", "Corvix");
    if (settings.status() == QSettings::NoError && settings.contains(settingsKey)) {
        return settings.value(settingsKey).toString().trimmed();
    }
    return QString::fromUtf8(compiledDefault);
}

}  // namespace

namespace ServiceConfig {

QUrl shareBaseUrl() {
    return checkedBaseUrl(configured("CORVIX_SHARE_URL", "share/url", CORVIX_DEFAULT_SHARE_URL), "share");
}

QUrl updateBaseUrl() {
    return checkedBaseUrl(configured("CORVIX_UPDATE_URL", "update/url", CORVIX_DEFAULT_UPDATE_URL), "update");
}

QString updateAppName() {
    const QString name = configured("CORVIX_UPDATE_APP", "update/app", CORVIX_DEFAULT_UPDATE_APP);
    return name.isEmpty() ? QStringLiteral("CorvixLinux") : name;
}

QString caFile() {
    return configured("CORVIX_CA_FILE", "network/caFile", "");
}

QSslConfiguration sslConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    const QString file = caFile();
    if (file.isEmpty()) {
        return config;
    }
    QFile pem(file);
    if (!pem.open(QIODevice::ReadOnly)) {
        qCWarning(lcService) << "CA file not readable:" << file << pem.errorString();
        return config;
    }
    const QList<QSslCertificate> extra = QSslCertificate::fromData(pem.readAll(), QSsl::Pem);
    if (extra.isEmpty()) {
        qCWarning(lcService) << "CA file holds no PEM certificate:" << file;
        return config;
    }
    QList<QSslCertificate> all = config.caCertificates();
    all.append(extra);
    config.setCaCertificates(all);
    return config;
}

bool isFetchable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https") && !url.host().isEmpty();
}

QUrl checkedBaseUrl(const QString& text, const char* what) {
    if (text.isEmpty()) {
        qCInfo(lcService) << what << "server: no address configured, the service is off";
        return QUrl();
    }
    QUrl url(text, QUrl::StrictMode);
    if (!isFetchable(url) || url.hasQuery() || url.hasFragment()) {
        qCWarning(lcService) << what << "server: not an http(s) base address, the service is off:" << text;
        return QUrl();
    }
    return url;
}

QUrl joined(const QUrl& base, const QString& path, const QString& query) {
    QUrl url = base;
    QString prefix = base.path();
    while (prefix.endsWith('/')) {
        prefix.chop(1);
    }
    url.setPath(prefix + path);
    url.setQuery(query.isEmpty() ? QString() : query);
    return url;
}

}  // namespace ServiceConfig
