#include "database/table/ReadByPlace.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderProtocol.h"
#include "database/readtable/ReaderRun.h"
#include "database/table/TableBuilder.h"

#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <exception>
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

// A read of chosen columns in parts, each part's reader decoded by a thread of its own; the parts are joined in
// table order.
class ChosenColumnsRead
{
public:
    explicit ChosenColumnsRead(std::uint32_t parts)
    {
        for (std::uint32_t index = 0; index < parts; ++index)
            m_parts.push_back(std::make_unique<Part>());
    }

    // Throws the first failure of any part; the other readers are stopped by it.
    void run(const QString &mdbPath, const QString &tableName, const QStringList &columns, const ReaderOptions &options)
    {
        std::vector<std::unique_ptr<QThread>> threads;
        for (std::uint32_t index = 1; index < m_parts.size(); ++index)
            threads.emplace_back(QThread::create([this, &mdbPath, &tableName, &columns, &options, index] {
                read(mdbPath, tableName, columns, options, index);
            }));
        for (const auto &thread : threads)
            thread->start();
        read(mdbPath, tableName, columns, options, 0);
        for (const auto &thread : threads)
            thread->wait();
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

    ChosenColumns join()
    {
        Part &first = *m_parts.front();
        std::uint64_t rows = 0;
        for (const auto &part : m_parts) {
            if (part->expectedRows != first.expectedRows)
                throw DatabaseError("readTable: the parts announce different row counts");
            if (part.get() != &first) {
                first.places.append(part->places, std::uint32_t(rows));
                first.builder.append(std::move(part->builder));
            }
            rows += part->rows;
        }
        if (rows != first.expectedRows)
            throw DatabaseError("readTable: " + std::to_string(rows) + " rows read, the table counts "
                + std::to_string(first.expectedRows));
        return {first.builder.take(), std::move(first.places)};
    }

private:
    struct Part
    {
        RowPlaces places;
        PlacedTableBuilder builder {places};
        std::uint64_t rows = 0;
        std::uint32_t expectedRows = 0;
    };

    void read(const QString &mdbPath, const QString &tableName, const QStringList &columns,
        const ReaderOptions &options, std::uint32_t index) noexcept
    {
        try {
            ReaderRequest request;
            request.part = {index, std::uint32_t(m_parts.size())};
            request.columns = columns;
            ReaderRun reader(mdbPath, tableName, request, options);
            reader.run(m_parts[index]->builder, m_failed);
            m_parts[index]->rows = reader.rows();
            m_parts[index]->expectedRows = reader.expectedRows();
        } catch (...) {
            // The first failure is the one to report; the others are those of the readers it stopped.
            if (!m_failed.exchange(true))
                m_failure = std::current_exception();
        }
    }

    std::vector<std::unique_ptr<Part>> m_parts;
    std::atomic<bool> m_failed = false;
    std::exception_ptr m_failure;
};

} // namespace

ChosenColumns readChosenColumns(
    const QString &mdbPath, const QString &tableName, const QStringList &columns, const ReaderOptions &options)
{
    ChosenColumnsRead read(QFileInfo(mdbPath).size() >= options.chosenColumnsPartThreshold ? 2 : 1);
    read.run(mdbPath, tableName, columns, options);
    return read.join();
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
