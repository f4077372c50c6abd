#ifndef CORVIX_UPGRADE_WIDGET_H
#define CORVIX_UPGRADE_WIDGET_H

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "PackageInstaller.h"

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class UpgradeProgressDisc;

// Offers a newer version, downloads its package into the user's private download folder with
// progress (in the window or, in the background, on a floating disc) and hands it to the system.
// Pages: 0 offer or failure, 1 download, 2 install. A package is offered for install only when
// it is complete (its announced size, when there was one) and came over verified HTTPS.
// Translucent frameless top-level window. GUI thread only.
class UpgradeWidget : public QWidget {
    Q_OBJECT
public:
    enum Page { MessagePage = 0, DownloadPage = 1, InstallPage = 2 };
    // A download that receives nothing for this long fails.
    static constexpr int kStallTimeoutMs = 30000;
    using Installer = std::function<PackageInstaller::Outcome(const QString& path, QString* error)>;

    UpgradeWidget(QString appName, QString version, int scope, QWidget* parent = nullptr);
    ~UpgradeWidget() override;

    void setUpdateInfo(QString packageUrl, qint64 fileSizeBytes, QString versionName);

    int currentPage() const { return m_nCurrentPage; }
    QString downloadPath() const { return m_strDownloadPath; }
    bool isDownloading() const { return m_pDownloadReply != nullptr; }
    // The finished package came over HTTPS with a verified certificate.
    bool isPackageVerified() const { return m_bPackageVerified; }

    // Seams for tests: what starts the installer, how long a silent download may stall.
    void setInstaller(Installer installer) { m_installer = std::move(installer); }
    void setStallTimeoutMs(int ms) { m_nStallTimeoutMs = ms; }

    QPushButton* firstButton() const { return m_pFirstButton; }
    QPushButton* secondButton() const { return m_pSecondButton; }
    QLabel* messageLabel() const { return m_pMessageLabel; }
    QLabel* installLabel() const { return m_pInstallLabel; }
    QProgressBar* progressBar() const { return m_pProgressBar; }
    QLabel* percentLabel() const { return m_pPercentLabel; }
    QLabel* sizeLabel() const { return m_pSizeLabel; }
    UpgradeProgressDisc* progressDisc() const { return m_pProgressDisc; }

    // Compares two versions by their runs of digits (anything else separates), missing runs 0.
    static int compareDigitRuns(const QString& a, const QString& b);

signals:
    void signalCheckResult(int resultCode, QString message);
    void signalWidgetClose();
    void signalDownloadFinished(QString downloadFilePath);

public slots:
    void slotConfirmClicked();
    void slotCancelClicked();
    void slotBgDownloadClicked();
    void slotCancelDownloadClicked();
    void slotCheckForUpdate();
    void slotCheckNewVersionReplyFinished();
    void slotDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void slotDownloadFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildUi();
    QWidget* buildMessagePage();
    QWidget* buildDownloadPage();
    QWidget* buildInstallPage();
    void switchPage(int page);
    void startDownload();
    void onDownloadReadyRead();
    void failDownload(const QString& message);
    void abortDownload();
    void install();
    void closeDisc();
    void showOffer(const QString& versionName, qint64 fileSizeBytes);

    QStackedWidget* m_pStack = nullptr;
    QPushButton* m_pFirstButton = nullptr;
    QPushButton* m_pSecondButton = nullptr;
    QLabel* m_pMessageLabel = nullptr;
    QLabel* m_pDownloadTitle = nullptr;
    QProgressBar* m_pProgressBar = nullptr;
    QLabel* m_pPercentLabel = nullptr;
    QLabel* m_pSizeLabel = nullptr;
    QLabel* m_pInstallLabel = nullptr;
    QWidget* m_pMainPage = nullptr;
    int m_nCurrentPage = MessagePage;
    QNetworkAccessManager* m_pNetwork = nullptr;
    QNetworkReply* m_pDownloadReply = nullptr;  // the running download, or none
    QString m_strAppName;
    QString m_strVersion;
    int m_nScope = 0;
    QString m_strPackageUrl;
    qint64 m_nExpectedSize = 0;  // announced size in bytes, 0 when none was
    QString m_strDownloadPath;
    QString m_strWriteError;  // why the running download's file could not be written
    bool m_bBackground = false;
    bool m_bPackageVerified = false;
    UpgradeProgressDisc* m_pProgressDisc = nullptr;  // owned; a window of its own
    int m_nPercent = 0;
    int m_nStallTimeoutMs = kStallTimeoutMs;
    Installer m_installer;
};

#endif
