#include "Jet4TableWriter.h"

#include "Jet4Catalogue.h"

#include <QSaveFile>

#include <cmath>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

using namespace jet4;

namespace {

constexpr int PagesPerSlot = 4092 * 8; // pages one usage-bitmap page covers
constexpr int BufferedPages = 256;

ColumnLayout userColumn(const ColumnDefinition &definition)
{
    ColumnLayout column;
    column.name = definition.name;
    column.flags = 0x03;
    column.fixed = true;
    switch (definition.type) {
    case ColumnType::Text:
        column.type = jet4::Text;
        column.flags = 0x02;
        column.extendedFlags = 0x01;
        column.fixed = false;
        column.length = quint16(2 * definition.maxLength);
        break;
    case ColumnType::Byte:
        column.type = jet4::Byte;
        column.length = 1;
        break;
    case ColumnType::Integer:
        column.type = jet4::Integer;
        column.length = 2;
        break;
    case ColumnType::LongInteger:
        column.type = jet4::LongInteger;
        column.length = 4;
        break;
    case ColumnType::Double:
        column.type = jet4::Double;
        column.length = 8;
        break;
    }
    return column;
}

} // namespace

struct Jet4TableWriter::Private
{
    QSaveFile file;
    QString tableName;
    QList<ColumnDefinition> columns;
    TableLayout layout;
    std::vector<quint8> pending; // finished data pages not yet written
    quint8 page[PageSize] = {};
    int pageRows = 0;
    int pageFree = PageSize - DataPageHeaderSize;
    int rowStart = PageSize;
    quint32 dataPages = 0;
    qint64 rows = 0;
    quint8 row[PageSize] = {};

    bool checkValue(int number, const FieldValue &value, QString *error) const;
    int encodeRow(const FieldValue *values);
    bool placeRow(int length, QString *error);
    bool finishPage(QString *error);
    bool flush(QString *error);
    bool writeError(QString *error);
    QByteArray ownedPagesMap(QByteArray *bitmapPages) const;
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
    if (!isValidObjectName(tableName, error))
        return false;
    if (tableName.startsWith(u"MSys"_s, Qt::CaseInsensitive)) {
        *error = u"table name %1 is reserved for system tables"_s.arg(tableName);
        return false;
    }
    if (columns.isEmpty() || columns.size() > 255) {
        *error = u"a table needs 1 to 255 columns"_s;
        return false;
    }
    QList<ColumnLayout> layoutColumns;
    for (const ColumnDefinition &column : columns) {
        if (!isValidObjectName(column.name, error))
            return false;
        layoutColumns.append(userColumn(column));
    }
    d->layout = makeLayout(layoutColumns);
    const int worstRow = worstCaseRowSize(d->layout);
    if (worstRow > MaxRowSize) {
        *error = u"the columns allow rows of %1 bytes, more than the %2 a Jet 4 row can hold; use shorter texts"_s
                     .arg(worstRow)
                     .arg(MaxRowSize);
        return false;
    }
    TableDefinition definition;
    definition.layout = d->layout;
    if (tableDefinitionSize(definition) > PageSize) {
        *error = u"the table definition does not fit one page; use fewer or shorter column names"_s;
        return false;
    }
    d->tableName = tableName;
    d->columns = columns;
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::WriteOnly)) {
        *error = u"cannot write %1: %2"_s.arg(path, d->file.errorString());
        return false;
    }
    d->pending.assign(size_t(CataloguePageCount) * PageSize, 0); // the system pages, filled in by commit()
    d->pending.reserve(size_t(BufferedPages) * PageSize);
    return true;
}

bool Jet4TableWriter::Private::checkValue(int number, const FieldValue &value, QString *error) const
{
    const ColumnDefinition &column = columns.at(number);
    if (value.kind == FieldValue::Kind::Null)
        return true;
    if (column.type == ColumnType::Text) {
        if (value.kind != FieldValue::Kind::Text) {
            *error = u"column %1 takes text"_s.arg(column.name);
            return false;
        }
        if (qsizetype(value.text.size()) > column.maxLength) {
            *error = u"text of %1 characters is longer than column %2 allows (%3)"_s.arg(value.text.size())
                         .arg(column.name)
                         .arg(column.maxLength);
            return false;
        }
        return true;
    }
    if (column.type == ColumnType::Double) {
        if (value.kind != FieldValue::Kind::Real && value.kind != FieldValue::Kind::Integer) {
            *error = u"column %1 takes a number"_s.arg(column.name);
            return false;
        }
        return true;
    }
    if (value.kind != FieldValue::Kind::Integer) {
        *error = u"column %1 takes a whole number"_s.arg(column.name);
        return false;
    }
    qint64 low = std::numeric_limits<qint32>::min();
    qint64 high = std::numeric_limits<qint32>::max();
    if (column.type == ColumnType::Byte) {
        low = 0;
        high = 255;
    } else if (column.type == ColumnType::Integer) {
        low = std::numeric_limits<qint16>::min();
        high = std::numeric_limits<qint16>::max();
    }
    if (value.integer < low || value.integer > high) {
        *error =
            u"%1 is outside the range of column %2 (%3 to %4)"_s.arg(value.integer).arg(column.name).arg(low).arg(high);
        return false;
    }
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
        quint8 *fixedAt = row + 2 + column.fixedOffset;
        switch (column.type) {
        case jet4::Text:
            at += encodeText(value.text, row + at);
            break;
        case jet4::Byte:
            *fixedAt = quint8(value.integer);
            break;
        case jet4::Integer:
            put16(fixedAt, quint32(value.integer));
            break;
        case jet4::LongInteger:
            put32(fixedAt, quint32(value.integer));
            break;
        case jet4::Double: {
            const double number = value.kind == FieldValue::Kind::Real ? value.real : double(value.integer);
            quint64 bits;
            std::memcpy(&bits, &number, sizeof bits);
            put32(fixedAt, quint32(bits));
            put32(fixedAt + 4, quint32(bits >> 32));
            break;
        }
        default:
            break;
        }
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
    finishDataPage(page, UserTablePage, pageRows, pageFree);
    pending.insert(pending.end(), page, page + PageSize);
    std::memset(page, 0, sizeof page);
    pageRows = 0;
    pageFree = PageSize - DataPageHeaderSize;
    rowStart = PageSize;
    if (++dataPages + FirstDataPage + 2 > MaxPages) {
        *error = u"the file would exceed the 2 GB limit of the format"_s;
        return false;
    }
    return pending.size() < size_t(BufferedPages) * PageSize || flush(error);
}

bool Jet4TableWriter::Private::flush(QString *error)
{
    if (file.write(reinterpret_cast<const char *>(pending.data()), qint64(pending.size())) != qint64(pending.size()))
        return writeError(error);
    pending.clear();
    return true;
}

bool Jet4TableWriter::Private::writeError(QString *error)
{
    *error = u"cannot write %1: %2"_s.arg(file.fileName(), file.errorString());
    file.cancelWriting();
    return false;
}

bool Jet4TableWriter::Private::placeRow(int length, QString *error)
{
    if (pageRows == MaxRowsPerPage || length + 2 > pageFree) {
        if (!finishPage(error))
            return false;
    }
    rowStart -= length;
    std::memcpy(page + rowStart, row, size_t(length));
    put16(page + DataPageHeaderSize + 2 * pageRows, quint32(rowStart));
    ++pageRows;
    pageFree -= length + 2;
    return true;
}

bool Jet4TableWriter::addRow(const FieldValue *values, QString *error)
{
    for (int number = 0; number < d->columns.size(); ++number) {
        if (!d->checkValue(number, values[number], error))
            return false;
    }
    if (!d->placeRow(d->encodeRow(values), error))
        return false;
    ++d->rows;
    return true;
}

// Type 0 (one 512-page window from page 0) while the table ends below page 512, else type 1 with a usage-bitmap
// page per 32,736-page slot, placed after the data pages.
QByteArray Jet4TableWriter::Private::ownedPagesMap(QByteArray *bitmapPages) const
{
    const quint32 lastPage = FirstDataPage + dataPages - 1;
    QByteArray map(69, '\0');
    if (dataPages == 0 || lastPage < 512) {
        for (quint32 p = FirstDataPage; p < FirstDataPage + dataPages; ++p)
            map[int(5 + p / 8)] = char(map.at(int(5 + p / 8)) | (1 << (p % 8)));
        return map;
    }
    map[0] = 0x01;
    const quint32 slots = lastPage / PagesPerSlot + 1;
    const quint32 firstBitmapPage = FirstDataPage + dataPages;
    for (quint32 slot = 0; slot < slots; ++slot) {
        put32(map, int(1 + 4 * slot), firstBitmapPage + slot);
        QByteArray bitmap(PageSize, '\0');
        bitmap[0] = 0x05;
        bitmap[1] = 0x01;
        const quint32 first = std::max(FirstDataPage, slot * PagesPerSlot);
        const quint32 last = std::min(lastPage, (slot + 1) * PagesPerSlot - 1);
        for (quint32 p = first; p <= last; ++p) {
            const quint32 bit = p - slot * PagesPerSlot;
            bitmap[int(4 + bit / 8)] = char(bitmap.at(int(4 + bit / 8)) | (1 << (bit % 8)));
        }
        *bitmapPages += bitmap;
    }
    return map;
}

bool Jet4TableWriter::commit(QString *error)
{
    if (d->pageRows > 0 && !d->finishPage(error))
        return false;
    QByteArray bitmapPages;
    CatalogueContents contents;
    contents.tableName = d->tableName;
    contents.userLayout = d->layout;
    contents.rowCount = quint32(d->rows);
    contents.ownedPagesMap = d->ownedPagesMap(&bitmapPages);
    contents.totalPages = FirstDataPage + d->dataPages + quint32(bitmapPages.size() / PageSize);
    d->pending.insert(d->pending.end(), bitmapPages.cbegin(), bitmapPages.cend());
    if (!d->flush(error))
        return false;
    const QByteArray catalogue = cataloguePages(contents);
    if (!d->file.seek(0) || d->file.write(catalogue) != catalogue.size())
        return d->writeError(error);
    if (!d->file.commit()) {
        *error = u"cannot write %1: %2"_s.arg(d->file.fileName(), d->file.errorString());
        return false;
    }
    return true;
}

} // namespace velkaro::mkbase
