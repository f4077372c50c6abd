#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

#include "MainWindow.h"
#include "TerminationSignals.h"
#include "UiScale.h"

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton, true);
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication::setAttribute(Qt::AA_SynthesizeTouchForUnhandledMouseEvents, true);
    QApplication::setAttribute(Qt::AA_SynthesizeMouseForUnhandledTouchEvents, true);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion("1.0.1(20260320)");
    QApplication::setWindowIcon(QIcon(":/icons/corvix_logo.png"));

    uiScale();  // fixed now, from the primary screen at start-up
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    TerminationSignals terminationSignals;  // kill/Ctrl-C end the event loop like the exit button
    MainWindow window;
    window.show();
    return QApplication::exec();
}
