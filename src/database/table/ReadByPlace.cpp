#include "database/table/ReadByPlace.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderProtocol.h"
#include "database/readtable/ReaderRun.h"
#include "database/table/TableBuilder.h"

#include <algorithm>
#include <optional>
#include <string>

namespace velkaro::database {

namespace protocol = reader_protocol;

void RowPlaces::pageBegins(std::uint32_t page, std::uint32_t firstRow)
{
    if (page > protocol::kMaxPlacedPage)
        throw DatabaseError("readTable: page " + std::to_string(page) + " beyond a row place");
    m_pages.push_back(page);
    m_firstRows.push_back(firstRow);
}

std::uint32_t RowPlaces::of(std::uint32_t row) const
{
    const auto after = std::upper_bound(m_firstRows.begin(), m_firstRows.end(), row);
    const auto page = std::size_t(after - m_firstRows.begin()) - 1;
    return m_pages[page] << 8 | (row - m_firstRows[page]);
}

namespace {

// Builds the table and notes where each page's rows begin; every row must follow a page record, at most a page's
// rows after each.
class PlacedTableBuilder : public TableBuilder
{
public:
    explicit PlacedTableBuilder(RowPlaces &places)
        : m_places(places)
    { }

    void page(std::uint32_t number) override
    {
        m_places.pageBegins(number, m_rows);
        m_onPage = 0;
        m_pageBegun = true;
    }

    void row(std::span<const FieldView> fields) override
    {
        if (!m_pageBegun || ++m_onPage > protocol::kMaxRowsPerPage)
            throw DatabaseError("readTable: a row outside the pages announced");
        TableBuilder::row(fields);
        ++m_rows;
    }

private:
    RowPlaces &m_places;
    std::uint32_t m_rows = 0;
    std::uint32_t m_onPage = 0;
    bool m_pageBegun = false;
};

// Streams what `request` asks into `sink`; throws unless the rows streamed are `expectedRows`, or the whole table's
// where it gives none.
void readInto(RowSink &sink, const QString &mdbPath, const QString &tableName, const ReaderRequest &request,
    std::optional<std::uint64_t> expectedRows, const std::atomic<bool> &stop, const ReaderOptions &options)
{
    ReaderRun reader(mdbPath, tableName, request, options);
    reader.run(sink, stop);
    const std::uint64_t expected = expectedRows.value_or(reader.expectedRows());
    if (reader.rows() != expected)
        throw DatabaseError(
            "readTable: " + std::to_string(reader.rows()) + " rows read, " + std::to_string(expected) + " expected");
}

} // namespace

ChosenColumns readChosenColumns(const QString &mdbPath, const QString &tableName, const QStringList &columns,
    const std::atomic<bool> &stop, const ReaderOptions &options)
{
    ChosenColumns chosen;
    PlacedTableBuilder builder(chosen.places);
    ReaderRequest request;
    request.columns = columns;
    readInto(builder, mdbPath, tableName, request, std::nullopt, stop, options);
    chosen.table = builder.take();
    return chosen;
}

std::shared_ptr<const Table> readPlacedRows(const QString &mdbPath, const QString &tableName,
    const std::vector<std::uint32_t> &places, const std::atomic<bool> &stop, const ReaderOptions &options)
{
    TableBuilder builder;
    ReaderRequest request;
    request.places = places;
    readInto(builder, mdbPath, tableName, request, places.size(), stop, options);
    return builder.take();
}

} // namespace velkaro::database
