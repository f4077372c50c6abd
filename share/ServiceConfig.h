#ifndef CORVIX_SERVICE_CONFIG_H
#define CORVIX_SERVICE_CONFIG_H

#include <QSslConfiguration>
#include <QString>
#include <QUrl>

// Where the share and update servers are, and which extra CA vouches for them. Each value comes
// from the environment when the variable is set, else from the settings file, else from the
// compiled-in default:
//   CORVIX_SHARE_URL   "share/url"       share server, https://host[:port][/prefix]
//   CORVIX_UPDATE_URL  "update/url"      update server, http[s]://host[:port][/prefix]
//   CORVIX_UPDATE_APP  "update/app"      application name sent to the update server
//   CORVIX_CA_FILE     "network/caFile"  PEM file of CA certificates added to the system's
namespace ServiceConfig {

QUrl shareBaseUrl();
QUrl updateBaseUrl();
QString updateAppName();
QString caFile();

// The system's CA set plus the certificates of caFile(); verification always stays on.
QSslConfiguration sslConfiguration();

// An http or https address with a host, else an empty QUrl (what = the name used in the log).
QUrl checkedBaseUrl(const QString& text, const char* what);

// True for an absolute http or https address with a host: the only addresses ever fetched.
bool isFetchable(const QUrl& url);

// base + path (the base's own path kept as a prefix) + an optional query.
QUrl joined(const QUrl& base, const QString& path, const QString& query = QString());

}  // namespace ServiceConfig

#endif
