#ifndef CORVIX_COMPOSITOR_WATCH_H
#define CORVIX_COMPOSITOR_WATCH_H

#include <QObject>

class X11CompositorProbe;

// Whether the windows of this process are composited, followed while the program runs.
// X11: a compositing manager owns _NET_WM_CM_S<screen> of the X screen Qt uses (a compositor may
// start or stop at any time). Wayland: always. Other platforms (offscreen for tests, minimal):
// taken as composited unless a test forces a mode. An X display that cannot be asked counts as not
// composited: a shape mask costs only rounded corners, a missing one hides the live picture.
// One per process, GUI thread only.
class CompositorWatch : public QObject {
    Q_OBJECT

public:
    enum Mode { Detect, ForceCompositing, ForceNoCompositing };
    Q_ENUM(Mode)

    static CompositorWatch* instance();

    bool isCompositing() const { return m_compositing; }
    // Tests: pretend a compositor is there or not (Detect goes back to the platform's answer).
    void setMode(Mode mode);
    Mode mode() const { return m_mode; }

signals:
    void compositingChanged(bool compositing);

private:
    explicit CompositorWatch(QObject* parent);
    bool detected() const;
    void update();

    Mode m_mode = Detect;
    bool m_compositing = true;
    X11CompositorProbe* m_probe = nullptr;  // only on X11
};

#endif
