#include "database/table/ReadByPlace.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReadParts.h"
#include "database/readtable/ReaderProtocol.h"
#include "database/readtable/ReaderRun.h"
#include "database/table/TableBuilder.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
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

void RowPlaces::append(const RowPlaces &next, std::uint32_t rowsBefore)
{
    for (std::size_t page = 0; page < next.m_pages.size(); ++page)
        pageBegins(next.m_pages[page], rowsBefore + next.m_firstRows[page]);
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

    // The rows built so far.
    std::uint32_t rows() const { return m_rows; }

private:
    RowPlaces &m_places;
    std::uint32_t m_rows = 0;
    std::uint32_t m_onPage = 0;
    bool m_pageBegun = false;
};

// Streams what `request` asks into `sink`; throws unless the rows streamed are `expectedRows`.
void readInto(RowSink &sink, const QString &mdbPath, const QString &tableName, const ReaderRequest &request,
    std::uint64_t expectedRows, const ReaderOptions &options)
{
    const std::atomic<bool> never = false;
    ReaderRun reader(mdbPath, tableName, request, options);
    reader.run(sink, never);
    if (reader.rows() != expectedRows)
        throw DatabaseError("readTable: " + std::to_string(reader.rows()) + " rows read, "
            + std::to_string(expectedRows) + " expected");
}

} // namespace

ChosenColumns readChosenColumns(
    const QString &mdbPath, const QString &tableName, const QStringList &columns, const ReaderOptions &options)
{
    // Each part's rows and their places; a builder keeps a reference to its places, so neither moves.
    struct Part
    {
        RowPlaces places;
        PlacedTableBuilder builder {places};
    };
    std::vector<std::unique_ptr<Part>> parts;
    std::vector<RowSink *> sinks;
    for (int part = QFileInfo(mdbPath).size() >= options.chosenColumnsPartThreshold ? 2 : 1; part > 0; --part) {
        parts.push_back(std::make_unique<Part>());
        sinks.push_back(&parts.back()->builder);
    }
    ReaderRequest request;
    request.columns = columns;
    std::atomic<bool> stop = false;
    readParts(mdbPath, tableName, request, sinks, stop, options);
    Part &first = *parts.front();
    std::uint32_t rowsBefore = first.builder.rows();
    for (std::size_t index = 1; index < parts.size(); ++index) {
        first.places.append(parts[index]->places, rowsBefore);
        rowsBefore += parts[index]->builder.rows();
        first.builder.append(std::move(parts[index]->builder));
    }
    return {first.builder.take(), std::move(first.places)};
}

std::shared_ptr<const Table> readPlacedRows(const QString &mdbPath, const QString &tableName,
    const std::vector<std::uint32_t> &places, const ReaderOptions &options)
{
    TableBuilder builder;
    ReaderRequest request;
    request.places = places;
    readInto(builder, mdbPath, tableName, request, places.size(), options);
    return builder.take();
}

} // namespace velkaro::database
