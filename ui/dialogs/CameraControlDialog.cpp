#include "CameraControlDialog.h"

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
#include "UiScale.h"
#include "UniversalButton.h"

Q_DECLARE_LOGGING_CATEGORY(lcPropertyDialog)

namespace {

constexpr int kExposure = 14;
constexpr int kIris = 15;
constexpr int kFocus = 16;

// Index 0 "开" is on, 1 "关" off.
int indexFor(bool on) {
    return on ? 0 : 1;
}

}  // namespace

const QVector<int>& CameraControlDialog::propertyTypes() {
    static const QVector<int> types = {kExposure, kIris, kFocus};
    return types;
}

CameraControlDialog::CameraControlDialog(CameraController* controller, QWidget* parent)
    : PropertyDialogBase(controller, QSize(720, 550), parent) {
    QVBoxLayout* body = bodyLayout();
    addTitle(tr("相机控制"));
    addDivider();

    auto* holder = new QWidget;
    holder->setFixedHeight(scaled(500));
    auto* grid = new QGridLayout(holder);
    grid->setContentsMargins(scaled(40), scaled(16), scaled(40), scaled(16));
    grid->setVerticalSpacing(10);
    m_autoHeader = new QLabel(tr("自动"));
    m_autoHeader->setStyleSheet("font-size:16px;color:#C3C4C5;");
    grid->addWidget(m_autoHeader, 0, 6, Qt::AlignRight | Qt::AlignBottom);
    m_focusRow = new CameraParamRow(tr("焦点"));
    m_exposureRow = new CameraParamRow(tr("曝光"));
    m_irisRow = new CameraParamRow(tr("光圈"));
    grid->addWidget(m_focusRow, 1, 0, 1, 7);
    grid->addWidget(m_exposureRow, 2, 0, 1, 7);
    grid->addWidget(m_irisRow, 3, 0, 1, 7);

    auto makeChoice = [&](const QString& title, QLabel** label, SidePopupSelector** selector, int gridRow) {
        auto* line = new QHBoxLayout;
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(0);
        *label = new QLabel(title);
        (*label)->setStyleSheet("font-size:16px;color:#FFFFFF;");
        *selector = new SidePopupSelector;
        (*selector)->setFixedWidth(scaled(300));
        (*selector)->addItem(tr("开"));
        (*selector)->addItem(tr("关"));
        (*selector)->setCurrentIndex(0);
        line->addWidget(*label);
        line->addWidget(*selector);
        grid->addLayout(line, gridRow, 0, 1, 7);
    };
    makeChoice(tr("水平镜像"), &m_mirrorLabel, &m_mirrorSelector, 4);
    makeChoice(tr("垂直镜像"), &m_flipLabel, &m_flipSelector, 5);
    grid->setRowStretch(6, 1);
    body->addWidget(holder);

    m_lowerDivider = addDivider();
    body->addSpacing(15);
    addButtonRow(&m_resetButton, &m_exitButton);

    // The mirror and flip lines stay as they are until a request sequence starts.
    m_autoHeader->hide();
    m_focusRow->hide();
    m_exposureRow->hide();
    m_irisRow->hide();
    m_lowerDivider->hide();
    m_resetButton->hide();
    m_exitButton->hide();

    CameraController* c = controller;
    connect(c, &CameraController::sigCtlPuCtPropertyList, this, &CameraControlDialog::onPuCtPropertyList,
            Qt::QueuedConnection);
    connect(this, &CameraControlDialog::sigSetPuCtPropertyType, c, &CameraController::onSetPuCtPropertyType,
            Qt::QueuedConnection);

    createLoader();
    const QStringList all = c->imagePropertyList() + c->controlPropertyList();
    qCDebug(lcPropertyDialog) << "CameraController::PuCtPropertyList CameraControlDialog manual sync all:"
                              << all;
    QStringList controls;
    for (int type : propertyTypes()) {
        if (type < all.size()) {
            controls.append(all.at(type));
        }
    }
    if (!controls.isEmpty()) {
        onPuCtPropertyList(controls);
    } else {
        qCDebug(lcPropertyDialog)
            << "CameraController::PuCtPropertyList CameraControlDialog no cached property list";
    }

    connect(c, &CameraController::sigCtlInitSlider, this, &CameraControlDialog::onInitSlider);
    const QVector<QPair<CameraParamRow*, int>> rows = {
        {m_focusRow, kFocus}, {m_exposureRow, kExposure}, {m_irisRow, kIris}};
    for (const auto& entry : rows) {
        forwardUserChanges(entry.first, entry.second);
    }
    connectChangesToController();

    // The camera's state sets the selectors silently; only the user's choices go back.
    connect(c, &CameraController::sigUpdateEnableFlip, this, [this](bool enable) {
        m_flipSelector->setEnabled(enable);
        m_flipLabel->setEnabled(enable);
    });
    connect(c, &CameraController::sigUpdateSetFlip, this, [this](bool on) {
        const QSignalBlocker blocker(m_flipSelector);
        m_flipSelector->setCurrentIndex(indexFor(on));
    });
    connect(c, &CameraController::sigUpdateEnableMirror, this, [this](bool enable) {
        m_mirrorSelector->setEnabled(enable);
        m_mirrorLabel->setEnabled(enable);
    });
    connect(c, &CameraController::sigUpdateSetMirror, this, [this](bool on) {
        const QSignalBlocker blocker(m_mirrorSelector);
        m_mirrorSelector->setCurrentIndex(indexFor(on));
    });
    connect(this, &CameraControlDialog::sigSetChangeMirror, c, &CameraController::onSetMirror,
            Qt::QueuedConnection);
    connect(this, &CameraControlDialog::sigSetChangeFlip, c, &CameraController::onSetFlip,
            Qt::QueuedConnection);
    connect(m_mirrorSelector, &SidePopupSelector::currentIndexChanged, this,
            [this](int i) { emit sigSetChangeMirror(i == 0); });
    connect(m_flipSelector, &SidePopupSelector::currentIndexChanged, this,
            [this](int i) { emit sigSetChangeFlip(i == 0); });
    connect(m_resetButton, &QPushButton::clicked, this, &CameraControlDialog::resetToDefaults);
}

CameraParamRow* CameraControlDialog::rowForType(int type) const {
    switch (type) {
        case kExposure:
            return m_exposureRow;
        case kIris:
            return m_irisRow;
        case kFocus:
            return m_focusRow;
        default:
            return nullptr;
    }
}

void CameraControlDialog::setContentVisible(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_autoHeader, m_focusRow, m_exposureRow, m_irisRow, m_resetButton, m_exitButton, m_lowerDivider,
             m_mirrorSelector, m_flipSelector, m_mirrorLabel, m_flipLabel}) {
        w->setVisible(visible);
    }
}

void CameraControlDialog::requestType(int type) {
    emit sigSetPuCtPropertyType(type);
}

void CameraControlDialog::onPuCtPropertyList(QStringList list) {
    if (list.isEmpty()) {
        return;
    }
    startSequence(propertyTypes());
}

void CameraControlDialog::onInitSlider(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue,
                                       bool bIsSupportAuto, bool bDefaultAuto) {
    qCDebug(lcPropertyDialog,
            "CameraControlDialog::onInitSlider type:%d enable:%d nMin:%d nMax:%d nStep:%d nValue:%d "
            "supportAuto:%d defaultAuto:%d\n",
            type, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto, bDefaultAuto);
    takeAnswer(type, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto, bDefaultAuto);
}

void CameraControlDialog::answerApplied(int type, bool, int, bool bIsSupportAuto, bool) {
    // Exposure is kept automatic wherever the camera offers it.
    if (type == kExposure && bIsSupportAuto) {
        m_exposureRow->setAuto(true);
        emit sigSetPuCtPropertyAutoValue(kExposure, true);
    }
}

void CameraControlDialog::resetToDefaults() {
    resetRows(propertyTypes());
    // Mirror and flip off: a user's choice, so it is sent.
    if (m_mirrorSelector->isEnabled()) {
        m_mirrorSelector->setCurrentIndex(indexFor(false));
    }
    if (m_flipSelector->isEnabled()) {
        m_flipSelector->setCurrentIndex(indexFor(false));
    }
    startSequence(propertyTypes());
}
