#include "CompositorWatch.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include "X11CompositorProbe.h"

Q_LOGGING_CATEGORY(lcCompositorWatch, "corvix.compositor", QtWarningMsg)

CompositorWatch* CompositorWatch::instance() {
    static CompositorWatch* watch = nullptr;
    if (!watch) {
        watch = new CompositorWatch(QCoreApplication::instance());
        QObject::connect(watch, &QObject::destroyed, [] { watch = nullptr; });
    }
    return watch;
}

CompositorWatch::CompositorWatch(QObject* parent) : QObject(parent) {
    if (QGuiApplication::platformName() == QLatin1String("xcb") &&
        !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        m_probe = new X11CompositorProbe(QByteArray(), -1, this);
        connect(m_probe, &X11CompositorProbe::ownerChanged, this, &CompositorWatch::update);
    }
    m_compositing = detected();
    qCInfo(lcCompositorWatch) << "platform" << QGuiApplication::platformName()
                              << "compositing:" << m_compositing;
}

bool CompositorWatch::detected() const {
    // An X client of a Wayland session runs on XWayland, whose windows the session composites.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        return true;
    }
    if (m_probe) {
        return m_probe->isConnected() && m_probe->hasOwner();
    }
    // Wayland composites by design; offscreen and the rest have no screen to show black on.
    return true;
}

void CompositorWatch::setMode(Mode mode) {
    m_mode = mode;
    update();
}

void CompositorWatch::update() {
    bool compositing = detected();
    if (m_mode == ForceCompositing) {
        compositing = true;
    } else if (m_mode == ForceNoCompositing) {
        compositing = false;
    }
    if (compositing == m_compositing) {
        return;
    }
    m_compositing = compositing;
    qCInfo(lcCompositorWatch) << "compositing:" << compositing;
    emit compositingChanged(compositing);
}
