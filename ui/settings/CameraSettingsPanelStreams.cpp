// The panel in the multi-stream mode: the cards of streams 2 and 3 beside the first, shown and
// hidden with the mode and with their stream buttons.
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QWidget>

#include "CameraSettingsPanel.h"
#include "StreamSettingsGroup.h"
#include "UiScale.h"

void CameraSettingsPanel::setSupportStream(bool on) {
    if (m_bStreamMode == on) {
        return;
    }
    m_bStreamMode = on;
    m_tabGroup->button(0)->setChecked(true);
    m_stack->setCurrentIndex(0);
    m_streamBar->setVisible(on);
    m_streamSpacer->setVisible(on);
    m_streamBar->updateGeometry();
    updateGeometry();
    if (on) {
        showStreamCards();
    } else {
        for (int s = 1; s < kStreams; ++s) {
            m_cards[s]->hide();
        }
    }
}

void CameraSettingsPanel::showStreamCards() {
    for (int s = 0; s < kStreams; ++s) {
        m_groups[s]->caption()->setVisible(m_bStreamMode);
    }
    placeStreamCards();
    // A stream switched off with its button keeps its card hidden.
    for (int s = 1; s < kStreams; ++s) {
        if (m_bStreamEnabled[s]) {
            m_cards[s]->show();
            m_cards[s]->raise();
        }
    }
}

void CameraSettingsPanel::placeStreamCards() {
    const int x2 = scaled(570) + scaled(15);
    if (m_cards[1]) {
        m_cards[1]->move(x2, scaled(295));
    }
    if (m_cards[2]) {
        m_cards[2]->move(x2 + m_cards[1]->width() + scaled(15), scaled(295));
    }
}

void CameraSettingsPanel::onStreamToggled(int index, bool checked) {
    int count = 1;
    if (index == 1) {
        m_cards[1]->setVisible(checked && m_bStreamMode);
        if (checked) {
            count = 2;
        } else {
            m_cards[2]->hide();
            m_streamButtons[2]->setChecked(false);  // clears stream 3 and reports it first
            count = 1;
        }
    } else if (index == 2) {
        m_cards[2]->setVisible(checked && m_bStreamMode);
        count = checked ? 3 : 2;
    } else {
        return;
    }
    emit changeStreamCount(count);
}
