#include "CameraPropertyList.h"

QStringList cameraPropertyList() {
    return {QStringLiteral("Pu_Brightness"),
            QStringLiteral("Pu_Contrast"),
            QStringLiteral("Pu_Hue"),
            QStringLiteral("Pu_Saturation"),
            QStringLiteral("Pu_Sharpness"),
            QStringLiteral("Pu_Gamma"),
            QStringLiteral("Pu_ColorEnable"),
            QStringLiteral("Pu_WhiteBalance"),
            QStringLiteral("Pu_BacklightCompensation"),
            QStringLiteral("Pu_Gain"),
            QStringLiteral("Ct_Pan"),
            QStringLiteral("Ct_Tilt"),
            QStringLiteral("Ct_Roll"),
            QStringLiteral("Ct_Zoom"),
            QStringLiteral("Ct_Exposure"),
            QStringLiteral("Ct_Iris"),
            QStringLiteral("Ct_Focus")};
}
