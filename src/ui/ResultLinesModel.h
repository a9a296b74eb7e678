#pragma once

#include "search/ResultRecords.h"
#include "search/SearchPorts.h"

#include <QAbstractListModel>
#include <QStringList>

#include <memory>
#include <vector>

namespace velkaro::ui {

// The lines of the result list in the order they were added: plain texts, and the records of searches, whose
// lines are made only when a view, a caller or a screen reader asks for them.
class ResultLinesModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QString line(int row) const;
    void clear();
    void appendLines(const QStringList &lines);
    void appendRecords(std::shared_ptr<const search::ResultRecords> records);
    // Copies the records' own values out of the tables they were found in, as a slow step, and lets the
    // tables go.
    void detachFromTables(search::SlowSteps &slowSteps);

private:
    // A run of lines: plain texts or one search's records.
    struct Segment
    {
        qsizetype first = 0;
        QStringList lines;
        std::shared_ptr<const search::ResultRecords> records;
        qsizetype size() const { return records ? records->lineCount() : lines.size(); }
    };

    qsizetype m_count = 0;
    std::vector<Segment> m_segments;
};

} // namespace velkaro::ui
