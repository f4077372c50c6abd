#include "CameraImageDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "CameraController.h"
#include "CameraParamRow.h"
#include "SidePopupSelector.h"
#include "SvgSpinnerWidget.h"
#include "UiScale.h"
#include "UniversalButton.h"

Q_DECLARE_LOGGING_CATEGORY(lcPropertyDialog)

namespace {

struct RowSpec {
    const char* title;
    int type;
};

// Pu_ColorEnable (6) has no row.
const RowSpec kRows[] = {{"亮度", 0},  {"对比度", 1}, {"饱和度", 3}, {"Hue ", 2},    {"伽玛 ", 5},
                         {"锐度 ", 4}, {"白平横", 7}, {"增益 ", 9},  {"逆光对比", 8}};

}  // namespace

const QVector<int>& CameraImageDialog::propertyTypes() {
    static const QVector<int> types = {0, 1, 3, 2, 5, 4, 7, 9, 8};
    return types;
}

CameraImageDialog::CameraImageDialog(CameraController* controller, QWidget* parent)
    : PropertyDialogBase(controller, QSize(720, 780), parent) {
    QVBoxLayout* body = bodyLayout();
    addTitle(tr("图像设置"));
    addDivider();

    m_content = new QWidget;
    m_content->setMinimumHeight(scaled(510));
    auto* grid = new QGridLayout(m_content);
    grid->setContentsMargins(scaled(30), scaled(16), scaled(30), scaled(16));
    grid->setVerticalSpacing(0);
    auto* autoHeader = new QLabel(tr("自动"));
    autoHeader->setStyleSheet("font-size:16px;color:#C3C4C5;");
    grid->addWidget(autoHeader, 0, 6, Qt::AlignRight | Qt::AlignBottom);
    int gridRow = 1;
    for (const RowSpec& entry : kRows) {
        auto* row = new CameraParamRow(tr(entry.title));
        m_rows.insert(entry.type, row);
        grid->addWidget(row, gridRow++, 0, 1, 7);
    }
    grid->setRowStretch(gridRow, 1);
    body->addWidget(m_content);

    auto* frequencyRow = new QHBoxLayout;
    frequencyRow->setContentsMargins(scaled(28), scaled(30), scaled(20), scaled(30));
    frequencyRow->setSpacing(0);
    m_frequencyLabel = new QLabel("电力线频率");
    m_frequencyLabel->setStyleSheet("font-size:16px;color:#FFFFFF;");
    m_frequencySelector = new SidePopupSelector;
    m_frequencySelector->setFixedWidth(scaled(453));
    m_frequencySelector->addItem("50HZ");
    m_frequencySelector->addItem("60HZ");
    m_frequencySelector->setCurrentIndex(0);
    frequencyRow->addWidget(m_frequencyLabel);
    frequencyRow->addWidget(m_frequencySelector);
    body->addLayout(frequencyRow);

    m_lowerDivider = addDivider();
    body->addSpacing(15);
    addButtonRow(&m_resetButton, &m_exitButton);
    body->addStretch();

    setContentVisible(false);

    CameraController* c = controller;
    connect(c, &CameraController::sigEnableFrequency, this, &CameraImageDialog::onEnableSetFrequency,
            Qt::QueuedConnection);
    connect(c, &CameraController::sigSetFrequency, this, &CameraImageDialog::onSetFrequency,
            Qt::QueuedConnection);
    connect(c, &CameraController::sigPuCtPropertyList, this, &CameraImageDialog::onPuCtPropertyList,
            Qt::QueuedConnection);
    connect(this, &CameraImageDialog::sigSetPuCtPropertyType, c, &CameraController::onSetPuCtPropertyType,
            Qt::QueuedConnection);

    createLoader();
    // Initial synchronisation: the list may have been announced before this dialog existed. Its
    // first request is queued, so the answer comes after the connection below.
    const QStringList cached = c->imagePropertyList();
    qCDebug(lcPropertyDialog) << "CameraController::PuCtPropertyList CameraImageDialog manual sync all:"
                              << cached;
    if (!cached.isEmpty()) {
        onPuCtPropertyList(cached.mid(0, 11));
    }

    connect(c, &CameraController::sigInitSlider, this, &CameraImageDialog::onInitSlider);
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it) {
        forwardUserChanges(it.value(), it.key());
    }
    connectChangesToController();
    connect(this, &CameraImageDialog::sigSetFrequency, c, &CameraController::onSetFrequency,
            Qt::QueuedConnection);
    // Only the user's choice reaches the camera: values from the camera are set with the
    // selector's signals blocked.
    connect(m_frequencySelector, &SidePopupSelector::currentIndexChanged, this, [this](int index) {
        emit deviceSelected(index);
        emit sigSetFrequency(index);
    });
    connect(m_resetButton, &QPushButton::clicked, this, &CameraImageDialog::resetToDefaults);
}

void CameraImageDialog::setContentVisible(bool visible) {
    m_content->setVisible(visible);
    m_resetButton->setVisible(visible);
    m_exitButton->setVisible(visible);
    m_lowerDivider->setVisible(visible);
    m_frequencyLabel->setVisible(visible && m_bFrequencySupported);
    m_frequencySelector->setVisible(visible && m_bFrequencySupported);
}

void CameraImageDialog::requestType(int type) {
    emit sigSetPuCtPropertyType(type);
}

void CameraImageDialog::onPuCtPropertyList(QStringList list) {
    qCDebug(lcPropertyDialog, "CameraImageDialog::onPuCtPropertyList list.size():%d\n", int(list.size()));
    if (list.isEmpty()) {
        return;
    }
    startSequence(propertyTypes());
}

void CameraImageDialog::onEnableSetFrequency(bool bEnable) {
    if (!bEnable) {
        m_bFrequencySupported = false;
        m_frequencyLabel->hide();
        m_frequencySelector->hide();
    }
}

void CameraImageDialog::onSetFrequency(int index) {
    const QSignalBlocker blocker(m_frequencySelector);
    m_frequencySelector->setCurrentIndex(index);
}

void CameraImageDialog::onInitSlider(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue,
                                     bool bIsSupportAuto, bool bDefaultAuto) {
    qCDebug(lcPropertyDialog,
            "CameraImageDialog::onInitSlider type:%d enable:%d nMin:%d nMax:%d nStep:%d nValue:%d "
            "supportAuto:%d defaultAuto:%d\n",
            type, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto, bDefaultAuto);
    takeAnswer(type, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto, bDefaultAuto);
}

void CameraImageDialog::resetToDefaults() {
    // Each supported property back to the camera's default value, automatic where it can be;
    // then the rows are read again from the camera.
    resetRows(propertyTypes());
    startSequence(propertyTypes());
}
