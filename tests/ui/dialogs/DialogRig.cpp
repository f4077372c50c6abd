#include "DialogRig.h"

#include <QtTest>

#include "CameraController.h"
#include "DialogWiring.h"
#include "VideoWidget.h"
#include "qelds.h"

DialogRig::DialogRig() {
    m_controller = new CameraController(&m_window);
    m_video = new VideoWidget(0, &m_window);
    wireReports(m_video, m_controller);
    wireRequests(m_video, m_controller);
    wireRecordPaths(m_video, m_controller);
    m_window.resize(640, 360);
    m_window.show();
}

DialogRig::~DialogRig() {
    m_video->stopPreview();
}

bool DialogRig::start() {
    m_video->startPreviewAsync();
    const bool ready = QTest::qWaitFor(
        [this] {
            return m_video->isReady() && m_controller->controlPropertyList().size() > 0 &&
                   !m_controller->audioList().isEmpty();
        },
        20000);
    return ready;
}

bool DialogRig::cameraProperty(int id, int* value, bool* autoMode) {
    int v = 0;
    int a = 0;
    if (qelcamera_pu_ct_get(0, id, &v, &a) == 0) {
        return false;
    }
    *value = v;
    *autoMode = a != 0;
    return true;
}
