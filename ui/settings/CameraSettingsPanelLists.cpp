// The lists the camera reports (formats, sizes, rates, cameras) filled into the panel's selectors.
#include <QDebug>
#include <QSignalBlocker>

#include "CameraSettingsPanel.h"
#include "SidePopupSelector.h"
#include "StreamChoiceRestorer.h"
#include "StreamSettingsGroup.h"

void CameraSettingsPanel::fillSelector(SidePopupSelector* selector, const QStringList& list,
                                       int nDefaultSel) {
    {
        const QSignalBlocker blocker(selector);
        selector->clear();
        for (const QString& text : list) {
            selector->addItem(text);
        }
        if (!list.isEmpty()) {
            selector->setCurrentIndex(qBound(0, nDefaultSel, list.size() - 1));
        }
    }
    selector->update();
}

void CameraSettingsPanel::setMediaTypeList(int streamId, const QStringList& list, int nDefaultSel) {
    if (streamId < 0 || streamId >= kStreams) {
        return;
    }
    StreamSettingsGroup* group = m_groups[streamId];
    fillSelector(group->mediaSelector(), list, nDefaultSel);
    const bool compressed = StreamSettingsGroup::isCompressed(group->mediaSelector()->currentText());
    group->setBitrateVisible(compressed);
    group->setGopVisible(compressed);
    if (!m_bMediaConnected[streamId]) {
        m_bMediaConnected[streamId] = true;
        connect(group->mediaSelector(), &SidePopupSelector::currentIndexChanged, this,
                [this, streamId] { onMediaChanged(streamId); });
    }
}

void CameraSettingsPanel::setResolutionList(int streamId, const QStringList& list, int nDefaultSel) {
    if (streamId < 0 || streamId >= kStreams || m_bApplying) {
        return;
    }
    fillSelector(m_groups[streamId]->resolutionSelector(), list, nDefaultSel);
    m_restorer->resolutionListFilled(streamId);
}

void CameraSettingsPanel::setFpsList(int streamId, const QStringList& list, int nDefaultSel) {
    if (streamId < 0 || streamId >= kStreams) {
        return;
    }
    if (m_bApplying) {
        qDebug() << "skip fps update during apply";
        return;
    }
    fillSelector(m_groups[streamId]->fpsSelector(), list, nDefaultSel);
    m_restorer->fpsListFilled(streamId);
}

void CameraSettingsPanel::onMediaChanged(int streamId) {
    StreamSettingsGroup* group = m_groups[streamId];
    const bool compressed = StreamSettingsGroup::isCompressed(group->mediaSelector()->currentText());
    group->setBitrateVisible(compressed);
    group->setGopVisible(compressed);
    emit mediaChanged(streamId, group->mediaSelector()->currentIndex());
}

void CameraSettingsPanel::enableBpsChanged(int streamId, bool enable) {
    if (streamId >= 0 && streamId < kStreams) {
        m_groups[streamId]->setBitrateVisible(enable);
    }
}

void CameraSettingsPanel::enableGopChanged(int streamId, bool enable) {
    if (streamId >= 0 && streamId < kStreams) {
        m_groups[streamId]->setGopVisible(enable);
    }
}

// ---------------------------------------------------------------------------------------------
// Devices and the loading view

void CameraSettingsPanel::setDeviceNames(const QStringList& names) {
    if (names != m_deviceNames) {
        m_deviceNames = names;
    }
}

void CameraSettingsPanel::setDeviceList(const QStringList& names, bool selectFirst) {
    if (names != m_deviceNames) {
        m_deviceNames = names;
    }
    const QSignalBlocker blocker(m_deviceSelector);
    const int previous = m_deviceSelector->currentIndex();
    m_deviceSelector->clear();
    for (const QString& name : qAsConst(m_deviceNames)) {
        m_deviceSelector->addItem(name);
    }
    m_deviceSelector->setCurrentIndex(selectFirst ? 0 : previous);
}
