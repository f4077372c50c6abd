#ifndef CORVIX_START_TASKS_H
#define CORVIX_START_TASKS_H

#include <functional>

// The camera start tasks of the video widgets, run on the global thread pool and counted while
// they run, so that the presenter they use is not deleted under them.
class StartTasks {
public:
    // Counts the task, then queues it on the global thread pool.
    static void run(std::function<void()> task);
    // Blocks until every task handed to run() has finished.
    static void waitForAll();
};

#endif
