#include "UiScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGlobal>

double uiScaleForGeometry(const QRect& availableGeometry) {
    if (!availableGeometry.isValid()) {
        return 1.0;
    }
    // QRect::width()/height() count pixels inclusively (right - left + 1).
    const double factor = qMin(availableGeometry.width() / 1920.0, availableGeometry.height() / 1080.0);
    return qBound(0.75, factor, 2.0);
}

double uiScale() {
    static const double factor = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? uiScaleForGeometry(screen->availableGeometry()) : 1.0;
    }();
    return factor;
}

int scaledBy(int n, double factor) { return qRound(n * factor); }

int scaled(int n) { return scaledBy(n, uiScale()); }
