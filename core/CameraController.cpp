#include "CameraController.h"

#include <QDir>
#include <QLoggingCategory>
#include <QStandardPaths>

namespace {
Q_LOGGING_CATEGORY(lcSettings, "corvix.settings", QtWarningMsg)
}  // namespace

CameraController::CameraController(QObject* parent) : QObject(parent) {}

CameraController::~CameraController() = default;

QString CameraController::defaultSaveFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Corvix";
}

void CameraController::setRecordMinutes(int minutes) {
    if (minutes == m_nRecordMinutes) {
        return;
    }
    m_nRecordMinutes = minutes;
    qCDebug(lcSettings) << "recording limit:" << minutes << "minutes";
    emit sigRecordMinutesChanged(minutes);
}

void CameraController::setRecordOutputDir(const QString& dir) {
    if (dir == m_strRecordOutputDir) {
        return;
    }
    m_strRecordOutputDir = dir;
    emit sigRecordOutputDirChanged(dir);
}

void CameraController::EnableFrequency(bool bEnable) {
    emit sigEnableFrequency(bEnable);
}

void CameraController::SetFrequency(int index) {
    emit sigSetFrequency(index);
}

void CameraController::EnableAudioMode(bool bEnable, bool bEnable1) {
    emit sigEnableAudioMode(bEnable, bEnable1);
}

void CameraController::AcousticBaffle(QStringList acousticBaffleList) {
    emit sigAcousticBaffle(acousticBaffleList);
}

void CameraController::SetAudioMode(int on, int on1, int id) {
    emit sigSetAudioMode(on, on1, id);
}

void CameraController::PuCtPropertyList(QStringList puCtPropertyList) {
    m_cachedPropertyList = puCtPropertyList;
    // Rows 0-11 are image properties, the rest camera controls.
    m_imagePropertyList = puCtPropertyList.mid(0, kImagePropertyCount);
    m_controlPropertyList = puCtPropertyList.mid(kImagePropertyCount);
    emit sigPuCtPropertyList(m_imagePropertyList);
    emit sigCtlPuCtPropertyList(m_controlPropertyList);
}

void CameraController::onSetPuCtPropertyType(int type) {
    m_nCurPropertyType = type;
    m_nPropertyTarget = type < kImagePropertyCount ? TargetImage : TargetControl;
    emit sigPuCtPropertyTypeChanged(type);
}

void CameraController::InitSlider(bool bEnable, int nMin, int nMax, int nStep, int nValue,
                                  bool bIsSupportAuto, bool bDefaultAuto) {
    if (m_nCurPropertyType < 0) {
        qCDebug(lcSettings) << "property range without a request dropped";
        return;
    }
    if (m_nPropertyTarget == TargetImage) {
        emit sigInitSlider(m_nCurPropertyType, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto,
                           bDefaultAuto);
    } else if (m_nPropertyTarget == TargetControl) {
        emit sigCtlInitSlider(m_nCurPropertyType, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto,
                              bDefaultAuto);
    }
}

void CameraController::SetSliderPos(int nValue) {
    emit sigSetSliderPos(nValue);
}

void CameraController::SetAudioList(QStringList audios, int nDefaultSel) {
    m_audioList = audios;
    m_nDefaultAudio = nDefaultSel;
    resolveAudioInput();
    emit sigAudioList(audios, nDefaultSel);
}

void CameraController::onSetPuCtPropertyValue(int type, int value) {
    emit sigUpdateVideoWidgetProperty(type, value);
}

void CameraController::onSetPuCtPropertyAutoValue(int type, bool bIsAuto) {
    emit sigUpdateVideoWidgetPropertyAuto(type, bIsAuto);
}

void CameraController::onSetFrequency(int index) {
    emit sigUpdateFrequency(index);
}

void CameraController::setShowOverlayInfo(bool show) {
    emit sigShowOverlayInfo(show);
}

void CameraController::setShowDataWater(bool show) {
    emit sigShowDataWater(show);
}

void CameraController::setShowDelayCapture(bool show) {
    emit sigShowDelayCapture(show);
}

void CameraController::setShowScanCapture(bool show) {
    emit sigShowScanCapture(show);
}

void CameraController::onSetMirror(bool bChecked) {
    emit sigChangeMirror(bChecked);
}

void CameraController::onSetFlip(bool bChecked) {
    emit sigChangeFlip(bChecked);
}

void CameraController::EnableFlip(bool bEnable) {
    emit sigUpdateEnableFlip(bEnable);
}

void CameraController::SetFlip(bool bChecked) {
    emit sigUpdateSetFlip(bChecked);
}

void CameraController::EnableMirror(bool bEnable) {
    emit sigUpdateEnableMirror(bEnable);
}

void CameraController::SetMirror(bool bChecked) {
    emit sigUpdateSetMirror(bChecked);
}

void CameraController::slotVersionChecked(int result) {
    qCDebug(lcSettings) << "version check result:" << result;
    emit sigVersionChecked(result);
}

void CameraController::setRecordKeepAudio(bool keep) {
    if (keep == m_bRecordKeepAudio) {
        return;
    }
    m_bRecordKeepAudio = keep;
    emit sigRecordKeepAudioChanged(keep);
}

void CameraController::setAudioInputName(const QString& name) {
    m_strAudioInputName = name;
    resolveAudioInput();
}

// The chosen name where it is listed, else the list's default; reported when it changes.
void CameraController::resolveAudioInput() {
    int index = m_audioList.indexOf(m_strAudioInputName);
    if (m_strAudioInputName.isEmpty() || index < 0) {
        index = m_nDefaultAudio >= 0 && m_nDefaultAudio < m_audioList.size() ? m_nDefaultAudio : -1;
        if (index < 0 && !m_audioList.isEmpty()) {
            index = 0;
        }
    }
    if (index == m_nAudioInput) {
        return;
    }
    m_nAudioInput = index;
    if (index >= 0) {
        emit sigAudioInputChanged(index);
    }
}

void CameraController::startAudioTest() {
    emit sigStartAudioTest();
}

void CameraController::stopAudioTest() {
    // Stopping plays the captured sound: nothing to stop means nothing to play.
    if (!m_bAudioTestRunning) {
        return;
    }
    m_bAudioTestRunning = false;
    emit sigStopAudioTest();
    emit sigAudioTestRunning(false);
}

void CameraController::AudioTestStarted(bool started) {
    m_bAudioTestRunning = started;
    if (!started) {
        emit sigAudioTestFailed();
    }
    emit sigAudioTestRunning(started);
}

void CameraController::SetProgressVolume(int level) {
    emit sigProgressVolume(level);
}

void CameraController::onResetPuCtProperty(int type) {
    emit sigResetVideoWidgetProperty(type);
}
