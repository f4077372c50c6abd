#include "TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QtDebug>
#include <cerrno>
#include <cstring>

namespace {

int g_signalFds[2] = {-1, -1};

void onTerminationSignal(int signalNumber) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Only async-signal-safe calls here; a full pipe means a quit is already pending.
    const int savedErrno = errno;
    (void)!::write(g_signalFds[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) != 0) {
        qWarning() << "TerminationSignals: socketpair failed:" << std::strerror(errno);
        return;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(signalNumber, &action, nullptr) != 0) {
            qWarning() << "TerminationSignals: sigaction failed for" << signalNumber << std::strerror(errno);
        }
    }
    m_notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onSignalPipeReadable);
}

TerminationSignals::~TerminationSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = SIG_DFL;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signalNumber, &action, nullptr);
    }
    delete m_notifier;
    for (int& fd : g_signalFds) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void TerminationSignals::onSignalPipeReadable() {
    unsigned char byte = 0;
    while (::read(g_signalFds[1], &byte, 1) == 1) {
        qDebug() << "TerminationSignals: signal" << byte << "received, quitting";
    }
    QCoreApplication::quit();
}
