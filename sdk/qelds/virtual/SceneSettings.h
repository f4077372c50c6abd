// What a virtual camera's feature and property state makes visible in its pictures.
#ifndef QELDS_VIRTUAL_SCENE_SETTINGS_H
#define QELDS_VIRTUAL_SCENE_SETTINGS_H

namespace qelds {

struct SceneSettings {
    bool mirror = false;
    bool flip = false;
    bool privacy = false;
    bool pip = false;
    bool faceTracking = false;
    bool soundTracking = false;
    bool doaTest = false;
    int gesture = 0;
    int canvas = 0;  // 1 gallery, 2 grid, 3 round table
    int sub1Ai = 0;
    int mosaic = 0;
    int factoryTest = 0;
    int audioOn = 0;
    int audioOn1 = 0;
    int audioDirection = 0;
    int sensorType = 2;  // 1-6, see the sensor names

    // Picture adjustments, each -1..1 around the property's default (0 = unchanged).
    float brightness = 0;
    float contrast = 0;
    float hue = 0;
    float saturation = 0;
    float gamma = 0;
    float whiteBalance = 0;
    float backlight = 0;
    float gain = 0;
    float exposure = 0;
    float iris = 0;
    bool monochrome = false;
    float zoom = 0;  // 0..1 of the zoom range
    float pan = 0;
    float tilt = 0;
};

}  // namespace qelds

#endif
