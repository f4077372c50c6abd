#include "UiScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGlobal>

#include <atomic>

namespace {
std::atomic<double> g_override{0.0};
}

double uiScaleForGeometry(const QRect& availableGeometry) {
    if (!availableGeometry.isValid()) {
        return 1.0;
    }
    // QRect::width()/height() count pixels inclusively (right - left + 1).
    const double factor = qMin(availableGeometry.width() / 1920.0, availableGeometry.height() / 1080.0);
    return qBound(0.75, factor, 2.0);
}

double uiScale() {
    const double forced = g_override.load(std::memory_order_relaxed);
    if (forced > 0.0) {
        return forced;
    }
    static const double factor = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? uiScaleForGeometry(screen->availableGeometry()) : 1.0;
    }();
    return factor;
}

int scaledBy(int n, double factor) {
    return qRound(n * factor);
}

int scaled(int n) {
    return scaledBy(n, uiScale());
}

void overrideUiScale(double factor) {
    g_override.store(factor > 0.0 ? factor : 0.0, std::memory_order_relaxed);
}
