#ifndef CORVIX_TERMINATION_SIGNALS_H
#define CORVIX_TERMINATION_SIGNALS_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a clean quit of the event loop, so the main window and
// the camera core are destroyed in order (preview stopped, recording finished) on `kill`.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the signal handlers could not be installed (the reason is logged).
    bool isInstalled() const { return m_notifier != nullptr; }

private:
    void onSignalPipeReadable();

    QSocketNotifier* m_notifier = nullptr;
};

#endif
