#include "Jet4TableWriter.h"

#include "EscapeForMessage.h"
#include "Jet4Catalogue.h"
#include "Jet4IndexKeys.h"
#include "StoredColumn.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

using namespace jet4;

namespace {

constexpr int kBufferedPages = 256;

} // namespace

struct Jet4TableWriter::Private
{
    QSaveFile file;
    QString tableName;
    QList<ColumnDefinition> columns;
    TableLayout layout;
    std::vector<quint8> pending; // finished data pages not yet written
    quint8 page[kPageSize] = {};
    int pageRows = 0;
    int pageFree = kPageSize - kDataPageHeaderSize;
    int rowStart = kPageSize;
    quint32 dataPages = 0;
    qint64 rows = 0;
    quint8 row[kPageSize] = {};

    bool counting = false; // rows are only measured, nothing is written

    bool prepare(const QString &tableName, const QList<ColumnDefinition> &columns, QString *error);
    int encodeRow(const FieldValue *values);
    bool placeRow(int length, QString *error);
    bool finishPage(QString *error);
    bool flush(QString *error);
    bool writeError(QString *error);
};

Jet4TableWriter::Jet4TableWriter()
    : d(std::make_unique<Private>())
{ }

Jet4TableWriter::~Jet4TableWriter() = default;

qint64 Jet4TableWriter::rowCount() const
{
    return d->rows;
}

bool Jet4TableWriter::open(
    const QString &path, const QString &tableName, const QList<ColumnDefinition> &columns, QString *error)
{
    if (!d->prepare(tableName, columns, error))
        return false;
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::WriteOnly)) {
        *error = u"cannot write %1: %2"_s.arg(escapeForMessage(path, -1), d->file.errorString());
        return false;
    }
    d->pending.assign(size_t(kCataloguePageCount) * kPageSize, 0); // the system pages, filled in by commit()
    d->pending.reserve(size_t(kBufferedPages) * kPageSize);
    return true;
}

bool Jet4TableWriter::openForCounting(const QString &tableName, const QList<ColumnDefinition> &columns, QString *error)
{
    d->counting = true;
    return d->prepare(tableName, columns, error);
}

bool Jet4TableWriter::Private::prepare(const QString &tableName, const QList<ColumnDefinition> &columns, QString *error)
{
    if (!checkUserTableName(tableName, error))
        return false;
    QByteArray nameKey;
    if (!generalTextKey(tableName, &nameKey)) {
        *error = u"table name %1 has a character the catalogue's name index cannot sort; use blanks, ASCII "
                 u"punctuation, digits, Latin or Cyrillic letters"_s.arg(escapeForMessage(tableName));
        return false;
    }
    if (!checkColumns(columns, error))
        return false;
    QList<ColumnLayout> layoutColumns;
    for (const ColumnDefinition &column : columns) {
        layoutColumns.append(storedColumn(column, 2));
        if (column.type == ColumnType::Text)
            layoutColumns.last().extendedFlags = 0x01; // Unicode compression
    }
    layout = makeLayout(layoutColumns);
    const int worstRow = worstCaseRowSize(layout);
    if (worstRow > kMaxRowSize) {
        *error = u"the columns allow rows of %1 bytes, more than the %2 a Jet 4 row can hold; use shorter texts"_s
                     .arg(worstRow)
                     .arg(kMaxRowSize);
        return false;
    }
    TableDefinition definition;
    definition.layout = layout;
    if (tableDefinitionSize(definition) > kPageSize) {
        *error = u"the table definition does not fit one page; use fewer or shorter column names"_s;
        return false;
    }
    this->tableName = tableName;
    this->columns = columns;
    return true;
}

int Jet4TableWriter::Private::encodeRow(const FieldValue *values)
{
    const int columnCount = int(layout.columns.size());
    put16(row, quint32(columnCount));
    std::memset(row + 2, 0, size_t(layout.fixedSize));
    quint8 mask[32] = {};
    quint16 variableStarts[256];
    int at = 2 + layout.fixedSize;
    for (int number = 0; number < columnCount; ++number) {
        const ColumnLayout &column = layout.columns.at(number);
        const FieldValue &value = values[number];
        if (!column.fixed)
            variableStarts[column.variableIndex] = quint16(at);
        if (value.kind == FieldValue::Kind::Null)
            continue;
        mask[number / 8] |= quint8(1 << (number % 8));
        if (column.fixed)
            putFixedValue(columns.at(number).type, value, row + 2 + column.fixedOffset);
        else
            at += encodeText(value.text, row + at);
    }
    if (layout.variableCount > 0) {
        put16(row + at, quint32(at));
        at += 2;
        for (int i = layout.variableCount - 1; i >= 0; --i, at += 2)
            put16(row + at, variableStarts[i]);
        put16(row + at, quint32(layout.variableCount));
        at += 2;
    }
    const int maskSize = (columnCount + 7) / 8;
    std::memcpy(row + at, mask, size_t(maskSize));
    return at + maskSize;
}

bool Jet4TableWriter::Private::finishPage(QString *error)
{
    if (!counting) {
        finishDataPage(page, kUserTablePage, pageRows, pageFree);
        pending.insert(pending.end(), page, page + kPageSize);
        std::memset(page, 0, sizeof page);
    }
    pageRows = 0;
    pageFree = kPageSize - kDataPageHeaderSize;
    rowStart = kPageSize;
    if (filePages(++dataPages) > kMaxPages) {
        *error = u"the file would exceed the 2 GB limit of the Jet 4 format"_s;
        return false;
    }
    return counting || pending.size() < size_t(kBufferedPages) * kPageSize || flush(error);
}

bool Jet4TableWriter::Private::flush(QString *error)
{
    errno = 0;
    if (file.write(reinterpret_cast<const char *>(pending.data()), qint64(pending.size())) != qint64(pending.size()))
        return writeError(error);
    pending.clear();
    return true;
}

bool Jet4TableWriter::Private::writeError(QString *error)
{
    // Qt reports some failed writes as "Unknown error"; the system's reason is still in errno then.
    const int reason = errno;
    QString text = file.errorString();
    if (reason != 0 && (text.isEmpty() || text == QFile().errorString()))
        text = QString::fromLocal8Bit(std::strerror(reason));
    *error = u"cannot write %1: %2"_s.arg(escapeForMessage(file.fileName(), -1), text);
    file.cancelWriting();
    return false;
}

bool Jet4TableWriter::Private::placeRow(int length, QString *error)
{
    if (pageRows == kMaxRowsPerPage || length + 2 > pageFree) {
        if (!finishPage(error))
            return false;
    }
    rowStart -= length;
    if (!counting) {
        std::memcpy(page + rowStart, row, size_t(length));
        put16(page + kDataPageHeaderSize + 2 * pageRows, quint32(rowStart));
    }
    ++pageRows;
    pageFree -= length + 2;
    return true;
}

bool Jet4TableWriter::addRow(const FieldValue *values, QString *error)
{
    for (int number = 0; number < d->columns.size(); ++number) {
        if (!checkFieldValue(d->columns.at(number), values[number], error))
            return false;
    }
    if (!d->placeRow(d->encodeRow(values), error))
        return false;
    ++d->rows;
    return true;
}

bool Jet4TableWriter::commit(QString *error)
{
    const bool lastPageHasRoom = pageHasRoomForRow(d->pageFree, d->pageRows, d->layout);
    if (d->pageRows > 0 && !d->finishPage(error))
        return false;
    if (d->counting)
        return true;
    CatalogueContents contents;
    contents.tableName = d->tableName;
    contents.userLayout = d->layout;
    contents.rowCount = quint32(d->rows);
    contents.dataPages = d->dataPages;
    contents.lastPageHasRoom = d->dataPages > 0 && lastPageHasRoom;
    const QByteArray trailing = trailingPages(contents);
    d->pending.insert(d->pending.end(), trailing.cbegin(), trailing.cend());
    if (!d->flush(error))
        return false;
    errno = 0; // a failure of the last write shows here, where errno still names its reason
    if (!d->file.flush())
        return d->writeError(error);
    const QByteArray catalogue = cataloguePages(contents);
    errno = 0;
    if (!d->file.seek(0) || d->file.write(catalogue) != catalogue.size())
        return d->writeError(error);
    errno = 0;
    return d->file.commit() || d->writeError(error);
}

} // namespace velkaro::mkbase
