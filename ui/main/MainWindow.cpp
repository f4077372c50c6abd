#include "MainWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    central->setStyleSheet("background-color: black;");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);
    // Without a window manager (a bare X server) the full-screen state alone does not resize the
    // window, so take the screen's geometry first.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->geometry());
    }
    showFullScreen();
}

MainWindow::~MainWindow() = default;
