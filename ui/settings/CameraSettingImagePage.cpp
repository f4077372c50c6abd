#include "CameraSettingImagePage.h"

#include <QDebug>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWindow>

#include "CameraControlDialog.h"
#include "CameraImageDialog.h"
#include "CameraRecordDialog.h"
#include "DashDivider.h"
#include "OverlayScrollArea.h"
#include "SettingsPageParts.h"
#include "SidePopupSelector.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
using SettingsPageParts::makeLine;

const char* const kFaceInfo =
    "AI智能相机将自动跟踪参会人的位置并调节画面的角度和焦距，确保视频画面呈现最佳视角";
const char* const kCanvasInfo = "AI智能相机将自动追踪人脸";

// Shows one of the page's dialogs at `at`, made on first use as a frameless popup of `page`.
// A page without a mediator has no dialogs.
template <class Dialog>
void showDialogAt(Dialog*& dialog, CameraController* controller, QWidget* page, const QPoint& at) {
    if (!controller) {
        return;
    }
    if (!dialog) {
        dialog = new Dialog(controller, page);
        dialog->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    }
    dialog->move(at);
    dialog->show();
}
}  // namespace

CameraSettingImagePage::CameraSettingImagePage(CameraController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    m_exclusive = {HandRaise,        Face,     Voice, Standing,   Whiteboard,       GestureHead,
                   GestureCamera,    Gallery,  Grid,  RoundTable, WhiteboardDetect, BlackboardDetect,
                   GreenboardDetect, Beautify, Blur,  Mosaic};
    buildTree();
    connectRows();
    for (Row r : {FaceGesture, VoiceGesture, StandingGesture, WhiteboardGesture, ImageEnhance}) {
        m_rows[r]->hide();
    }
    m_popup = new GesturePopupWidget(this);
    m_popup->hide();
    if (m_controller) {
        m_cameraControlDialog = new CameraControlDialog(m_controller, this);
        m_cameraControlDialog->hide();
    }
    {
        const QSignalBlocker blocker(this);
        for (Row r : {Standing, StandingGesture, Whiteboard, WhiteboardGesture, ImageEnhance, GestureHead,
                      GestureCamera, Gallery, Grid, RoundTable, WhiteboardDetect, BlackboardDetect,
                      GreenboardDetect, Beautify, Blur, Mosaic}) {
            m_rows[r]->hide();
        }
        m_canvasDivider->hide();
        m_detectDivider->hide();
        m_effectsLine->hide();
    }
}

void CameraSettingImagePage::buildTree() {
    const SettingsPageParts::Frame frame =
        SettingsPageParts::buildFrame(this, tr("图像设置"), scaled(110),
                                      QMargins(scaled(20), scaled(30), scaled(20), scaled(30)), scaled(15));
    QWidget* content = frame.content;
    QVBoxLayout* v = frame.column;

    QFont buttonFont = font();
    buttonFont.setPixelSize(16);
    const QSize buttonSize(scaled(528), scaled(50));
    m_cameraControlBtn = UniversalButton::createTextButton(tr("相机控制"), buttonFont, buttonSize, content);
    m_imageBtn = UniversalButton::createTextButton(tr("图像设置"), buttonFont, buttonSize, content);
    m_recordBtn = UniversalButton::createTextButton(tr("录像设置"), buttonFont, buttonSize, content);
    v->addWidget(m_cameraControlBtn);
    v->addWidget(m_imageBtn);
    v->addWidget(m_recordBtn);
    v->addWidget(makeLine(content));

    auto addRow = [&](Row r, const QString& text) {
        m_rows[r] = new SwitchRow(text, content);
        v->addWidget(m_rows[r]);
    };
    addRow(Privacy, tr("隐私保护模式"));
    v->addWidget(makeLine(content));
    m_angleRow = SettingsPageParts::makeSelectorRow(tr("角度设置"), content, &m_angleSelector);
    m_angleRow->layout()->setContentsMargins(0, 0, 0, 0);
    v->addWidget(m_angleRow);
    addRow(NonStitching, tr("非融合模式"));
    v->addWidget(makeLine(content));
    addRow(HandRaise, tr("举手跟踪"));
    addRow(Face, tr("人脸跟踪"));
    addRow(FaceGesture, tr("+手势操控"));
    addRow(Voice, tr("声音跟踪"));
    addRow(VoiceGesture, tr("+手势操控"));
    addRow(Standing, tr("站立跟踪"));
    addRow(StandingGesture, tr("+手势操控"));
    addRow(Whiteboard, tr("白板跟踪"));
    addRow(WhiteboardGesture, tr("+手势操控"));
    addRow(ImageEnhance, tr("+图像增强"));
    addRow(GestureHead, tr("手势操控云台"));
    addRow(GestureCamera, tr("手势操控相机"));
    v->addWidget(new UiComponents::DashDivider(content));
    addRow(Gallery, tr("画廊模式"));
    addRow(Grid, tr("网格模式"));
    addRow(RoundTable, tr("圆桌模式"));
    m_canvasDivider = new UiComponents::DashDivider(content);
    v->addWidget(m_canvasDivider);
    addRow(WhiteboardDetect, tr("白板检测"));
    addRow(BlackboardDetect, tr("黑板检测"));
    addRow(GreenboardDetect, tr("绿板检测"));
    m_detectDivider = new UiComponents::DashDivider(content);
    v->addWidget(m_detectDivider);
    addRow(Beautify, tr("AI美颜"));
    addRow(Blur, tr("背景虚化"));
    addRow(Mosaic, tr("人脸马赛克"));
    m_effectsLine = makeLine(content);
    v->addWidget(m_effectsLine);
    addRow(Pip, tr("画中画模式"));
    v->addWidget(makeLine(content));
    v->addStretch();
    frame.scroll->setWidget(content);
}

QWidget* CameraSettingImagePage::canvasDivider() const {
    return m_canvasDivider;
}

QWidget* CameraSettingImagePage::detectionDivider() const {
    return m_detectDivider;
}

void CameraSettingImagePage::connectRows() {
    for (int r = 0; r < RowCount; ++r) {
        connect(m_rows[r], &SwitchRow::userToggled, this, [this, r](bool on) { onRowToggled(Row(r), on); });
    }
    connect(m_angleSelector, &SidePopupSelector::currentIndexChanged, this,
            &CameraSettingImagePage::sensorChanged);
    connect(m_cameraControlBtn, &QPushButton::clicked, this,
            &CameraSettingImagePage::showCameraControlDialog);
    connect(m_imageBtn, &QPushButton::clicked, this, &CameraSettingImagePage::showImageDialog);
    connect(m_recordBtn, &QPushButton::clicked, this, &CameraSettingImagePage::showRecordDialog);
}

void CameraSettingImagePage::showCameraControlDialog() {
    showDialogAt(m_cameraControlDialog, m_controller, this, QPoint(scaled(590), scaled(300)));
}

void CameraSettingImagePage::showImageDialog() {
    showDialogAt(m_imageDialog, m_controller, this, QPoint(scaled(590), scaled(80)));
}

void CameraSettingImagePage::showRecordDialog() {
    showDialogAt(m_recordDialog, m_controller, this, QPoint(scaled(590), scaled(280)));
}

// ---------------------------------------------------------------------------------------------
// The user's clicks

void CameraSettingImagePage::onRowToggled(Row r, bool on) {
    const QString handle = QStringLiteral(":/icons/handle.svg");
    const QString handleClose = QStringLiteral(":/icons/handleclose.svg");
    auto gestureOrOff = [this, on](int number) { emit sigSetGesture(on ? number : 0); };
    if (m_exclusive.contains(r)) {
        switchOffOthers(r);
    }
    if (!on && r != Privacy && r != NonStitching && r != Pip && r != ImageEnhance && r != WhiteboardDetect &&
        r != BlackboardDetect && r != GreenboardDetect) {
        m_popup->hide();
    }
    switch (r) {
        case Privacy:
            emit hideChanged(on);
            break;
        case NonStitching:
            break;  // mirrors the camera's state only
        case HandRaise:
            gestureOrOff(4);
            if (on) {
                showLegend({{handle, tr("开启举手跟踪")}, {handleClose, tr("取消")}});
            }
            break;
        case Face:
            emit faceTracking(on);
            qDebug() << "faceTrackingSwitch start";
            setDependent(FaceGesture, on, false);
            if (on) {
                showInfo(":/icons/face.svg", tr(kFaceInfo), 0);
            }
            break;
        case FaceGesture:
            gestureOrOff(2);
            if (on) {
                showLegend({{handle, tr("开启人脸跟踪")}, {handleClose, tr("取消")}});
            } else if (m_rows[Face]->isChecked()) {
                emit faceTracking(true);
            }
            break;
        case Voice:
            qDebug() << "soundTrackingSwitch start";
            emit soundTracking(on);
            setDependent(VoiceGesture, on, false);
            if (on) {
                showInfo(":/icons/sound.svg", tr("AI智能相机将自动追踪发言者"), 2);
            }
            break;
        case VoiceGesture:
            gestureOrOff(3);
            if (on) {
                showLegend({{handle, tr("开启声音跟踪")}, {handleClose, tr("取消")}});
            } else if (m_rows[Voice]->isChecked()) {
                emit soundTracking(true);
            }
            break;
        case Standing:
            gestureOrOff(5);
            setDependent(StandingGesture, on, false);
            if (on) {
                showLegend({{":/icons/stand.svg", tr("站立跟踪")}, {":/icons/stand_cancel.svg", tr("取消")}});
            }
            break;
        case StandingGesture:
            gestureOrOff(9);
            if (on) {
                showLegend({{handle, tr("开启站立跟踪")}, {handleClose, tr("取消")}});
            }
            break;
        case Whiteboard:
            gestureOrOff(6);
            setDependent(WhiteboardGesture, on, false);
            setDependent(ImageEnhance, on, false);
            if (on) {
                showInfo(":/icons/whiteboardTracking.svg", tr("AI智能相机将自动追踪白板"), 4);
            }
            break;
        case WhiteboardGesture:
            gestureOrOff(7);
            if (on) {
                showLegend({{handle, tr("开启白板跟踪")}, {handleClose, tr("取消")}});
            }
            break;
        case ImageEnhance:
            gestureOrOff(10);
            break;
        case GestureHead:
            gestureOrOff(1);
            if (on) {
                showLegend({{handle, tr("手势操控云台")},
                            {handleClose, tr("取消")},
                            {":/icons/PTZ1.svg", tr("视频放大")},
                            {":/icons/PTZ2.svg", tr("视频缩小")},
                            {":/icons/PTZ3.svg", tr("角度调整")}});
            }
            break;
        case GestureCamera:
            gestureOrOff(14);
            if (on) {
                showLegend({{":/icons/cameracontrol_face.svg", tr("人脸跟踪")},
                            {":/icons/cameracontrol_sound.svg", tr("声音跟踪")},
                            {":/icons/cameracontrol_hand.svg", tr("举手跟踪")},
                            {":/icons/cameracontrol_hide.svg", tr("隐私保护模式")},
                            {":/icons/cameracontrol_mode.svg", tr("画中画模式")},
                            {":/icons/cameracontrol_cancel.svg", tr("取消")}});
            }
            break;
        case Gallery:
        case Grid:
        case RoundTable: {
            const int number = r == Gallery ? 1 : r == Grid ? 2 : 3;
            emit sigSetCanvas(on ? number : 0);
            if (on) {
                const char* icon = r == Gallery ? ":/icons/gallery_normal.svg"
                                   : r == Grid  ? ":/icons/grid_normal.svg"
                                                : ":/icons/roundtable_normal.svg";
                showInfo(icon, tr(kCanvasInfo), 4);
            }
            break;
        }
        case WhiteboardDetect:
            gestureOrOff(15);
            break;
        case BlackboardDetect:
            gestureOrOff(16);
            break;
        case GreenboardDetect:
            gestureOrOff(17);
            break;
        case Beautify:
            gestureOrOff(13);
            if (on) {
                showInfo(":/icons/beautify_normal.svg", tr("AI智能相机将自动进行美颜"), 4);
            }
            break;
        case Blur:
            gestureOrOff(12);
            if (on) {
                showInfo(":/icons/background_normal.svg", tr("AI智能相机将自动进行背景虚化"), 4);
            }
            break;
        case Mosaic:
            emit sigSetMoasic(on ? 1 : 0);
            if (on) {
                showInfo(":/icons/mosaic_normal.svg", tr("AI智能相机将自动使用马赛克覆盖人脸"), 4);
            }
            break;
        case Pip:
            emit sigSetPip(on);
            break;
        case RowCount:
            break;
    }
}

void CameraSettingImagePage::setDependent(Row r, bool visible, bool switchOff) {
    const QSignalBlocker blocker(m_rows[r]);
    if (switchOff) {
        m_rows[r]->setChecked(false);
    }
    m_rows[r]->setVisible(visible);
}

// Switching one mode on switches the others off on the page; the camera is told only the new
// mode, which replaces the old one there.
void CameraSettingImagePage::switchOffOthers(Row chosen) {
    if (!m_rows[chosen]->isChecked() || m_bExclusiveGuard) {
        return;
    }
    m_bExclusiveGuard = true;
    for (Row r : qAsConst(m_exclusive)) {
        if (r == chosen || !m_rows[r]->isChecked()) {
            continue;
        }
        {
            const QSignalBlocker blocker(m_rows[r]);
            m_rows[r]->setChecked(false);
        }
        if (r == Face) {
            setDependent(FaceGesture, false, true);
        } else if (r == Voice) {
            setDependent(VoiceGesture, false, true);
        } else if (r == Standing) {
            setDependent(StandingGesture, false, true);
        } else if (r == Whiteboard) {
            setDependent(WhiteboardGesture, false, true);
            setDependent(ImageEnhance, false, true);
        }
    }
    m_bExclusiveGuard = false;
}

// ---------------------------------------------------------------------------------------------
// Popups

void CameraSettingImagePage::showInfo(const QString& icon, const QString& text, int sizeIndex) {
    m_popup->setSingleItem(icon, text, sizeIndex);
    placeAndShowPopup();
}

void CameraSettingImagePage::showLegend(const QList<GesturePopupWidget::Item>& items) {
    m_popup->setItems(items, 1);
    placeAndShowPopup();
}

void CameraSettingImagePage::placeAndShowPopup() {
    m_popup->adjustSize();
    const QWindow* handle = window()->windowHandle();
    const QScreen* screen = handle ? handle->screen() : nullptr;
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return;
    }
    m_popup->move(GesturePopupWidget::centredPosition(screen->availableGeometry(), m_popup->size()));
    m_popup->showFor(kPopupMs);
}
