#include "OnScreenKeyboard.h"

#include <QDebug>
#include <QProcess>
#include <QStandardPaths>

OnScreenKeyboard::OnScreenKeyboard(QObject* parent) : QObject(parent) {}

OnScreenKeyboard::~OnScreenKeyboard() {
    stop();
}

bool OnScreenKeyboard::start() {
    if (isRunning() || m_program.isEmpty()) {
        return isRunning();
    }
    const QString exe = QStandardPaths::findExecutable(m_program);
    if (exe.isEmpty()) {
        qDebug() << "OnScreenKeyboard: not installed:" << m_program;
        return false;
    }
    if (!m_process) {
        m_process = new QProcess(this);
        m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    }
    m_process->start(exe, QStringList());
    if (!m_process->waitForStarted(2000)) {
        qWarning() << "OnScreenKeyboard: cannot start" << exe << m_process->errorString();
        return false;
    }
    return true;
}

void OnScreenKeyboard::stop() {
    if (!isRunning()) {
        return;
    }
    // Ends exactly the process started above, by its own handle.
    m_process->terminate();
    if (!m_process->waitForFinished(1000)) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

bool OnScreenKeyboard::isRunning() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}
