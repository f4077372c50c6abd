#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QStyleFactory>
#include <cstdio>

#include "AppVersion.h"
#include "CommandLine.h"
#include "LastCamera.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "RunLog.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "UiScale.h"
#include "qelvirtual.h"

Q_LOGGING_CATEGORY(lcApp, "corvix.app", QtWarningMsg)

namespace {

// The reason QEL_VIRTUAL_CAMERAS (or --virtual-camera) cannot give the cameras asked for; empty
// when it can.
QString virtualCameraProblem() {
    char reason[512] = {0};
    if (qelvirtual_check_environment(reason, sizeof(reason)) == 1) {
        return QString();
    }
    return QString::fromLocal8Bit(reason);
}

void bringToFront(MainWindow& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
    if (window.overlay()) {
        window.overlay()->raise();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    CommandLine commandLine;
    switch (commandLine.parse(arguments)) {
        case CommandLine::PrintExit:
            std::fputs(commandLine.output().toLocal8Bit().constData(), stdout);
            return 0;
        case CommandLine::ErrorExit:
            std::fputs(commandLine.error().toLocal8Bit().constData(), stderr);
            return 2;
        case CommandLine::Run:
            break;
    }
    RunLog::install(commandLine.verbose(), arguments);
    if (!commandLine.virtualCameras().isEmpty()) {
        qputenv("QEL_VIRTUAL_CAMERAS", commandLine.virtualCameras().toLocal8Bit());
    }

    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton, true);
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication::setAttribute(Qt::AA_SynthesizeTouchForUnhandledMouseEvents, true);
    QApplication::setAttribute(Qt::AA_SynthesizeMouseForUnhandledTouchEvents, true);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVIX_APP_VERSION));
    QApplication::setWindowIcon(QIcon(":/icons/corvix_logo.png"));
    // The desktop entry's name, so that docks match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVIX_DESKTOP_ID));

    // One Corvix per user and display: a second start shows the running window and ends.
    SingleInstance instance(SingleInstance::keyForEnvironment());
    if (!instance.claim()) {
        std::fputs("corvix: already running on this display; its window was brought to the front\n", stdout);
        RunLog::finish(0);
        return 0;
    }

    RunLog::start();

    uiScale();  // fixed now, from the primary screen at start-up
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    MainWindowOptions options;
    options.windowed = commandLine.windowed();
    options.cameraName = commandLine.camera();
    options.lastCamera = LastCamera::rememberedName();
    options.cameraOpened = &LastCamera::remember;
    options.saveFolder = commandLine.saveFolder();
    options.startError = virtualCameraProblem();
    if (!options.startError.isEmpty()) {
        qCWarning(lcApp).noquote() << options.startError;
    }

    TerminationSignals terminationSignals;  // kill/Ctrl-C end the event loop like the exit button
    MainWindow window(options);
    window.show();
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     [&window] { bringToFront(window); });
    const int code = QApplication::exec();
    RunLog::finish(code);
    return code;
}
