#include "StartTasks.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThreadPool>
#include <QWaitCondition>

namespace {
QMutex g_taskMutex;
QWaitCondition g_taskDone;
int g_nTasks = 0;
}  // namespace

void StartTasks::run(std::function<void()> task) {
    {
        QMutexLocker lock(&g_taskMutex);
        ++g_nTasks;
    }
    QThreadPool::globalInstance()->start([task = std::move(task)] {
        task();
        QMutexLocker lock(&g_taskMutex);
        --g_nTasks;
        g_taskDone.wakeAll();
    });
}

void StartTasks::waitForAll() {
    QMutexLocker lock(&g_taskMutex);
    while (g_nTasks > 0) {
        g_taskDone.wait(&g_taskMutex);
    }
}
