#include "MainWindow.h"

#include <QVBoxLayout>
#include <QWidget>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    central->setStyleSheet("background-color: black;");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);
    showFullScreen();
}

MainWindow::~MainWindow() = default;
