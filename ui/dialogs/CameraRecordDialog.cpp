#include "CameraRecordDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <iterator>

#include "CameraController.h"
#include "RecordSettingsStore.h"
#include "SidePopupSelector.h"
#include "SwitchRow.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "UniversalButton.h"

Q_DECLARE_LOGGING_CATEGORY(lcPropertyDialog)

namespace {

const int kMinutes[] = {1, 5, 10, 15, 30};
constexpr int kDefaultIndex = 2;

QHBoxLayout* choiceRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(scaled(28), 0, scaled(20), 0);
    row->setSpacing(0);
    return row;
}

QLabel* rowLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setStyleSheet("font-size:16px;color:#FFFFFF;");
    return label;
}

}  // namespace

int CameraRecordDialog::minutesForIndex(int index) {
    return index >= 0 && index < int(std::size(kMinutes)) ? kMinutes[index] : 10;
}

int CameraRecordDialog::indexForMinutes(int minutes) {
    for (int i = 0; i < int(std::size(kMinutes)); ++i) {
        if (kMinutes[i] == minutes) {
            return i;
        }
    }
    return kDefaultIndex;
}

CameraRecordDialog::CameraRecordDialog(CameraController* controller, QWidget* parent)
    : FramedPopupDialog(QSize(720, 480), parent), m_controller(controller) {
    QVBoxLayout* body = bodyLayout();
    addTitle(tr("录像设置"));
    addDivider();

    const QSize selectorSize(scaled(410), scaled(50));
    QHBoxLayout* durationRow = choiceRow();
    durationRow->addWidget(rowLabel("视频最大时长(分钟)"));
    m_durationSelector = new SidePopupSelector;
    m_durationSelector->setFixedSize(selectorSize);
    for (int m : kMinutes) {
        m_durationSelector->addItem(tr("%1分钟").arg(m));
    }
    // The mediator's current limit, selected before the connection: opening reports nothing.
    m_durationSelector->setCurrentIndex(indexForMinutes(controller->recordMinutes()));
    durationRow->addWidget(m_durationSelector);
    body->addLayout(durationRow);

    m_keepAudioRow = new SwitchRow("录视频时保留音频");
    m_keepAudioRow->setChecked(controller->recordKeepAudio());
    body->addWidget(m_keepAudioRow);

    QHBoxLayout* microphoneRow = choiceRow();
    microphoneRow->addWidget(rowLabel("音频麦克风设备选择"));
    m_microphoneSelector = new SidePopupSelector;
    m_microphoneSelector->setFixedSize(selectorSize);
    microphoneRow->addWidget(m_microphoneSelector);
    body->addLayout(microphoneRow);

    QHBoxLayout* testRow = choiceRow();
    auto* gap = new QLabel;
    gap->setFixedWidth(scaled(30));
    m_audioTestLabel = new QLabel(tr("音频测试"));
    m_audioTestLabel->setObjectName("pageName");
    m_audioTestLabel->setStyleSheet("font-size:16px;color:#FFFFFF;");
    m_levelBar = new QProgressBar;
    m_levelBar->setRange(0, 100);
    m_levelBar->setValue(0);
    m_levelBar->setTextVisible(false);
    m_levelBar->setFixedSize(scaled(200), scaled(8));
    m_levelBar->setStyleSheet(
        "QProgressBar{background:#55585B;border:none;border-radius:4px;}"
        "QProgressBar::chunk{background:#FF8B59;border-radius:4px;}");
    m_levelBar->hide();
    m_audioTestButton = UniversalButton::createIconButton(":/icons/audio.svg", QSize(36, 36));
    testRow->addWidget(gap);
    testRow->addWidget(m_audioTestLabel);
    testRow->addStretch();
    testRow->addWidget(m_levelBar);
    testRow->addSpacing(scaled(16));
    testRow->addWidget(m_audioTestButton);
    testRow->addSpacing(scaled(20));
    body->addLayout(testRow);

    addDivider();
    body->addSpacing(scaled(15));
    addButtonRow(&m_resetButton, &m_exitButton);
    body->addSpacing(scaled(10));

    m_toast = new ToastLabel(this);

    connect(m_durationSelector, &SidePopupSelector::currentIndexChanged, this,
            &CameraRecordDialog::deviceTimeSelected);
    connect(m_microphoneSelector, &SidePopupSelector::currentIndexChanged, this,
            &CameraRecordDialog::deviceAudioSelected);
    connect(controller, &CameraController::sigAudioList, this, &CameraRecordDialog::onAudioList,
            Qt::QueuedConnection);
    connect(m_keepAudioRow, &SwitchRow::userToggled, this, [this](bool keep) {
        m_controller->setRecordKeepAudio(keep);
        RecordSettingsStore::saveKeepAudio(keep);
    });
    connect(m_audioTestButton, &QPushButton::clicked, this, &CameraRecordDialog::onAudioTestClicked);
    connect(controller, &CameraController::sigAudioTestRunning, this, &CameraRecordDialog::showTestRunning);
    connect(controller, &CameraController::sigAudioTestFailed, this, [this] {
        m_toast->showMessage(tr("麦克风打开失败，请检查设备"), 2, 2000);
        m_toast->move((width() - m_toast->width()) / 2, height() - m_toast->height() - scaled(110));
    });
    connect(controller, &CameraController::sigProgressVolume, this, [this](int level) {
        if (m_bTestRunning) {
            m_levelBar->setValue(qBound(0, level, 100));
        }
    });
    connect(m_resetButton, &QPushButton::clicked, this, &CameraRecordDialog::resetToDefaults);

    if (!controller->audioList().isEmpty()) {
        qCDebug(lcPropertyDialog) << "CameraRecordDialog::sync audio list immediately";
        fillMicrophones(controller->audioList(), controller->defaultAudioIndex());
    }
    showTestRunning(controller->isAudioTestRunning());
}

void CameraRecordDialog::deviceTimeSelected(int index) {
    const int minutes = minutesForIndex(index);
    qCDebug(lcPropertyDialog) << "Dialog selected minutes =" << minutes;
    m_controller->setRecordMinutes(minutes);
    RecordSettingsStore::saveMinutes(minutes);
}

void CameraRecordDialog::deviceAudioSelected(int index) {
    // Reached only by the user's choice: the list is filled with the selector's signals blocked.
    const QString name = m_microphoneSelector->itemText(index);
    if (name.isEmpty()) {
        return;
    }
    m_controller->setAudioInputName(name);
    RecordSettingsStore::saveMicrophone(name);
}

void CameraRecordDialog::onAudioList(const QStringList& audios, int nDefaultSel) {
    qCDebug(lcPropertyDialog) << "CameraRecordDialog::sigAudioList:" << audios;
    fillMicrophones(audios, nDefaultSel);
}

void CameraRecordDialog::fillMicrophones(const QStringList& audios, int nDefaultSel) {
    const QSignalBlocker blocker(m_microphoneSelector);
    m_microphoneSelector->clear();
    for (const QString& name : audios) {
        m_microphoneSelector->addItem(name);
    }
    // The microphone in use: the remembered one where it is still listed, else the default.
    int index = audios.indexOf(m_controller->audioInputName());
    if (m_controller->audioInputName().isEmpty() || index < 0) {
        index = nDefaultSel;
    }
    if (index >= 0 && index < audios.size()) {
        m_microphoneSelector->setCurrentIndex(index);
    }
}

void CameraRecordDialog::onAudioTestClicked() {
    if (m_bTestRunning) {
        m_controller->stopAudioTest();
        return;
    }
    m_controller->startAudioTest();
}

void CameraRecordDialog::showTestRunning(bool running) {
    m_bTestRunning = running;
    m_audioTestButton->setIcons(running ? ":/icons/volume1.svg" : ":/icons/audio.svg");
    m_audioTestLabel->setText(running ? tr("音频测试中，再次点击停止并播放") : tr("音频测试"));
    m_levelBar->setValue(0);
    m_levelBar->setVisible(running);
}

void CameraRecordDialog::resetToDefaults() {
    m_durationSelector->setCurrentIndex(kDefaultIndex);
    m_keepAudioRow->setChecked(true);
    m_controller->setRecordKeepAudio(true);
    RecordSettingsStore::saveKeepAudio(true);
    m_controller->setAudioInputName(QString());
    RecordSettingsStore::saveMicrophone(QString());
    fillMicrophones(m_controller->audioList(), m_controller->defaultAudioIndex());
}

void CameraRecordDialog::hideEvent(QHideEvent* event) {
    // A closed dialog leaves no microphone running.
    if (m_bTestRunning) {
        m_controller->stopAudioTest();
    }
    FramedPopupDialog::hideEvent(event);
}
