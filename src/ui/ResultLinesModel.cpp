#include "ui/ResultLinesModel.h"

#include <algorithm>

namespace velkaro::ui {

int ResultLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_count);
}

QVariant ResultLinesModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_count)
        return {};
    return line(index.row());
}

Qt::ItemFlags ResultLinesModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QString ResultLinesModel::line(int row) const
{
    if (row < 0 || row >= m_count)
        return {};
    const auto segment = std::prev(std::upper_bound(m_segments.begin(), m_segments.end(), qsizetype(row),
        [](qsizetype wanted, const Segment &each) { return wanted < each.first; }));
    const qsizetype at = row - segment->first;
    return segment->records ? segment->records->line(at) : segment->lines[at];
}

void ResultLinesModel::clear()
{
    if (m_count == 0)
        return;
    beginResetModel();
    m_segments.clear();
    m_count = 0;
    endResetModel();
}

void ResultLinesModel::appendLines(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    beginInsertRows({}, int(m_count), int(m_count + lines.size() - 1));
    if (m_segments.empty() || m_segments.back().records)
        m_segments.push_back({m_count, {}, nullptr});
    m_segments.back().lines += lines;
    m_count += lines.size();
    endInsertRows();
}

void ResultLinesModel::detachFromTables(search::SlowSteps &slowSteps)
{
    if (std::none_of(m_segments.begin(), m_segments.end(), [](const Segment &each) { return bool(each.records); }))
        return;
    // The copies are made aside while the view may still paint from the records, then swapped in.
    std::vector<std::shared_ptr<const search::ResultRecords>> copies(m_segments.size());
    slowSteps.run([this, &copies] {
        for (std::size_t i = 0; i < m_segments.size(); ++i) {
            if (m_segments[i].records)
                copies[i] = m_segments[i].records->detached();
        }
    });
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        if (m_segments[i].records)
            std::swap(m_segments[i].records, copies[i]);
    }
    // The records may hold the last reference to a large table; freeing it takes a while too.
    slowSteps.run([&copies] { copies.clear(); });
}

void ResultLinesModel::appendRecords(std::shared_ptr<const search::ResultRecords> records)
{
    const qsizetype added = records->lineCount();
    if (added == 0)
        return;
    beginInsertRows({}, int(m_count), int(m_count + added - 1));
    m_segments.push_back({m_count, {}, std::move(records)});
    m_count += added;
    endInsertRows();
}

} // namespace velkaro::ui
