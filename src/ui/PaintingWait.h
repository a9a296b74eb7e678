#pragma once

#include "search/SearchPorts.h"

namespace velkaro::ui {

// Runs a search's slow steps on a worker thread while the window keeps painting: the user-interface thread waits
// in an event loop that holds the operator's keys and clicks back until the step has ended.
class PaintingWait : public search::SlowSteps
{
public:
    void run(const std::function<void()> &step) override;
};

} // namespace velkaro::ui
