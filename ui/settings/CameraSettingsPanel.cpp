#include "CameraSettingsPanel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDebug>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTouchEvent>
#include <QVBoxLayout>

#include "CameraController.h"
#include "CameraSettingDevicePage.h"
#include "CameraSettingImagePage.h"
#include "SidePopupSelector.h"
#include "StreamChoiceRestorer.h"
#include "StreamSettingsGroup.h"
#include "SvgSpinnerWidget.h"
#include "SwitchButton.h"
#include "TranslucentWindowMask.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
const char* const kApplyStyle = R"(
    QPushButton {
        background-color: #525558;
        color: white;
        border: none;
        border-radius: %1px;
        font-size:18px;
    }
    QPushButton:hover { background-color: #2A4563; }
    QPushButton:pressed { background-color: #2A4563; }
)";

const char* const kStreamButtonStyle = R"(
            QPushButton {
                background-color: #0079FF;
                color: white;
                border-radius: 5px;
            }
            QPushButton:checked {
                background-color: #0079FF;
            }
            QPushButton:disabled {
                background-color: #0059D1;
            }
        )";

const char* const kCardStyle = R"(
        QWidget { background-color: #34383C; border-radius: 12px; }
        QLabel { color: white; font-size: 18px; background-color: transparent; }
    )";

QFrame* makeSeparator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setStyleSheet("background-color:#474E50;");
    return line;
}

QPixmap markPixmap(bool checked) {
    return QPixmap(checked ? ":/icons/streamSelect_check.png" : ":/icons/streamSelect_normal.png");
}
}  // namespace

CameraSettingsPanel::CameraSettingsPanel(CameraController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    qRegisterMetaType<StreamSettings>("StreamSettings");
    qRegisterMetaType<QVector<StreamSettings>>("QVector<StreamSettings>");
    // The capability masks reach the panel queued from the camera's threads.
    qRegisterMetaType<QVector<long>>("QVector<long>");

    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    TranslucentWindowMask::apply(this);
    setAutoFillBackground(false);
    resize(scaled(570) + 2 * scaled(465) + 2 * scaled(15), parent ? parent->height() : scaled(1080));

    m_background = new QWidget(this);
    m_background->setGeometry(0, 0, scaled(570), height());
    m_background->setAttribute(Qt::WA_TranslucentBackground);
    m_background->setAutoFillBackground(true);
    QPalette palette = m_background->palette();
    palette.setColor(QPalette::Window, QColor("#34383C"));
    m_background->setPalette(palette);

    m_mainCard = new QWidget(m_background);
    m_mainCard->setObjectName("mainCard");
    m_mainCard->move(0, 0);
    m_mainCard->setFixedSize(scaled(570), height());
    m_mainCard->setAutoFillBackground(false);
    m_mainCard->setStyleSheet("QWidget { background-color: #34383C; }");
    auto* cardLayout = new QVBoxLayout(m_mainCard);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);

    m_loadingView = new QWidget(m_mainCard);
    auto* loading = new QVBoxLayout(m_loadingView);
    loading->setContentsMargins(0, 0, 0, 0);
    loading->addStretch();
    loading->addWidget(new SvgSpinnerWidget(":/icons/loader.svg", m_loadingView, true), 0, Qt::AlignCenter);
    loading->addStretch();
    cardLayout->addWidget(m_loadingView);

    m_content = new QWidget(m_mainCard);
    m_content->setObjectName("contentWidget");
    m_content->setAutoFillBackground(false);
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    m_stack = new QStackedWidget(m_content);
    m_stack->setStyleSheet("background: transparent;");
    m_stack->setAutoFillBackground(false);
    contentLayout->addWidget(m_stack, 1);
    m_stack->addWidget(buildCameraPage());
    m_imagePage = new CameraSettingImagePage(controller, m_stack);
    m_stack->addWidget(m_imagePage);
    m_devicePage = new CameraSettingDevicePage(controller, m_stack);
    m_stack->addWidget(m_devicePage);
    buildTabBar(m_content);
    cardLayout->addWidget(m_content);
    m_content->hide();

    buildStreamCards();
    connectSignals();
    qApp->installEventFilter(this);
}

CameraSettingsPanel::~CameraSettingsPanel() {
    qApp->removeEventFilter(this);
}

QWidget* CameraSettingsPanel::buildCameraPage() {
    auto* page = new QWidget(m_stack);
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(scaled(20), scaled(30), scaled(20), scaled(20));
    v->setSpacing(scaled(12));

    auto* title = new QLabel(tr("相机设置"), page);
    title->setMinimumHeight(scaled(60));
    QFont titleFont = title->font();
    titleFont.setPixelSize(scaled(40));
    titleFont.setWeight(75);
    title->setFont(titleFont);
    title->setStyleSheet("color: #C3C7C8; background-color: transparent;");
    v->addWidget(title);
    v->addWidget(makeSeparator(page));

    auto* device = new QHBoxLayout;
    device->setContentsMargins(0, 0, 0, 0);
    device->setSpacing(scaled(12));
    auto* deviceLabel = new QLabel(tr("设备选择"), page);
    deviceLabel->setMinimumWidth(scaled(150));
    deviceLabel->setStyleSheet("color:#FFFFFF; font-size:18px; background:transparent;");
    m_deviceSelector = new SidePopupSelector(page);
    m_deviceSelector->setFixedSize(QSize(scaled(350), scaled(50)));
    m_deviceSelector->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    device->addWidget(deviceLabel);
    device->addWidget(m_deviceSelector);
    v->addLayout(device);
    v->addWidget(makeSeparator(page));

    m_streamBar = buildStreamBar();
    m_streamBar->setParent(page);
    m_streamBar->hide();
    v->addWidget(m_streamBar);
    m_streamSpacer = new QWidget(page);
    m_streamSpacer->setMinimumHeight(scaled(20));
    m_streamSpacer->hide();
    v->addWidget(m_streamSpacer);

    auto* stream1 = new QWidget(page);
    stream1->setMinimumWidth(scaled(540));
    stream1->setMaximumWidth(scaled(540));
    stream1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* stream1Layout = new QVBoxLayout(stream1);
    stream1Layout->setContentsMargins(0, 0, 0, 0);
    m_groups[0] = new StreamSettingsGroup(0, true, stream1);
    stream1Layout->addWidget(m_groups[0]);
    v->addWidget(stream1, 0, Qt::AlignLeft);

    auto* ratio = new QHBoxLayout;
    ratio->setContentsMargins(0, 0, scaled(10), scaled(20));
    auto* ratioLabel = new QLabel(tr("保持比例"), page);
    ratioLabel->setStyleSheet("color:#FFFFFF; font-size:18px; background-color: transparent;");
    auto* ratioSwitch = new SwitchButton(page);
    ratioSwitch->setChecked(true);
    ratio->addWidget(ratioLabel);
    ratio->addWidget(ratioSwitch);
    ratio->addStretch();
    v->addLayout(ratio);
    v->addWidget(makeSeparator(page));

    auto* applyRow = new QHBoxLayout;
    applyRow->setContentsMargins(0, scaled(20), 0, 0);
    m_applyButton = new QPushButton(tr("应用"), page);
    m_applyButton->setFixedSize(scaled(476), scaled(60));
    m_applyButton->setStyleSheet(QString(kApplyStyle).arg(scaled(60) / 2));
    applyRow->addWidget(m_applyButton);
    applyRow->addStretch();
    v->addLayout(applyRow);
    return page;
}

QWidget* CameraSettingsPanel::buildStreamBar() {
    auto* bar = new QWidget;
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < kStreams; ++i) {
        auto* button = new QPushButton(QString::number(i + 1), bar);
        button->setCheckable(true);
        button->setFixedSize(scaled(150), scaled(65));
        QFont font = button->font();
        font.setPixelSize(scaled(28));
        font.setWeight(75);
        button->setFont(font);
        button->setStyleSheet(kStreamButtonStyle);
        button->setChecked(true);
        auto* mark = new QLabel(button);
        mark->setFixedSize(16, 16);
        mark->setAttribute(Qt::WA_TransparentForMouseEvents);
        mark->move(button->width() - 16 - 6, button->height() - 16 - 6);
        mark->setPixmap(markPixmap(true));
        m_streamButtons[i] = button;
        m_streamMarks[i] = mark;
        h->addWidget(button);
        h->addSpacing(scaled(40));
    }
    m_streamButtons[0]->setEnabled(false);
    return bar;
}

void CameraSettingsPanel::buildStreamCards() {
    for (int s = 1; s < kStreams; ++s) {
        auto* card = new QWidget(this);
        card->setObjectName(QString("streamCard%1").arg(s + 1));
        card->setFixedSize(scaled(465), scaled(395));
        card->setAutoFillBackground(true);
        card->setStyleSheet(kCardStyle);
        auto* v = new QVBoxLayout(card);
        v->setContentsMargins(scaled(20), scaled(5), scaled(20), 0);
        m_groups[s] = new StreamSettingsGroup(s, false, card);
        v->addWidget(m_groups[s]);
        v->addSpacing(scaled(20));
        card->hide();
        m_cards[s] = card;
    }
}

void CameraSettingsPanel::buildTabBar(QWidget* content) {
    auto* bar = new QWidget(content);
    bar->setFixedHeight(56);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    m_tabGroup = new QButtonGroup(this);
    m_tabGroup->setExclusive(true);
    const char* icons[3] = {":/icons/settingCamera_normal.svg", ":/icons/settingImage_normal.svg",
                            ":/icons/settingDevice_normal.svg"};
    for (int id = 0; id < 3; ++id) {
        auto* tab = UniversalButton::createToggleButton(icons[id], icons[id], icons[id], icons[id],
                                                        QSize(scaled(190), scaled(60)), bar);
        tab->setPreferredIconSize(QSize(scaled(40), scaled(40)));
        m_tabGroup->addButton(tab, id);
        h->addWidget(tab);
    }
    m_tabGroup->button(0)->setChecked(true);
    content->layout()->addWidget(bar);
}

void CameraSettingsPanel::connectSignals() {
    connect(m_deviceSelector, &SidePopupSelector::currentIndexChanged, this, [this](int index) {
        qDebug("CameraSettingsPanel: device index=%d", index);
        emit deviceSelected(index);
    });
    connect(m_tabGroup, &QButtonGroup::idClicked, this, &CameraSettingsPanel::onTab);
    for (int s = 0; s < kStreams; ++s) {
        connect(m_groups[s]->resolutionSelector(), &SidePopupSelector::currentIndexChanged, this,
                [this, s](int index) { emit resolutionChanged(s, index); });
        connect(m_groups[s]->fpsSelector(), &SidePopupSelector::currentIndexChanged, this,
                [this, s](int index) { emit fpsChanged(s, index); });
    }
    connect(m_applyButton, &QPushButton::clicked, this, &CameraSettingsPanel::apply);
    // Remembered choices are picked and applied as the user would.
    m_restorer = new StreamChoiceRestorer(this);
    connect(m_restorer, &StreamChoiceRestorer::mediaChosen, this, &CameraSettingsPanel::onMediaChanged);
    connect(m_restorer, &StreamChoiceRestorer::resolutionChosen, this,
            &CameraSettingsPanel::resolutionChanged);
    connect(m_restorer, &StreamChoiceRestorer::finished, this, &CameraSettingsPanel::apply);
    for (int i = 1; i < kStreams; ++i) {
        connect(m_streamButtons[i], &QPushButton::toggled, this,
                [this, i](bool checked) { onStreamButtonToggled(i, checked); });
    }

    CameraSettingImagePage* page = m_imagePage;
    const auto queued = Qt::QueuedConnection;
    connect(page, &CameraSettingImagePage::sensorChanged, this, &CameraSettingsPanel::sensorChanged, queued);
    connect(page, &CameraSettingImagePage::hideChanged, this, &CameraSettingsPanel::hideChanged, queued);
    connect(page, &CameraSettingImagePage::faceTracking, this, &CameraSettingsPanel::faceTracking, queued);
    connect(page, &CameraSettingImagePage::soundTracking, this, &CameraSettingsPanel::soundTracking, queued);
    connect(page, &CameraSettingImagePage::sigSetGesture, this, &CameraSettingsPanel::setGesture, queued);
    connect(page, &CameraSettingImagePage::sigSetCanvas, this, &CameraSettingsPanel::setCanvas, queued);
    connect(page, &CameraSettingImagePage::sigSetPip, this, &CameraSettingsPanel::setPip, queued);
    connect(page, &CameraSettingImagePage::sigSetMoasic, this, &CameraSettingsPanel::setMoasic, queued);
    connect(page, &CameraSettingImagePage::sigSetSub1Ai, this, &CameraSettingsPanel::setSub1Ai, queued);

    if (m_controller) {
        connect(m_devicePage, &CameraSettingDevicePage::sigRecordOutputPathChanged, m_controller,
                &CameraController::setRecordOutputDir, queued);
        m_controller->setRecordOutputDir(m_devicePage->savePath());
    }
}

StreamSettingsGroup* CameraSettingsPanel::streamGroup(int streamId) const {
    return streamId >= 0 && streamId < kStreams ? m_groups[streamId] : nullptr;
}

QWidget* CameraSettingsPanel::streamCard(int streamId) const {
    return streamId >= 1 && streamId < kStreams ? m_cards[streamId] : nullptr;
}

QPushButton* CameraSettingsPanel::streamButton(int streamId) const {
    return streamId >= 0 && streamId < kStreams ? m_streamButtons[streamId] : nullptr;
}

QList<SidePopupSelector*> CameraSettingsPanel::selectors() const {
    QList<SidePopupSelector*> all = findChildren<SidePopupSelector*>();
    return all;
}

// ---------------------------------------------------------------------------------------------
// Apply and the selectors

void CameraSettingsPanel::restoreStreamChoices(const QMap<int, StreamChoice>& choices) {
    QMap<int, StreamSettingsGroup*> groups;
    for (int s = 0; s < kStreams; ++s) {
        if (isStreamApplied(s)) {
            groups.insert(s, m_groups[s]);
        }
    }
    m_restorer->start(choices, groups);
}

bool CameraSettingsPanel::isRestoring() const {
    return m_restorer->isActive();
}

bool CameraSettingsPanel::isStreamApplied(int s) const {
    // Streams 2 and 3 exist for the user only in the multi-stream mode.
    return m_bStreamEnabled[s] && (s == 0 || m_bStreamMode);
}

void CameraSettingsPanel::apply() {
    // The user's own apply wins over choices still being restored.
    m_restorer->cancel();
    m_bApplying = true;
    QVector<StreamSettings> settings;
    int count = 0;
    for (int s = 0; s < kStreams; ++s) {
        if (!isStreamApplied(s)) {
            continue;
        }
        ++count;
        settings.append(m_groups[s]->settings());
    }
    emit settingsApplied(settings, count);
}

void CameraSettingsPanel::finishApply() {
    m_bApplying = false;
}

void CameraSettingsPanel::showUI() {
    qDebug("CameraSettingsPanel::showUI()");
    const QSignalBlocker blocker(m_deviceSelector);
    m_loadingView->hide();
    m_content->show();
    m_deviceSelector->clear();
    for (const QString& name : qAsConst(m_deviceNames)) {
        m_deviceSelector->addItem(name);
    }
    m_deviceSelector->setCurrentIndex(0);
    m_stack->setCurrentIndex(0);
    m_tabGroup->button(0)->setChecked(true);
    // The multi-stream mode, once unlocked, stays for the whole run: a camera (re)start must not
    // leave its bar and cards on screen while apply no longer sends their streams.
}

void CameraSettingsPanel::showLoading() {
    m_restorer->cancel();  // the camera has gone
    const QSignalBlocker blocker(m_deviceSelector);
    m_content->hide();
    m_loadingView->show();
    m_loadingView->raise();
}

bool CameraSettingsPanel::isLoading() const {
    return m_content->isHidden();
}

// ---------------------------------------------------------------------------------------------
// Tabs and the multi-stream mode

void CameraSettingsPanel::onTab(int id) {
    m_stack->setCurrentIndex(id);
    if (id != 0) {
        for (int s = 1; s < kStreams; ++s) {
            m_cards[s]->hide();
        }
    } else if (m_bStreamMode) {
        showStreamCards();
    }
}

void CameraSettingsPanel::setSupportAdvanceXU(bool on) {
    if (m_imagePage) {
        m_imagePage->setSupportAdvanceXU(on);
    }
}

void CameraSettingsPanel::onStreamButtonToggled(int index, bool checked) {
    m_bStreamEnabled[index] = checked;
    QPushButton* button = m_streamButtons[index];
    m_streamMarks[index]->setPixmap(markPixmap(checked));
    m_streamMarks[index]->move(button->width() - 16 - 6, button->height() - 16 - 6);
    // Observers hear of the toggle before its consequences (stream 3 following stream 2 off).
    emit streamToggled(index, checked);
    onStreamToggled(index, checked);
}
