#ifndef CORVIX_RUN_LOG_H
#define CORVIX_RUN_LOG_H

#include <QString>
#include <QtGlobal>

// The process's log lines: the logging filter (warnings only unless --verbose or QT_LOGGING_RULES
// asks for the corvix.* diagnostics), stderr, and a copy in the last-run log
// ($XDG_STATE_HOME/corvix/last-run.log, ~/.local/state/corvix/ by default) that a crash or a
// failed start leaves behind for a bug report. The file is rewritten at each start and never
// grows past `maxBytes`: when full it moves to last-run.log.1 and starts again (two files at most).
// A fatal signal (SIGSEGV, SIGABRT, ...) adds its name and a backtrace before the process ends.
//
// Threads: log lines come from any thread; the file and its size are guarded by one mutex
// (RunLog.cpp). The fatal-signal handler only reads the file descriptor (an atomic) and writes.
namespace RunLog {

// The folder of the last-run log.
QString stateFolder();

// Sets the filter rules and installs the handler, first thing in main(). Lines are held in
// memory until start(), so that a second instance (which ends at once) never touches the running
// one's log; a fatal message before start() (no display, say) opens the file itself.
void install(bool verbose, const QStringList& arguments, qint64 maxBytes = 512 * 1024);

// This process is the one that runs: the log file is started afresh with the lines held so far
// (a failure to open it is warned about on stderr and the run continues without a file).
void start();

// Notes the exit code and closes the file; the handler keeps writing to stderr only.
void finish(int exitCode);

// The path of the current log file (empty when none could be opened).
QString filePath();

}  // namespace RunLog

#endif
