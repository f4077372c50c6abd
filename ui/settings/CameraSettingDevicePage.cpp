#include "CameraSettingDevicePage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include "CameraController.h"
#include "InfoRow.h"
#include "OverlayScrollArea.h"
#include "SettingsPageParts.h"
#include "SidePopupSelector.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "ToastLabel.h"
#include "UiScale.h"

const char* const CameraSettingDevicePage::kFolderKey = "output/folder";
const char* const CameraSettingDevicePage::kSwitchKeys[SwitchCount] = {
    "display/overlayInfo", "display/dateWatermark", "display/delayCapture", "display/scanCapture"};

namespace {
using SettingsPageParts::makeLine;

QString platformName() {
#if defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#else
    return QSysInfo::kernelType();
#endif
}

// A folder is usable when a file can really be created in it (permission bits alone do not
// tell about read-only mounts).
bool isWritableFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return false;
    }
    QTemporaryFile probe(QDir(folder).filePath(".corvix-write-test-XXXXXX"));
    return probe.open();
}

bool settingsReadable(const QSettings& settings) {
    return settings.status() == QSettings::NoError;
}
}  // namespace

CameraSettingDevicePage::CameraSettingDevicePage(CameraController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    m_folderPicker = [this](const QString& current) {
        return QFileDialog::getExistingDirectory(this, tr("选择文件夹…"), current);
    };
    // The remembered choices; a missing or damaged settings file means the defaults.
    QSettings settings("Corvix", "Corvix");
    const bool readable = settingsReadable(settings);
    const QString remembered = readable ? settings.value(kFolderKey).toString() : QString();
    m_strSavePath = isWritableFolder(remembered) ? remembered : defaultSavePath();
    bool states[SwitchCount] = {true, false, false, false};
    for (int s = 0; readable && s < SwitchCount; ++s) {
        const QVariant value = settings.value(kSwitchKeys[s]);
        const QString text = value.toString().toLower();
        if (text == "true" || text == "false") {
            states[s] = text == "true";
        }
    }

    buildTree();
    for (int s = 0; s < SwitchCount; ++s) {
        m_switches[s]->setChecked(states[s]);
    }
    emit sigRecordOutputPathChanged(m_strSavePath);

    for (int s = 0; s < SwitchCount; ++s) {
        connect(m_switches[s]->switchButton(), &QAbstractButton::toggled, this,
                [this, s](bool on) { onSwitchToggled(Switch(s), on); });
    }
    // Queued: the folder dialog opens once the selector list has closed.
    connect(m_pathSelector, &SidePopupSelector::currentIndexChanged, this,
            &CameraSettingDevicePage::onPathChosen, Qt::QueuedConnection);
    if (m_controller) {
        connect(m_controller, &CameraController::sigVersionChecked, this,
                &CameraSettingDevicePage::slotVersionChecked, Qt::QueuedConnection);
    }
}

QString CameraSettingDevicePage::defaultSavePath() {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Corvix";
    if (!QDir().mkpath(path)) {
        qWarning() << "CameraSettingDevicePage: cannot create" << path;
    }
    return path;
}

void CameraSettingDevicePage::buildTree() {
    const SettingsPageParts::Frame frame = SettingsPageParts::buildFrame(
        this, tr("设备设置"), scaled(130), QMargins(scaled(20), 0, scaled(20), 0), 0);
    QWidget* content = frame.content;
    QVBoxLayout* v = frame.column;

    QWidget* pathRow = SettingsPageParts::makeSelectorRow(tr("保存路径"), content, &m_pathSelector);
    pathRow->setFixedHeight(scaled(96));
    fillPathSelector();
    v->addWidget(pathRow);
    v->addWidget(makeLine(content));

    auto* switches = new QWidget(content);
    switches->setFixedHeight(scaled(520));
    auto* sv = new QVBoxLayout(switches);
    sv->setSpacing(scaled(15));
    const QString titles[SwitchCount] = {tr("显示参数"), tr("日期水印"), tr("延时拍照"), tr("扫码取图")};
    for (int s = 0; s < SwitchCount; ++s) {
        m_switches[s] = new SwitchRow(titles[s], switches);
        sv->addWidget(m_switches[s]);
    }
    v->addWidget(switches);
    v->addWidget(makeLine(content));

    auto* info = new QWidget(content);
    auto* iv = new QVBoxLayout(info);
    iv->setContentsMargins(0, scaled(20), 0, scaled(20));
    iv->setSpacing(10);
    auto addInfo = [&](const QString& text) {
        auto* row = new InfoRow(text, info, false);
        iv->addWidget(row);
        return row;
    };
    m_nameRow = addInfo("设备名称");
    m_makerRow = addInfo("设备厂商");
    m_pidVidRow = addInfo("VID/PID ");
    m_midRow = addInfo("MID     ");
    m_fwRow = addInfo("固件版本");
    m_xuRow = addInfo("XU版本");
    m_sdkRow = addInfo("SDK版本 ");
    iv->addStretch();
    m_makerRow->hide();
    m_xuRow->hide();
    v->addWidget(info);
    v->addWidget(makeLine(content));

    auto* about = new QWidget(content);
    auto* av = new QVBoxLayout(about);
    av->setContentsMargins(0, scaled(20), 0, scaled(20));
    av->setSpacing(10);
    m_productRow = new InfoRow(QString("Corvix|%1USB相机软件").arg(platformName()), about, false);
    m_versionRow =
        new InfoRow(QString("Corvix %1_Release").arg(QCoreApplication::applicationVersion()), about, false);
    av->addWidget(m_productRow);
    av->addWidget(m_versionRow);
    v->addWidget(about);
    frame.scroll->setWidget(content);

    m_toast = new ToastLabel(this);
}

// Entry 0 is the folder in use, entry 1 opens the folder dialog.
void CameraSettingDevicePage::fillPathSelector() {
    const QSignalBlocker blocker(m_pathSelector);
    m_pathSelector->clear();
    m_pathSelector->addItem(m_strSavePath);
    m_pathSelector->addItem(tr("选择文件夹…"));
    m_pathSelector->setCurrentIndex(0);
}

void CameraSettingDevicePage::setFolderPicker(std::function<QString(const QString&)> picker) {
    m_folderPicker = std::move(picker);
}

void CameraSettingDevicePage::onPathChosen(int index) {
    if (index != 1) {
        return;
    }
    const QString folder = m_folderPicker ? m_folderPicker(m_strSavePath) : QString();
    if (folder.isEmpty() || !chooseFolder(folder)) {
        fillPathSelector();
    }
}

void CameraSettingDevicePage::useFolderForThisRun(const QString& folder) {
    m_strSavePath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    fillPathSelector();
    emit sigRecordOutputPathChanged(m_strSavePath);
}

bool CameraSettingDevicePage::chooseFolder(const QString& folder) {
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!isWritableFolder(path)) {
        m_toast->showMessage(tr("无法写入该文件夹：%1").arg(path), 2, 2000);
        m_toast->move((width() - m_toast->width()) / 2, height() - m_toast->height() - scaled(40));
        return false;
    }
    m_strSavePath = path;
    fillPathSelector();
    QSettings settings("Corvix", "Corvix");
    settings.setValue(kFolderKey, path);
    emit sigRecordOutputPathChanged(path);
    return true;
}

void CameraSettingDevicePage::onSwitchToggled(Switch s, bool on) {
    QSettings("Corvix", "Corvix").setValue(kSwitchKeys[s], on);
    if (!m_controller) {
        return;
    }
    switch (s) {
        case OverlayInfo:
            m_controller->setShowOverlayInfo(on);
            break;
        case DateWatermark:
            m_controller->setShowDataWater(on);
            break;
        case DelayCapture:
            m_controller->setShowDelayCapture(on);
            break;
        case ScanCapture:
            m_controller->setShowScanCapture(on);
            break;
        case SwitchCount:
            break;
    }
}

void CameraSettingDevicePage::publishSwitches() {
    if (!m_controller) {
        return;
    }
    m_controller->setShowOverlayInfo(m_switches[OverlayInfo]->isChecked());
    m_controller->setShowDataWater(m_switches[DateWatermark]->isChecked());
    m_controller->setShowDelayCapture(m_switches[DelayCapture]->isChecked());
    m_controller->setShowScanCapture(m_switches[ScanCapture]->isChecked());
}

void CameraSettingDevicePage::slotVersionChecked(int result) {
    qDebug("CameraSettingDevicePage::slotVersionChecked result:%d", result);
    if (result > 0) {
        m_versionRow->setValue(" *");
    } else if (result == -999) {
        m_versionRow->setValue(QString());
    } else {
        m_versionRow->setValue(" L");
    }
}

void CameraSettingDevicePage::setDeviceName(const QString& text) {
    m_nameRow->setValue(text);
}

void CameraSettingDevicePage::setDeviceMan(const QString& text) {
    m_makerRow->setVisible(!text.isEmpty());
    if (!text.isEmpty()) {
        m_makerRow->setValue(text);
    }
}

void CameraSettingDevicePage::setDevicePIDVID(const QString& text) {
    m_pidVidRow->setValue(text);
}

void CameraSettingDevicePage::setDeviceMID(const QString& text) {
    m_midRow->setValue(text);
}

void CameraSettingDevicePage::setDeviceFWVersion(const QString& text) {
    m_fwRow->setValue(text);
}

void CameraSettingDevicePage::setDeviceXuVersion(const QString& text) {
    m_xuRow->setValue(text);
}

void CameraSettingDevicePage::setDeviceSDKVersion(const QString& text) {
    m_sdkRow->setValue(text);
}
