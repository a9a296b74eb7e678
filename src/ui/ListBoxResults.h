#pragma once

#include "search/SearchPorts.h"

class QListWidget;

namespace velkaro::ui {

// The search's result list over a list box: lines in the order they come, a batch at a time.
class ListBoxResults : public search::ResultList
{
public:
    explicit ListBoxResults(QListWidget &listBox);

    void clear() override;
    void append(const QStringList &lines) override;

private:
    QListWidget &m_listBox;
};

} // namespace velkaro::ui
