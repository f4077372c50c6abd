#include "CameraControl.h"

#include <QSemaphore>

#include "CCameraPresenter.h"

CameraControl::CameraControl(ICameraView* mainView) {
    m_thread.setObjectName(QStringLiteral("camera-control"));
    m_presenter = new CCameraPresenter(mainView);
    m_presenter->SetTaskQueue([this](std::function<void()> task) { call(std::move(task)); });
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

CameraControl::~CameraControl() {
    CCameraPresenter* presenter = m_presenter;
    call([presenter] {
        presenter->StopPreview();
        presenter->Uninit();
    });
    waitIdle();
    // No library thread calls back once Uninit has joined them; queued hot-plug reactions after
    // this point find no presenter.
    m_thread.quit();
    m_thread.wait();
    m_presenter = nullptr;
    delete presenter;
    delete m_context;
}

void CameraControl::call(std::function<void()> task) {
    if (onControlThread()) {
        task();
        return;
    }
    post(std::move(task));
}

void CameraControl::post(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::QueuedConnection);
}

void CameraControl::waitIdle() {
    if (onControlThread() || !m_thread.isRunning()) {
        return;
    }
    QSemaphore done;
    QMetaObject::invokeMethod(
        m_context, [&done] { done.release(); }, Qt::QueuedConnection);
    done.acquire();
}
