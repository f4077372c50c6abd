#ifndef CORVIX_MAIN_WINDOW_H
#define CORVIX_MAIN_WINDOW_H

#include <QMainWindow>

// The full-screen main window: the live picture fills it and the controls float over it.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;
};

#endif
