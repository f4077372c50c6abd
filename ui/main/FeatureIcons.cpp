#include "FeatureIcons.h"

#include <QHash>

namespace {
const QHash<int, QString>& iconTable() {
    static const QHash<int, QString> table = {
        {1, ":/icons/gesture_ptz_control.svg"},
        {2, ":/icons/facetrackingG.svg"},
        {3, ":/icons/soungtrackingG.svg"},
        {4, ":/icons/handtracking.svg"},
        {5, ":/icons/standtracking.svg"},
        {6, ":/icons/whiteboardTracking.svg"},
        {7, ":/icons/whiteboardTrackingG.svg"},
        {9, ":/icons/standtrackingG.svg"},
        {10, ":/icons/whiteboardTrackingG.svg"},
        {12, ":/icons/background.svg"},
        {13, ":/icons/beautify.svg"},
        {14, ":/icons/cameraControl.svg"},
        {15, ":/icons/whiteboardDetect.svg"},
        {16, ":/icons/blackboardDetect.svg"},
        {17, ":/icons/greenboardDetect.svg"},
        {20, ":/icons/facetracking.svg"},
        {30, ":/icons/soungtracking.svg"},
        {101, ":/icons/gallery.svg"},
        {102, ":/icons/grid.svg"},
        {103, ":/icons/roundtable.svg"},
        {201, ":/icons/mosaic.svg"},
        {301, QString()},
        {302, QString()},
    };
    return table;
}
}  // namespace

bool FeatureIcons::hasIcon(int code) {
    return iconTable().contains(code);
}

QString FeatureIcons::path(int code) {
    return iconTable().value(code);
}
