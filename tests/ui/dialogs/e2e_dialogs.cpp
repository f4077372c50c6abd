// The live window with a stand-in for the camera feature page: three buttons that open the
// property and record dialogs the way the page does (created on first use with the page as
// parent, frameless popups, moved to their places and shown). Run by e2e_dialogs.sh under Xvfb;
// it prints the screen positions the script clicks and drags:
//   button <name> <x> <y>          centre of a page button
//   loaded <dialog>                a property dialog has finished loading
//   brightness <x> <y> <right>     the brightness slider's handle centre and its groove's end
//   closed <dialog>                a dialog was closed (Esc or a press outside)
#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <functional>

#include "CameraControlDialog.h"
#include "CameraController.h"
#include "CameraImageDialog.h"
#include "CameraParamRow.h"
#include "CameraRecordDialog.h"
#include "MainWindow.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoWidget.h"

namespace {

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void sayCentre(const char* name, QWidget* w) {
    const QPoint c = w->mapToGlobal(w->rect().center());
    say(QString("button %1 %2 %3").arg(name).arg(c.x()).arg(c.y()));
}

// Announces once that a property dialog has finished loading.
void reportLoaded(PropertyDialogBase* dialog, const char* name, const std::function<void()>& more = {}) {
    auto* timer = new QTimer(dialog);
    QObject::connect(timer, &QTimer::timeout, dialog, [=] {
        if (dialog->isVisible() && !dialog->isLoading()) {
            timer->stop();
            say(QString("loaded %1").arg(name));
            if (more) {
                more();
            }
        }
    });
    timer->start(50);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    uiScale();
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    MainWindow window;
    CameraController* controller = window.controller();

    QWidget page(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    page.setStyleSheet("background:#2f3437;");
    auto* layout = new QVBoxLayout(&page);
    layout->setContentsMargins(20, 20, 20, 20);
    QFont font;
    font.setPixelSize(16);
    const QSize buttonSize(scaled(528), scaled(50));
    auto* controlButton = UniversalButton::createTextButton("相机控制", font, buttonSize);
    auto* imageButton = UniversalButton::createTextButton("图像设置", font, buttonSize);
    auto* recordButton = UniversalButton::createTextButton("录像设置", font, buttonSize);
    layout->addWidget(controlButton);
    layout->addWidget(imageButton);
    layout->addWidget(recordButton);
    page.move(20, 120);

    const Qt::WindowFlags popup = Qt::Popup | Qt::FramelessWindowHint;
    // The camera control dialog exists from the page's construction, so it follows the camera's
    // mirror and flip reports from the start; the others are created on first use.
    auto* control = new CameraControlDialog(controller, &page);
    control->setWindowFlags(popup);
    control->hide();
    QObject::connect(control, &QDialog::finished, [] { say("closed control"); });
    CameraImageDialog* image = nullptr;
    CameraRecordDialog* record = nullptr;
    QObject::connect(controlButton, &QPushButton::clicked, [&] {
        control->move(scaled(590), scaled(300));
        control->show();
        reportLoaded(control, "control");
    });
    QObject::connect(imageButton, &QPushButton::clicked, [&] {
        if (!image) {
            image = new CameraImageDialog(controller, &page);
            image->setWindowFlags(popup);
            QObject::connect(image, &QDialog::finished, [] { say("closed image"); });
        }
        image->move(scaled(590), scaled(80));
        image->show();
        reportLoaded(image, "image", [&] {
            QSlider* slider = image->row(0)->slider();
            QStyleOptionSlider option;
            option.initFrom(slider);
            option.orientation = slider->orientation();
            option.minimum = slider->minimum();
            option.maximum = slider->maximum();
            option.sliderPosition = slider->sliderPosition();
            option.sliderValue = slider->value();
            const QRect handle =
                slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
            const QPoint centre = slider->mapToGlobal(handle.center());
            const QPoint end = slider->mapToGlobal(QPoint(slider->width() - 1, 0));
            say(QString("brightness %1 %2 %3").arg(centre.x()).arg(centre.y()).arg(end.x()));
        });
    });
    QObject::connect(recordButton, &QPushButton::clicked, [&] {
        if (!record) {
            record = new CameraRecordDialog(controller, &page);
            record->setWindowFlags(popup);
            QObject::connect(record, &QDialog::finished, [] { say("closed record"); });
        }
        record->move(scaled(590), scaled(280));
        record->show();
    });

    // The page comes up over the live window once the picture runs.
    QObject::connect(window.videoWidget(0), &VideoWidget::sigVideoReady, &page, [&] {
        QTimer::singleShot(500, &page, [&] {
            page.show();
            page.raise();
            QTimer::singleShot(300, &page, [&] {
                sayCentre("control", controlButton);
                sayCentre("image", imageButton);
                sayCentre("record", recordButton);
            });
        });
    });
    return app.exec();
}
