#ifndef CORVIX_CAMERA_CONTROL_H
#define CORVIX_CAMERA_CONTROL_H

#include <QObject>
#include <QThread>
#include <functional>

class CCameraPresenter;
class ICameraView;

// The camera-control thread: the one owner of the presenter and the model below it.
//
// Threading rule: every presenter/model operation (the screens' requests, starting and stopping,
// the hot-plug reaction) runs on this thread, in the order it was asked for. Other threads only
// call(): the GUI thread queues and returns at once, it never waits on camera work or a camera
// lock. Reports come back through the views' Qt signals (queued to the GUI). The capture threads
// of the camera library touch only per-stream state under that stream's lock, and the recording
// key under the model's small recording lock. Only the destructor waits for this thread.
class CameraControl : public QObject {
    Q_OBJECT

public:
    // Creates the presenter (reporting to mainView) and starts the thread.
    explicit CameraControl(ICameraView* mainView);
    // Runs what is queued, stops and uninitialises the camera on the thread, then joins it.
    ~CameraControl() override;

    // Null once shut down. Its methods may only be called on the control thread.
    CCameraPresenter* presenter() const { return m_presenter; }

    // Runs task on the control thread: at once when already there, otherwise queued behind
    // whatever was asked for before. Safe from any thread.
    void call(std::function<void()> task);
    // Queues task behind what was asked for before, also when called on the control thread.
    void post(std::function<void()> task);
    // Blocks until every task queued before this call has run (shutdown and tests only).
    void waitIdle();
    bool onControlThread() const { return QThread::currentThread() == &m_thread; }

private:
    QThread m_thread;
    QObject* m_context = nullptr;             // lives on m_thread; queued tasks are delivered to it
    CCameraPresenter* m_presenter = nullptr;  // control thread only (set before the thread starts)
};

#endif
