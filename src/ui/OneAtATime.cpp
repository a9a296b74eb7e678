#include "ui/OneAtATime.h"

#include <QMetaObject>
#include <QObject>
#include <QScopedValueRollback>

namespace velkaro::ui {

OneAtATime::OneAtATime(QObject &context)
    : m_context(context)
{ }

void OneAtATime::run(std::function<void()> action) noexcept
{
    try {
        if (m_running) {
            m_waiting.push_back(std::move(action));
            return;
        }
        const QScopedValueRollback running(m_running, true);
        action();
    } catch (...) {
        // Memory running out is the only failure left here; the window stays usable.
    }
    scheduleNext();
}

// From the event queue, so that a waiting action never runs inside the one that kept it waiting.
void OneAtATime::scheduleNext() noexcept
{
    if (m_waiting.empty())
        return;
    try {
        QMetaObject::invokeMethod(
            &m_context, [this] { runNext(); }, Qt::QueuedConnection);
    } catch (...) {
        m_waiting.clear();
    }
}

void OneAtATime::runNext() noexcept
{
    if (m_running || m_waiting.empty())
        return;
    std::function<void()> next = std::move(m_waiting.front());
    m_waiting.pop_front();
    run(std::move(next));
}

} // namespace velkaro::ui
