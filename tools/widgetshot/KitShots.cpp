#include "KitShots.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>

#include "DashDivider.h"
#include "InfoRow.h"
#include "OverlayScrollArea.h"
#include "RightIconButton.h"
#include "ShotRegistry.h"
#include "SvgIconLabel.h"
#include "SvgSpinnerWidget.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
void send(QWidget* w, QEvent::Type type) {
    QEvent event(type);
    QApplication::sendEvent(w, &event);
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButtons buttons) {
    const QPoint centre = w->rect().center();
    QMouseEvent event(type, centre, w->mapToGlobal(centre), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

QWidget* row(QWidget* parent, int spacing = 16) {
    auto* widget = new QWidget(parent);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return widget;
}

QWidget* column(QWidget* parent, int spacing = 12) {
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return widget;
}
}  // namespace

namespace KitShots {

void driveButton(UniversalButton* button, const QString& state) {
    // After the host window is shown, so that showing it cannot undo the state.
    QTimer::singleShot(20, button, [button, state] {
        if (state == "hover") {
            send(button, QEvent::Enter);
        } else if (state == "pressed") {
            send(button, QEvent::Enter);
            sendMouse(button, QEvent::MouseButtonPress, Qt::LeftButton);
        } else if (state == "checked") {
            send(button, QEvent::Enter);
            sendMouse(button, QEvent::MouseButtonPress, Qt::LeftButton);
            sendMouse(button, QEvent::MouseButtonRelease, Qt::NoButton);
        } else if (state == "checked-left") {
            send(button, QEvent::Enter);
            sendMouse(button, QEvent::MouseButtonPress, Qt::LeftButton);
            sendMouse(button, QEvent::MouseButtonRelease, Qt::NoButton);
            send(button, QEvent::Leave);
        } else if (state == "disabled") {
            button->setEnabled(false);
        }
    });
}

UniversalButton* iconButton(QWidget* parent) {
    auto* button = UniversalButton::createIconButton(":/icons/capture_normal.svg",
                                                     QSize(scaled(120), scaled(120)), parent);
    button->setIcons(":/icons/capture_normal.svg", QString(), ":/icons/capture_pressed.svg", QString(),
                     ":/icons/capture_disabled.svg");
    button->setFocusIcon(":/icons/capture_focus.svg");
    return button;
}

UniversalButton* toggleButton(QWidget* parent) {
    const QString icon = ":/icons/settingCamera_normal.svg";
    auto* button =
        UniversalButton::createToggleButton(icon, icon, icon, icon, QSize(scaled(190), scaled(60)), parent);
    button->setPreferredIconSize(QSize(scaled(40), scaled(40)));
    return button;
}

UniversalButton* textButton(QWidget* parent) {
    QFont font;
    font.setPixelSize(16);
    return UniversalButton::createTextButton(QObject::tr("相机控制"), font, QSize(scaled(264), scaled(50)),
                                             parent);
}

QWidget* rightIconButton(QWidget* parent) {
    auto* button = new RightIconButton("MJPG 1920x1080", parent);
    QFont font = button->font();
    font.setPointSize(14);
    button->setFont(font);
    button->setFixedSize(scaled(220), scaled(50));
    button->setStyleSheet(
        "\n    QPushButton {\n        border-radius: 8px;\n        border: 1px solid #C3C4C5;\n"
        "        background-color: #34383C;\n        color: #C0C4CC;\n        padding-left: 12px;\n"
        "        padding-right: 24px;\n    }\n    QPushButton:hover {\n        background-color: #3C4044;\n"
        "    }\n");
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QString(":/icons/combox.svg"));
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, 16, 16));
    }
    button->setIcon(QIcon(pixmap));
    button->setIconSize(QSize(16, 16));
    return button;
}

QWidget* switchRows(QWidget* parent) {
    QWidget* widget = column(parent, scaled(15));
    widget->setFixedWidth(scaled(400));
    auto* on = new SwitchRow(QObject::tr("人脸跟踪"), widget);
    on->setChecked(true);
    auto* off = new SwitchRow(QObject::tr("画中画模式"), widget);
    widget->layout()->addWidget(on);
    widget->layout()->addWidget(off);
    return widget;
}

QWidget* infoRows(QWidget* parent) {
    QWidget* widget = column(parent, 10);
    auto* name = new InfoRow(QObject::tr("设备名称"), widget);
    name->setValue("Virtual Camera 0");
    auto* firmware = new InfoRow(QObject::tr("固件版本"), widget, true);
    firmware->setValue("1.0.1(20260320)");
    widget->layout()->addWidget(name);
    widget->layout()->addWidget(firmware);
    return widget;
}

QWidget* svgIconLabels(QWidget* parent) {
    QWidget* widget = row(parent);
    auto* small = new SvgIconLabel(":/icons/face.svg", widget);
    auto* large = new SvgIconLabel(":/icons/face.svg", widget);
    large->setIconSize(QSize(scaled(40), scaled(40)));
    widget->layout()->addWidget(small);
    widget->layout()->addWidget(large);
    return widget;
}

QWidget* spinners(QWidget* parent) {
    QWidget* widget = row(parent);
    auto* small = new SvgSpinnerWidget(":/icons/loader.svg", widget);
    auto* large = new SvgSpinnerWidget(":/icons/loader.svg", widget, true);
    large->stopAnimation();  // a fixed angle, so the picture is the same every time
    large->setAngle(30);
    widget->layout()->addWidget(small);
    widget->layout()->addWidget(large);
    return widget;
}

QWidget* toasts(QWidget* parent) {
    QWidget* widget = column(parent, 10);
    const struct {
        const char* text;
        int type;
    } messages[] = {
        {"拍照成功：/home/user/Documents/Corvix/20260320_101010.jpg", 1},
        {"拍照失败：/home/user/Documents/Corvix/20260320_101010.jpg", 2},
        {"录像已达到最长时长，自动停止", 3},
        {"录像成功：/home/user/Documents/Corvix/a/very/long/folder/name/that/does/not/fit/in/one/toast/"
         "20260320_101010.mp4",
         1},
    };
    for (const auto& message : messages) {
        auto* toast = new ToastLabel(widget);
        toast->showMessage(QObject::tr(message.text), message.type, 0);
        widget->layout()->addWidget(toast);
    }
    return widget;
}

QWidget* scrollArea(QWidget* parent) {
    auto* area = new OverlayScrollArea(parent);
    area->setFixedSize(scaled(400), scaled(220));
    area->setStyleSheet("background: #2f3437;");
    QWidget* content = column(nullptr, scaled(15));
    content->layout()->setContentsMargins(scaled(20), scaled(20), scaled(20), scaled(20));
    const char* titles[] = {"举手跟踪", "人脸跟踪", "声音跟踪", "站立跟踪",
                            "白板跟踪", "画廊模式", "网格模式"};
    for (const char* title : titles) {
        content->layout()->addWidget(new SwitchRow(QObject::tr(title), content));
    }
    area->setWidget(content);
    QTimer::singleShot(20, area, [area] { area->scrollArea()->verticalScrollBar()->setValue(60); });
    return area;
}

QWidget* divider(QWidget* parent) {
    auto* line = new UiComponents::DashDivider(parent);
    line->setMinimumWidth(scaled(400));
    return line;
}

}  // namespace KitShots

void registerKitShots(ShotRegistry& registry) {
    using namespace KitShots;
    registry.add("gallery", "the whole widget kit, every state", gallery);
    registry.add("UniversalButton", "icon, toggle and text kinds", [](QWidget* parent) {
        QWidget* widget = row(parent);
        widget->layout()->addWidget(iconButton(widget));
        widget->layout()->addWidget(toggleButton(widget));
        widget->layout()->addWidget(textButton(widget));
        return widget;
    });
    registry.add("RightIconButton", "selector face with its arrow", rightIconButton);
    registry.add("SwitchButton", "on and off", [](QWidget* parent) {
        QWidget* widget = row(parent);
        auto* on = new SwitchButton(widget);
        on->setChecked(true);
        widget->layout()->addWidget(on);
        widget->layout()->addWidget(new SwitchButton(widget));
        return widget;
    });
    registry.add("SwitchRow", "titled switches, on and off", switchRows);
    registry.add("InfoRow", "plain and highlighted value", infoRows);
    registry.add("SvgIconLabel", "16 and 40 pixels", svgIconLabels);
    registry.add("SvgSpinnerWidget", "small and large", spinners);
    registry.add("ToastLabel", "types 1, 2, other, and an elided text", toasts);
    registry.add("OverlayScrollArea", "content taller than the view, with its handle", scrollArea);
    registry.add("DashDivider", "dashed divider", divider);
}
