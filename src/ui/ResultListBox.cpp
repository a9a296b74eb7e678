#include "ui/ResultListBox.h"

namespace velkaro::ui {

namespace {

constexpr int kLinesPlacedAtOnce = 50000;

} // namespace

ResultListBox::ResultListBox(QWidget *parent)
    : QListView(parent)
{
    setModel(&m_lines);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every line is one line of text in one font: the view sizes one line for all.
    setUniformItemSizes(true);
    // The view still walks every line to place it; hundreds of thousands are placed a batch at a time
    // between events, so that the window keeps painting.
    setLayoutMode(QListView::Batched);
    setBatchSize(kLinesPlacedAtOnce);
}

int ResultListBox::ListCount() const
{
    return m_lines.rowCount();
}

QString ResultListBox::List(int index) const
{
    return m_lines.line(index);
}

void ResultListBox::Clear()
{
    m_lines.clear();
}

void ResultListBox::AddItem(const QString &item)
{
    m_lines.appendLines({item});
}

void ResultListBox::clear()
{
    Clear();
}

void ResultListBox::append(const QStringList &lines)
{
    m_lines.appendLines(lines);
}

void ResultListBox::releaseTables(search::SlowSteps &slowSteps)
{
    m_lines.detachFromTables(slowSteps);
}

void ResultListBox::appendRecords(std::shared_ptr<const search::ResultRecords> records)
{
    m_lines.appendRecords(std::move(records));
}

} // namespace velkaro::ui
