// The camera's adjustable image properties. A property's id is its position in the list and is
// the id the camera library takes; ids below kFirstCameraControlProperty are image settings, the
// others camera controls.
#ifndef CORVIX_CAMERA_PROPERTY_LIST_H
#define CORVIX_CAMERA_PROPERTY_LIST_H

#include <QStringList>

constexpr int kCameraPropertyCount = 17;
constexpr int kFirstCameraControlProperty = 12;

// "Pu_Brightness" ... "Ct_Focus", in id order.
QStringList cameraPropertyList();

#endif
