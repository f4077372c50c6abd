#ifndef CORVIX_UI_SCALE_H
#define CORVIX_UI_SCALE_H

#include <QRect>

// The UI scale factor: design sizes are for a 1920x1080 screen and are multiplied by it.
// Fixed from the primary screen's available geometry the first time it is asked for.
double uiScale();

// The factor for a screen's available geometry: min(w / 1920, h / 1080) clamped to 0.75..2.0;
// an invalid rectangle (no screen) gives 1.0.
double uiScaleForGeometry(const QRect& availableGeometry);

// A design size n scaled: qRound(n * uiScale()).
int scaled(int n);
// The same with an explicit factor.
int scaledBy(int n, double factor);

// Renders at a chosen factor instead of the screen's (offscreen tools and tests, whose platform
// screen is not a real one). Call it before the first widget is built; a factor <= 0 returns to
// the screen's factor. The application itself never calls it.
void overrideUiScale(double factor);

#endif
