// The camera's reports on the feature page: which rows exist, which switches are on.
#include <QSignalBlocker>

#include "CameraSettingImagePage.h"
#include "DashDivider.h"
#include "SidePopupSelector.h"
#include "SwitchRow.h"

#include <QFrame>

namespace {
using Page = CameraSettingImagePage;

struct ModeRow {
    int number;
    Page::Row row;
};
// The AI mode numbers and the rows they switch.
const ModeRow kModes[] = {
    {1, Page::GestureHead},       {2, Page::FaceGesture},
    {3, Page::VoiceGesture},      {4, Page::HandRaise},
    {5, Page::Standing},          {6, Page::Whiteboard},
    {7, Page::WhiteboardGesture}, {9, Page::StandingGesture},
    {10, Page::ImageEnhance},     {12, Page::Blur},
    {13, Page::Beautify},         {14, Page::GestureCamera},
    {15, Page::WhiteboardDetect}, {16, Page::BlackboardDetect},
    {17, Page::GreenboardDetect},
};

// The rows a bit of the hand-gesture mask brings; a gesture row only while the mode it belongs
// to is on.
struct MaskRow {
    int number;
    Page::Row row;
    Page::Row onlyWith;  // RowCount: always
};
const MaskRow kMaskRows[] = {
    {1, Page::GestureHead, Page::RowCount},
    {2, Page::FaceGesture, Page::Face},
    {3, Page::VoiceGesture, Page::Voice},
    {4, Page::HandRaise, Page::RowCount},
    {5, Page::Standing, Page::RowCount},
    {6, Page::Whiteboard, Page::RowCount},
    {7, Page::WhiteboardGesture, Page::Whiteboard},
    {9, Page::StandingGesture, Page::Standing},
    {10, Page::ImageEnhance, Page::RowCount},
    {11, Page::ImageEnhance, Page::RowCount},
    {12, Page::Blur, Page::RowCount},
    {13, Page::Beautify, Page::RowCount},
    {14, Page::GestureCamera, Page::RowCount},
    {15, Page::WhiteboardDetect, Page::RowCount},
    {16, Page::BlackboardDetect, Page::RowCount},
    {17, Page::GreenboardDetect, Page::RowCount},
};

void setSwitch(SwitchRow* row, bool on) {
    if (row->isChecked() != on) {
        const QSignalBlocker blocker(row);
        row->setChecked(on);
    }
}
}  // namespace

bool CameraSettingImagePage::supported(const QVector<long>& mask, int number) {
    return number >= 1 && number <= mask.size() && mask[number - 1] == 1;
}

void CameraSettingImagePage::setSensorSupported(bool supported) {
    const QSignalBlocker blocker(this);
    m_angleRow->setVisible(supported);
}

void CameraSettingImagePage::setSensorList(const QStringList& names) {
    m_angleSelector->clear();
    for (const QString& name : names) {
        m_angleSelector->addItem(name);
    }
    m_angleSelector->update();
}

void CameraSettingImagePage::setCurrentSensor(int n) {
    m_angleSelector->setCurrentIndex(n - 1);
    m_angleSelector->update();
}

void CameraSettingImagePage::enableHideMode(bool enable) {
    const QSignalBlocker blocker(this);
    m_rows[Privacy]->setVisible(enable);
}

void CameraSettingImagePage::checkHideMode(bool on) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[Privacy], on);
}

void CameraSettingImagePage::enableNonStitching(bool enable) {
    const QSignalBlocker blocker(this);
    m_rows[NonStitching]->setVisible(enable);
}

void CameraSettingImagePage::checkNonStitching(bool on) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[NonStitching], on);
}

void CameraSettingImagePage::enableFaceTracking(bool enable) {
    const QSignalBlocker blocker(this);
    m_rows[Face]->setVisible(enable);
}

void CameraSettingImagePage::checkFaceTracking(bool on) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[Face], on);
    if (on) {
        m_rows[FaceGesture]->show();
    }
}

void CameraSettingImagePage::enableSoundTracking(bool enable) {
    const QSignalBlocker blocker(this);
    m_rows[Voice]->setVisible(enable);
}

void CameraSettingImagePage::checkSoundTracking(bool on) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[Voice], on);
    if (on) {
        m_rows[VoiceGesture]->show();
    }
}

void CameraSettingImagePage::enablePip(bool enable) {
    const QSignalBlocker blocker(this);
    m_bPendingPip = enable;
    if (m_bAdvanced) {
        m_rows[Pip]->setVisible(enable);
    }
}

void CameraSettingImagePage::checkPip(bool on) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[Pip], on);
}

void CameraSettingImagePage::enableHandGesture(const QVector<long>& mask) {
    const QSignalBlocker blocker(this);
    // Kept either way: switching the advanced controls on applies the last report.
    m_pendingHandGesture = mask;
    if (m_bAdvanced) {
        applyHandGestureMask(mask);
    }
}

void CameraSettingImagePage::applyHandGestureMask(const QVector<long>& mask) {
    for (const MaskRow& entry : kMaskRows) {
        m_rows[entry.row]->hide();
    }
    m_detectDivider->hide();
    for (const MaskRow& entry : kMaskRows) {
        if (!supported(mask, entry.number)) {
            continue;
        }
        if (entry.onlyWith == RowCount || m_rows[entry.onlyWith]->isChecked()) {
            m_rows[entry.row]->show();
        }
        if (entry.row == WhiteboardDetect || entry.row == BlackboardDetect || entry.row == GreenboardDetect) {
            m_detectDivider->show();
        }
    }
    updateEffectsLine();
}

// The line below the effect rows goes with them (also when a later report removes them all).
void CameraSettingImagePage::updateEffectsLine() {
    m_effectsLine->setVisible(!m_rows[Beautify]->isHidden() || !m_rows[Blur]->isHidden() ||
                              !m_rows[Mosaic]->isHidden());
}

void CameraSettingImagePage::checkHandGesture(long n) {
    const QSignalBlocker blocker(this);
    for (const ModeRow& mode : kModes) {
        setSwitch(m_rows[mode.row], mode.number == n);
    }
    if (n == 2 || n == 3) {
        const Row main = n == 2 ? Face : Voice;
        const Row gesture = n == 2 ? FaceGesture : VoiceGesture;
        setSwitch(m_rows[main], true);
        m_rows[gesture]->show();
        setSwitch(m_rows[gesture], true);
    }
}

void CameraSettingImagePage::enableCanvas(const QVector<long>& mask) {
    const QSignalBlocker blocker(this);
    // Kept either way: switching the advanced controls on applies the last report.
    m_pendingCanvas = mask;
    if (m_bAdvanced) {
        applyCanvasMask(mask);
    }
}

void CameraSettingImagePage::applyCanvasMask(const QVector<long>& mask) {
    const Row rows[] = {Gallery, Grid, RoundTable};
    for (int i = 0; i < 3; ++i) {
        m_rows[rows[i]]->setVisible(supported(mask, i + 1));
    }
    // The divider goes with the framing rows (also when a later report removes them all).
    m_canvasDivider->setVisible(supported(mask, 1) || supported(mask, 2) || supported(mask, 3));
}

void CameraSettingImagePage::checkCanvas(long n) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[Gallery], n == 1);
    setSwitch(m_rows[Grid], n == 2);
    setSwitch(m_rows[RoundTable], n == 3);
}

void CameraSettingImagePage::enableMosaic(const QVector<long>& mask) {
    const QSignalBlocker blocker(this);
    // Kept either way: switching the advanced controls on applies the last report.
    m_pendingMosaic = mask;
    if (m_bAdvanced) {
        applyMosaicMask(mask);
    }
}

void CameraSettingImagePage::applyMosaicMask(const QVector<long>& mask) {
    m_rows[Mosaic]->setVisible(supported(mask, 1));
    updateEffectsLine();
}

void CameraSettingImagePage::checkMosaic(long n) {
    const QSignalBlocker blocker(this);
    setSwitch(m_rows[Mosaic], n == 1);
}

void CameraSettingImagePage::enableSub1Ai(const QVector<long>& mask) {
    // No row of this page uses it; kept for when the advanced controls are switched on.
    m_pendingSub1Ai = mask;
}

void CameraSettingImagePage::setSupportAdvanceXU(bool on) {
    m_bAdvanced = on;
    const QVector<long> hand = m_pendingHandGesture;
    const QVector<long> canvas = m_pendingCanvas;
    const QVector<long> mosaic = m_pendingMosaic;
    enableHandGesture(hand);
    enableCanvas(canvas);
    enablePip(m_bPendingPip);
    enableMosaic(mosaic);
    enableSub1Ai(m_pendingSub1Ai);
}
