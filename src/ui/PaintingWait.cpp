#include "ui/PaintingWait.h"

#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>

namespace velkaro::ui {

void PaintingWait::run(const std::function<void()> &step)
{
    std::exception_ptr failure;
    const std::unique_ptr<QThread> worker(QThread::create([&step, &failure] {
        try {
            step();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    // A thread the system refused is neither running nor finished, and would never end the loop: the step then
    // runs in place, the window not painting meanwhile.
    if (!worker->isRunning() && !worker->isFinished()) {
        step();
        return;
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop also ends when the program is asked to quit; the step still runs to its end.
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace velkaro::ui
