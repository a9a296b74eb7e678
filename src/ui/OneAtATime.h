#pragma once

#include <deque>
#include <functional>

class QObject;

namespace velkaro::ui {

// Lets one of a window's actions (a search, letting tables go before a read ahead, clearing the list) run at a
// time. The window holds the operator's keys and clicks back while a search waits for its worker; an action asked
// for another way meanwhile (a screen reader's press, which Qt carries out on a timer; a queued call) waits here
// and runs after the one under way, in order, as a held key does.
class OneAtATime
{
public:
    // Waiting actions run from the event queue of `context`, which owns this and drops them with it.
    explicit OneAtATime(QObject &context);

    // Runs `action` now, or after the action under way. A failure that escapes it ends it and nothing else.
    void run(std::function<void()> action) noexcept;

private:
    void runNext() noexcept;
    void scheduleNext() noexcept;

    QObject &m_context;
    bool m_running = false;
    std::deque<std::function<void()>> m_waiting;
};

} // namespace velkaro::ui
