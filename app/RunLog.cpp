#include "RunLog.h"
#include "AppVersion.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QMutex g_mutex;  // guards the fields below
QString g_path;
qint64 g_maxBytes = 0;
qint64 g_written = 0;
bool g_started = false;
QByteArray g_pending;  // lines before start(), at most g_maxBytes / 2
// Written under g_mutex, read lock-free by the fatal-signal handler.
std::atomic<int> g_fd{-1};

const int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

void writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        data += n;
        size -= size_t(n);
    }
}

// Called with g_mutex held.
void openFile(bool truncate) {
    const int fd = ::open(QFile::encodeName(g_path).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | O_APPEND | (truncate ? O_TRUNC : 0), 0600);
    if (fd < 0) {
        std::fprintf(stderr, "corvix: cannot write the run log %s: %s\n", qPrintable(g_path),
                     std::strerror(errno));
    }
    g_written = 0;
    g_fd.store(fd);
}

// Called with g_mutex held: the full file becomes ".1" and a new one starts.
void rotate() {
    const int old = g_fd.exchange(-1);
    if (old >= 0) {
        ::close(old);
    }
    ::rename(QFile::encodeName(g_path).constData(), QFile::encodeName(g_path + ".1").constData());
    openFile(true);
    const QByteArray note = "(earlier lines are in " + QFile::encodeName(g_path) + ".1)\n";
    if (g_fd.load() >= 0) {
        writeAll(g_fd.load(), note.constData(), size_t(note.size()));
        g_written += note.size();
    }
}

// Called with g_mutex held.
void startFile() {
    if (g_started || g_path.isEmpty()) {
        return;
    }
    g_started = true;
    QFile::remove(g_path + ".1");
    openFile(true);
    const QByteArray pending = g_pending;
    g_pending.clear();
    if (g_fd.load() >= 0) {
        writeAll(g_fd.load(), pending.constData(), size_t(pending.size()));
        g_written += pending.size();
    }
}

void appendLine(const QByteArray& line, bool fatal = false) {
    QMutexLocker lock(&g_mutex);
    if (!g_started) {
        if (g_pending.size() + line.size() <= g_maxBytes / 2) {
            g_pending += line;
        }
        if (!fatal) {
            return;
        }
        startFile();  // a start that fails before it knows it runs still leaves its log
    }
    if (g_fd.load() < 0) {
        return;
    }
    if (g_written + line.size() > g_maxBytes / 2 && g_written > 0) {
        rotate();
        if (g_fd.load() < 0) {
            return;
        }
    }
    writeAll(g_fd.load(), line.constData(), size_t(line.size()));
    g_written += line.size();
}

const char* levelName(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray text = message.toLocal8Bit();
    const char* category = context.category ? context.category : "default";
    // The terminal gets what the filter let through, as Qt prints it (QT_MESSAGE_PATTERN too).
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
    const QByteArray line = QDateTime::currentDateTime().toString("HH:mm:ss.zzz").toLatin1() + ' ' +
                            levelName(type) + ' ' + category + ": " + text + '\n';
    appendLine(line, type == QtFatalMsg);
}

void onFatalSignal(int signalNumber) {
    // Async-signal-safe calls only (backtrace's library was loaded at install time).
    const int fd = g_fd.load();
    if (fd >= 0) {
        const char* name = strsignal(signalNumber);
        const char head[] = "Corvix stopped by a fatal signal: ";
        writeAll(fd, head, sizeof(head) - 1);
        writeAll(fd, name, std::strlen(name));
        writeAll(fd, "\n", 1);
        void* frames[64];
        const int count = backtrace(frames, 64);
        backtrace_symbols_fd(frames, count, fd);
    }
    // SA_RESETHAND restored the default action: end the process as the signal means to.
    ::raise(signalNumber);
}

void installFatalSignalHandlers() {
    void* warmUp[1];
    backtrace(warmUp, 1);  // loads libgcc now, not inside the signal handler
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int signalNumber : kFatalSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace

namespace RunLog {

QString stateFolder() {
    QString base = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    // Only an absolute XDG_STATE_HOME counts; otherwise the default under the home folder.
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + "/.local/state";
    }
    return base + "/corvix";
}

void install(bool verbose, const QStringList& arguments, qint64 maxBytes) {
    // Warnings only: the legacy plain qDebug lines are off, and the corvix.* categories are
    // declared at warning level. QT_LOGGING_RULES is applied after these and wins.
    QLoggingCategory::setFilterRules(verbose ? QStringLiteral("corvix.*.debug=true\ncorvix.*.info=true")
                                             : QStringLiteral("default.debug=false\ndefault.info=false"));
    {
        QMutexLocker lock(&g_mutex);
        g_maxBytes = qMax<qint64>(maxBytes, 4096);
        // A new run (tests install twice): the earlier file is closed, the new one opens at start().
        const int old = g_fd.exchange(-1);
        if (old >= 0) {
            ::close(old);
        }
        g_started = false;
        g_pending.clear();
        const QString folder = stateFolder();
        if (QDir().mkpath(folder)) {
            g_path = folder + "/last-run.log";
        } else {
            g_path.clear();
            std::fprintf(stderr, "corvix: cannot create the run log folder %s\n", qPrintable(folder));
        }
    }
    qInstallMessageHandler(messageHandler);
    installFatalSignalHandlers();
    appendLine(QStringLiteral("Corvix " CORVIX_APP_VERSION " started %1, pid %2, command line: %3\n")
                   .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                   .arg(::getpid())
                   .arg(arguments.join(' '))
                   .toLocal8Bit());
}

void start() {
    QMutexLocker lock(&g_mutex);
    startFile();
}

void finish(int exitCode) {
    appendLine(QStringLiteral("Corvix ended with exit code %1 at %2\n")
                   .arg(exitCode)
                   .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                   .toLocal8Bit());
    QMutexLocker lock(&g_mutex);
    const int fd = g_fd.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
}

QString filePath() {
    QMutexLocker lock(&g_mutex);
    return g_fd.load() >= 0 ? g_path : QString();
}

}  // namespace RunLog
