#ifndef CORVIX_ON_SCREEN_KEYBOARD_H
#define CORVIX_ON_SCREEN_KEYBOARD_H

#include <QObject>

class QProcess;

// The desktop's on-screen keyboard for touch screens without a physical keyboard. Only a
// keyboard this object started is ever stopped; where none is installed nothing happens.
class OnScreenKeyboard : public QObject {
    Q_OBJECT

public:
    explicit OnScreenKeyboard(QObject* parent = nullptr);
    ~OnScreenKeyboard() override;

    // The program to start ("onboard" by default); empty disables the keyboard.
    void setProgram(const QString& program) { m_program = program; }
    bool start();
    void stop();
    bool isRunning() const;

private:
    QString m_program = QStringLiteral("onboard");
    QProcess* m_process = nullptr;
};

#endif
