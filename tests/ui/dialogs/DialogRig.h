// A live camera for the dialog tests: the main video widget on the virtual camera and the
// mediator, connected as the main window connects them.
#ifndef CORVIX_TESTS_DIALOG_RIG_H
#define CORVIX_TESTS_DIALOG_RIG_H

#include <QWidget>

class CameraController;
class VideoWidget;

class DialogRig {
public:
    DialogRig();
    ~DialogRig();
    // Starts the camera; true once the picture runs and the property and microphone lists arrived.
    bool start();

    CameraController* controller() const { return m_controller; }
    VideoWidget* video() const { return m_video; }

    // The camera's own state of a property (through the camera library, camera 0).
    static bool cameraProperty(int id, int* value, bool* autoMode);

private:
    QWidget m_window;
    CameraController* m_controller = nullptr;
    VideoWidget* m_video = nullptr;
};

#endif
