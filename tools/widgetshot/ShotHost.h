#ifndef CORVIX_SHOT_HOST_H
#define CORVIX_SHOT_HOST_H

#include <QImage>
#include <QString>

#include "ShotRegistry.h"

// The dark background every screen of the application sits on.
extern const char* const kShotBackground;

// Builds the entry's widget in a host window, lets it settle and grabs it.
QImage takeShot(const ShotRegistry::Entry& entry, int margin = 16);

#endif
