#include "X11CompositorProbe.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcCompositorProbe, "corvix.compositor", QtWarningMsg)

namespace {
constexpr int kPollMs = 2000;

xcb_screen_t* screenOf(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == number) {
            return it.data;
        }
    }
    return nullptr;
}
}  // namespace

X11CompositorProbe::X11CompositorProbe(const QByteArray& display, int screen, QObject* parent)
    : QObject(parent) {
    int defaultScreen = 0;
    xcb_connection_t* connection =
        xcb_connect(display.isEmpty() ? nullptr : display.constData(), &defaultScreen);
    if (xcb_connection_has_error(connection)) {
        qCWarning(lcCompositorProbe) << "cannot open the X display" << display << "to look for a compositor";
        xcb_disconnect(connection);
        return;
    }
    m_screen = screen >= 0 ? screen : defaultScreen;
    const xcb_screen_t* root = screenOf(connection, m_screen);
    if (!root) {
        qCWarning(lcCompositorProbe) << "the X display has no screen" << m_screen;
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_root = root->root;

    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(m_screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, name.size(), name.constData()), nullptr);
    if (atom) {
        m_selection = atom->atom;
        std::free(atom);
    }

    // XFixes tells us whenever the selection changes hands, also when its owner dies.
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    xcb_xfixes_query_version_reply_t* version = nullptr;
    if (xfixes && xfixes->present) {
        version = xcb_xfixes_query_version_reply(m_connection, xcb_xfixes_query_version(m_connection, 5, 0),
                                                 nullptr);
    }
    if (version && m_selection != XCB_NONE) {
        m_xfixesFirstEvent = xfixes->first_event;
        xcb_xfixes_select_selection_input(m_connection, m_root, m_selection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(m_connection);
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11CompositorProbe::onReadable);
    } else {
        qCInfo(lcCompositorProbe) << "no XFixes on the X server: polling the compositor selection";
        m_poll = new QTimer(this);
        connect(m_poll, &QTimer::timeout, this, &X11CompositorProbe::recheck);
        m_poll->start(kPollMs);
    }
    std::free(version);
    m_hasOwner = queryOwner();
    if (m_notifier) {
        onReadable();  // events read while the owner was asked
    }
    qCInfo(lcCompositorProbe) << "screen" << m_screen << "compositor:" << m_hasOwner;
}

X11CompositorProbe::~X11CompositorProbe() {
    delete m_notifier;
    if (m_connection) {
        xcb_disconnect(m_connection);
    }
}

bool X11CompositorProbe::queryOwner() {
    if (!m_connection || m_selection == XCB_NONE) {
        return false;
    }
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

void X11CompositorProbe::recheck() {
    if (!m_connection) {
        return;
    }
    if (xcb_connection_has_error(m_connection)) {
        // The server went away; nothing more will be learnt from it.
        qCWarning(lcCompositorProbe) << "the X connection of the compositor probe broke";
        if (m_notifier) {
            m_notifier->setEnabled(false);
            m_notifier->deleteLater();  // may be the sender of the running slot
            m_notifier = nullptr;
        }
        if (m_poll) {
            m_poll->stop();
        }
        return;
    }
    const bool owned = queryOwner();
    if (owned != m_hasOwner) {
        m_hasOwner = owned;
        qCInfo(lcCompositorProbe) << "screen" << m_screen << "compositor:" << owned;
        emit ownerChanged(owned);
    }
}

void X11CompositorProbe::onReadable() {
    if (!m_connection) {
        return;
    }
    // Ask rather than trust the events' owner field; and drain again after asking, because xcb
    // may have read further events while waiting for the answer.
    for (;;) {
        bool selectionEvent = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == m_xfixesFirstEvent + XCB_XFIXES_SELECTION_NOTIFY) {
                selectionEvent = true;
            }
            std::free(event);
        }
        if (!selectionEvent && !xcb_connection_has_error(m_connection)) {
            return;
        }
        recheck();
        if (!m_notifier) {
            return;  // the connection broke
        }
    }
}
