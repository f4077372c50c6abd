#include "UpgradeWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QRegularExpression>

#include "PackageFiles.h"
#include "ServiceConfig.h"
#include "UpdateManager.h"
#include "UpgradeProgressDisc.h"

Q_LOGGING_CATEGORY(lcUpgrade, "corvix.upgrade", QtWarningMsg)

namespace {
const char* const kUserAgent = "YourApp-Updater/1.0";
}  // namespace

UpgradeWidget::UpgradeWidget(QString appName, QString version, int scope, QWidget* parent)
    : QWidget(parent),
      m_pNetwork(new QNetworkAccessManager(this)),
      m_strAppName(std::move(appName)),
      m_strVersion(std::move(version)),
      m_nScope(scope),
      m_installer(&PackageInstaller::install) {
    buildUi();
    switchPage(MessagePage);
}

UpgradeWidget::~UpgradeWidget() {
    abortDownload();
    delete m_pProgressDisc;
}

void UpgradeWidget::showOffer(const QString& versionName, qint64 fileSizeBytes) {
    m_pMessageLabel->setText(tr("检测到新版本V%1(%2MB),是否立即更新?")
                                 .arg(versionName)
                                 .arg(double(fileSizeBytes) / 1024 / 1024, 0, 'f', 2));
    switchPage(MessagePage);
}

void UpgradeWidget::setUpdateInfo(QString packageUrl, qint64 fileSizeBytes, QString versionName) {
    m_strPackageUrl = std::move(packageUrl);
    m_nExpectedSize = qMax<qint64>(0, fileSizeBytes);
    showOffer(versionName, fileSizeBytes);
}

// ---------------------------------------------------------------------------------------------
// Download

void UpgradeWidget::slotConfirmClicked() {
    switchPage(DownloadPage);
    startDownload();
}

void UpgradeWidget::slotCancelClicked() {
    close();
}

void UpgradeWidget::abortDownload() {
    QNetworkReply* reply = m_pDownloadReply;
    if (!reply) {
        return;
    }
    m_pDownloadReply = nullptr;
    reply->disconnect(this);
    reply->abort();
    if (auto* file = qobject_cast<QFile*>(reply->property("outputFile").value<QObject*>())) {
        file->close();
        file->remove();
    }
    reply->deleteLater();
}

void UpgradeWidget::failDownload(const QString& message) {
    qCWarning(lcUpgrade) << "download failed:" << message;
    m_pMessageLabel->setText(message);
    switchPage(MessagePage);
    // A failure in the background brings the window back: the user must know.
    closeDisc();
    show();
    raise();
}

void UpgradeWidget::startDownload() {
    const QString networkFailure = tr("Download failed, please check network and try again.");
    abortDownload();
    m_bPackageVerified = false;
    m_strWriteError.clear();
    const QUrl url(m_strPackageUrl);
    if (!ServiceConfig::isFetchable(url)) {
        failDownload(tr("安装包地址无效：%1").arg(m_strPackageUrl));
        return;
    }
    const QString folder = PackageFiles::downloadFolder();
    QString error;
    if (!PackageFiles::preparePrivateFolder(folder, &error)) {
        qCWarning(lcUpgrade) << error;
        failDownload(networkFailure);
        return;
    }
    m_strDownloadPath = folder + "/" + PackageFiles::fileNameFor(url);
    auto* file = new QFile(m_strDownloadPath);
    // NewOnly: never write through something planted under the name.
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qCWarning(lcUpgrade) << "cannot create" << m_strDownloadPath << file->errorString();
        delete file;
        failDownload(networkFailure);
        return;
    }
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setSslConfiguration(ServiceConfig::sslConfiguration());
    request.setTransferTimeout(m_nStallTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_pDownloadReply = m_pNetwork->get(request);
    file->setParent(m_pDownloadReply);
    m_pDownloadReply->setProperty("outputFile", QVariant::fromValue<QObject*>(file));
    connect(m_pDownloadReply, &QNetworkReply::downloadProgress, this, &UpgradeWidget::slotDownloadProgress);
    connect(m_pDownloadReply, &QNetworkReply::finished, this, &UpgradeWidget::slotDownloadFinished);
    connect(m_pDownloadReply, &QNetworkReply::readyRead, this, &UpgradeWidget::onDownloadReadyRead);
    m_nPercent = 0;
    m_pProgressBar->setValue(0);
    m_pPercentLabel->setText("0%");
    m_pSizeLabel->setText("0/0 MB");
    qCDebug(lcUpgrade) << "downloading" << url.toString() << "to" << m_strDownloadPath;
}

void UpgradeWidget::onDownloadReadyRead() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    auto* file = reply ? qobject_cast<QFile*>(reply->property("outputFile").value<QObject*>()) : nullptr;
    if (!file || !m_strWriteError.isEmpty()) {
        return;
    }
    const QByteArray data = reply->readAll();
    if (file->write(data) != data.size()) {
        // A full disk must not end as a "complete" package.
        m_strWriteError = file->errorString();
        reply->abort();
    }
}

void UpgradeWidget::slotDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal) {
    if (bytesTotal <= 0) {
        return;
    }
    m_nPercent = int(bytesReceived * 100 / bytesTotal);
    m_pProgressBar->setValue(m_nPercent);
    m_pPercentLabel->setText(QStringLiteral("%1%").arg(m_nPercent));
    m_pSizeLabel->setText(QStringLiteral("%1/%2 MB")
                              .arg(double(bytesReceived) / (1024 * 1024), 0, 'f', 1)
                              .arg(double(bytesTotal) / (1024 * 1024), 0, 'f', 1));
    if (m_pProgressDisc) {
        m_pProgressDisc->setPercent(m_nPercent);
    }
}

void UpgradeWidget::slotDownloadFinished() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply) {
        return;
    }
    reply->deleteLater();
    if (reply != m_pDownloadReply) {
        return;
    }
    m_pDownloadReply = nullptr;
    auto* file = qobject_cast<QFile*>(reply->property("outputFile").value<QObject*>());
    if (!file) {
        return;
    }
    const QString networkFailure = tr("Download failed, please check network and try again.");
    QString failure;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!m_strWriteError.isEmpty()) {
        failure = tr("无法保存安装包：%1").arg(m_strWriteError);
    } else if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        qCWarning(lcUpgrade) << "download error:" << reply->error() << reply->errorString() << "HTTP"
                             << status;
        failure = networkFailure;
    } else {
        // Whatever is still buffered, then make sure it reached the disk.
        const QByteArray rest = reply->readAll();
        if (file->write(rest) != rest.size() || !file->flush()) {
            failure = tr("无法保存安装包：%1").arg(file->errorString());
        }
    }
    file->close();
    const qint64 size = QFileInfo(m_strDownloadPath).size();
    if (failure.isEmpty() && m_nExpectedSize > 0 && size != m_nExpectedSize) {
        failure = tr("安装包不完整（收到 %1 字节，应为 %2 字节），请重试。").arg(size).arg(m_nExpectedSize);
    }
    if (!failure.isEmpty()) {
        file->remove();
        failDownload(failure);
        return;
    }
    m_bPackageVerified = reply->url().scheme().compare("https", Qt::CaseInsensitive) == 0;
    if (!m_bPackageVerified) {
        qCWarning(lcUpgrade) << "package came over plain http; it will not be started:" << m_strDownloadPath;
    }
    closeDisc();
    show();
    raise();
    switchPage(InstallPage);
    emit signalDownloadFinished(m_strDownloadPath);
}

void UpgradeWidget::slotBgDownloadClicked() {
    m_bBackground = true;
    if (!m_pDownloadReply) {
        startDownload();
        if (!m_pDownloadReply) {
            return;  // the failure is on page 0
        }
    }
    hide();
    if (!m_pProgressDisc) {
        m_pProgressDisc = new UpgradeProgressDisc;
        connect(m_pProgressDisc, &UpgradeProgressDisc::sigPressed, this, [this] {
            closeDisc();
            show();
            raise();
            activateWindow();
        });
    }
    m_pProgressDisc->setPercent(m_nPercent);
    m_pProgressDisc->show();
    m_pProgressDisc->raise();
}

void UpgradeWidget::closeDisc() {
    if (m_pProgressDisc) {
        m_pProgressDisc->deleteLater();
        m_pProgressDisc->hide();
        m_pProgressDisc = nullptr;
    }
}

void UpgradeWidget::slotCancelDownloadClicked() {
    abortDownload();
    if (!m_strDownloadPath.isEmpty() && QFileInfo::exists(m_strDownloadPath)) {
        QFile::remove(m_strDownloadPath);
    }
    closeDisc();
    close();
}

void UpgradeWidget::closeEvent(QCloseEvent* event) {
    // Closing mid-download leaves no partial package behind.
    abortDownload();
    closeDisc();
    emit signalWidgetClose();
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Install

void UpgradeWidget::install() {
    if (!m_bPackageVerified || !QFileInfo::exists(m_strDownloadPath)) {
        return;
    }
    QString error;
    switch (m_installer(m_strDownloadPath, &error)) {
        case PackageInstaller::Outcome::Started:
            qCDebug(lcUpgrade) << "installer started; quitting";
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            break;
        case PackageInstaller::Outcome::ShownInFolder:
            close();
            break;
        case PackageInstaller::Outcome::Failed:
            qCWarning(lcUpgrade) << "installer not started:" << error;
            m_pInstallLabel->setText(tr("无法启动安装程序：%1").arg(error));
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// The dialog's own version check

int UpgradeWidget::compareDigitRuns(const QString& a, const QString& b) {
    static const QRegularExpression nonDigits("[^0-9]+");
    const QStringList x = a.split(nonDigits, Qt::SkipEmptyParts);
    const QStringList y = b.split(nonDigits, Qt::SkipEmptyParts);
    for (int i = 0; i < qMax(x.size(), y.size()); ++i) {
        const qlonglong p = i < x.size() ? x[i].toLongLong() : 0;
        const qlonglong q = i < y.size() ? y[i].toLongLong() : 0;
        if (p != q) {
            return p > q ? 1 : -1;
        }
    }
    return 0;
}

void UpgradeWidget::slotCheckForUpdate() {
    UpdateManager probe(m_strAppName, m_strVersion, m_nScope, nullptr);
    if (probe.baseUrl().isEmpty()) {
        emit signalCheckResult(3, QStringLiteral("Network error:no update server configured"));
        return;
    }
    QNetworkRequest request(probe.checkUrl());
    request.setRawHeader("User-Agent", kUserAgent);
    request.setSslConfiguration(ServiceConfig::sslConfiguration());
    request.setTransferTimeout(UpdateManager::kCheckTimeoutMs);
    QNetworkReply* reply = m_pNetwork->get(request);
    connect(reply, &QNetworkReply::finished, this, &UpgradeWidget::slotCheckNewVersionReplyFinished);
}

void UpgradeWidget::slotCheckNewVersionReplyFinished() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply) {
        emit signalCheckResult(2, QStringLiteral("QNetworkReply is nullptr"));
        return;
    }
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        emit signalCheckResult(3, "Network error:" + reply->errorString());
        return;
    }
    const QByteArray body = reply->readAll();
    if (body.isEmpty()) {
        emit signalCheckResult(4, QStringLiteral("Server returned empty data"));
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        emit signalCheckResult(5, "JSON parse error:" + parseError.errorString());
        return;
    }
    const QJsonObject answer = doc.object();
    const QString serverVersion = answer.value("versionName").toString();
    qCDebug(lcUpgrade, "serverVersionName:%s,appVersion:%s", qUtf8Printable(serverVersion),
            qUtf8Printable(m_strVersion));
    if (compareDigitRuns(serverVersion, m_strVersion) <= 0) {
        emit signalCheckResult(1, QStringLiteral("No new version"));
        return;
    }
    const QString address = answer.value("urlLocal").toString();
    m_strPackageUrl = address.isEmpty() ? QString() : reply->url().resolved(QUrl(address)).toString();
    m_nExpectedSize = qMax<qlonglong>(0, answer.value("fileSize").toVariant().toLongLong());
    showOffer(serverVersion, m_nExpectedSize);
    emit signalCheckResult(0, m_strPackageUrl);
}
