#pragma once

#include "database/readtable/ReaderOptions.h"
#include "database/table/Table.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace velkaro::database {

// Where a table's rows are in its file: each row's place (see ReaderProtocol.h), by its position in table order.
class RowPlaces
{
public:
    // The rows from `firstRow` on have their home on `page`, until the next page begins.
    void pageBegins(std::uint32_t page, std::uint32_t firstRow);
    // Appends the pages of `next`, whose rows follow the first `rowsBefore` of these.
    void append(const RowPlaces &next, std::uint32_t rowsBefore);
    // The place of row `row`, which lies on a page that began.
    std::uint32_t of(std::uint32_t row) const;

private:
    std::vector<std::uint32_t> m_pages;
    std::vector<std::uint32_t> m_firstRows;
};

struct ChosenColumns
{
    std::shared_ptr<const Table> table;
    RowPlaces places;
};

// The columns named `columns` of every row of the table `tableName`, and the places of the rows: a table as
// readWholeTable reads it, with only those columns. A file of `options.chosenColumnsPartThreshold` bytes or more is
// read by two readers at once, each streaming half of the table's pages. Throws DatabaseError as readTable does, and
// for a column the table lacks.
ChosenColumns readChosenColumns(
    const QString &mdbPath, const QString &tableName, const QStringList &columns, const ReaderOptions &options = {});

// Every column of the rows at `places` (ascending), in that order. Throws DatabaseError as readTable does, and when
// a place holds no row.
std::shared_ptr<const Table> readPlacedRows(const QString &mdbPath, const QString &tableName,
    const std::vector<std::uint32_t> &places, const ReaderOptions &options = {});

} // namespace velkaro::database
