#ifndef CORVIX_X11_COMPOSITOR_PROBE_H
#define CORVIX_X11_COMPOSITOR_PROBE_H

#include <QByteArray>
#include <QObject>

class QSocketNotifier;
class QTimer;
struct xcb_connection_t;

// Whether a compositing manager runs on one screen of an X display: by the window-manager
// convention a compositor owns the selection _NET_WM_CM_S<screen number> for as long as it runs.
// The probe has its own connection to the display, so it works whatever Qt's platform is; it
// follows the selection's owner through XFixes notifications, or by a poll every two seconds
// where the server lacks XFixes. GUI thread only.
class X11CompositorProbe : public QObject {
    Q_OBJECT

public:
    // display: as in $DISPLAY (empty: $DISPLAY itself); screen: the X screen, -1 for the
    // display's default screen.
    explicit X11CompositorProbe(const QByteArray& display = QByteArray(), int screen = -1,
                                QObject* parent = nullptr);
    ~X11CompositorProbe() override;

    // False when the display could not be opened; the probe then reports no owner.
    bool isConnected() const { return m_connection != nullptr; }
    bool hasOwner() const { return m_hasOwner; }
    int screen() const { return m_screen; }
    // Asks the server again at once (the notifications make this unnecessary in normal use).
    void recheck();

signals:
    void ownerChanged(bool hasOwner);

private:
    void onReadable();
    bool queryOwner();

    xcb_connection_t* m_connection = nullptr;  // owned; null when the display is unreachable
    quint32 m_selection = 0;                   // the _NET_WM_CM_S<n> atom
    quint32 m_root = 0;
    quint8 m_xfixesFirstEvent = 0;
    int m_screen = 0;
    bool m_hasOwner = false;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_poll = nullptr;  // only without XFixes
};

#endif
