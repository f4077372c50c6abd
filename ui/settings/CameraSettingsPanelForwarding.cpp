// The panel as the way in to its pages: the camera's reports forwarded to the feature page and
// the device page.
#include "CameraSettingDevicePage.h"
#include "CameraSettingImagePage.h"
#include "CameraSettingsPanel.h"

void CameraSettingsPanel::setSensorList(const QStringList& names) {
    if (m_imagePage) {
        m_imagePage->setSensorList(names);
    }
}

void CameraSettingsPanel::enableHandGesture(const QVector<long>& mask) {
    if (m_imagePage) {
        m_imagePage->enableHandGesture(mask);
    }
}

void CameraSettingsPanel::enableCanvas(const QVector<long>& mask) {
    if (m_imagePage) {
        m_imagePage->enableCanvas(mask);
    }
}

void CameraSettingsPanel::enableMosaic(const QVector<long>& mask) {
    if (m_imagePage) {
        m_imagePage->enableMosaic(mask);
    }
}

void CameraSettingsPanel::enableSub1Ai(const QVector<long>& mask) {
    if (m_imagePage) {
        m_imagePage->enableSub1Ai(mask);
    }
}

void CameraSettingsPanel::setDeviceName(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDeviceName(text);
    }
}

void CameraSettingsPanel::setDeviceMan(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDeviceMan(text);
    }
}

void CameraSettingsPanel::setDevicePIDVID(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDevicePIDVID(text);
    }
}

void CameraSettingsPanel::setDeviceMID(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDeviceMID(text);
    }
}

void CameraSettingsPanel::setDeviceFWVersion(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDeviceFWVersion(text);
    }
}

void CameraSettingsPanel::setDeviceXuVersion(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDeviceXuVersion(text);
    }
}

void CameraSettingsPanel::setDeviceSDKVersion(const QString& text) {
    if (m_devicePage) {
        m_devicePage->setDeviceSDKVersion(text);
    }
}
