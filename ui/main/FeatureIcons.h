#ifndef CORVIX_FEATURE_ICONS_H
#define CORVIX_FEATURE_ICONS_H

#include <QString>

// The icon the overlay shows for the active camera feature. Codes: 1-17 gestures, 20 face
// tracking, 30 sound tracking, 101-103 canvas modes, 201 mosaic, 301-302 sub1 AI modes.
class FeatureIcons {
public:
    // Whether the code shows the feature button at all.
    static bool hasIcon(int code);
    // The resource for the code; empty for codes shown without an image and for unknown codes.
    static QString path(int code);
};

#endif
