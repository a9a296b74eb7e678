#pragma once

#include "search/SearchPorts.h"
#include "ui/ResultLinesModel.h"

#include <QListView>

namespace velkaro::ui {

// The result list box: one column of plain text lines in insertion order, one selectable at a time. A search's
// records go in as they are, and only the lines shown, asked for or read by a screen reader are ever made.
class ResultListBox : public QListView, public search::ResultList
{
    Q_OBJECT

public:
    explicit ResultListBox(QWidget *parent = nullptr);

    int ListCount() const;
    // The line at `index` (from 0); empty outside the list.
    QString List(int index) const;
    void Clear();
    void AddItem(const QString &item);

    void clear() override;
    void append(const QStringList &lines) override;
    void appendRecords(std::shared_ptr<const search::ResultRecords> records) override;
    // Keeps earlier records without the table they were found in, so that the table can go before another is
    // read; the copying is a slow step.
    void releaseTables(search::SlowSteps &slowSteps);

private:
    ResultLinesModel m_lines;
};

} // namespace velkaro::ui
