#include "Jet3TableWriter.h"

#include "EscapeForMessage.h"
#include "Jet3Catalogue.h"
#include "StoredColumn.h"

#include "database/reader/SingleByteCodePage.h"

#include <QSaveFile>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

using namespace jet3;

struct Jet3TableWriter::Private
{
    QString path;
    QList<ColumnDefinition> columns;
    Jet3Text text;
    // The text code page's characters of bytes 0x80 to 0xFF, from the system's converter.
    velkaro::reader::CodePageTable highBytes {};
    CatalogueContents contents;
    QByteArray dataPages;
    QList<QByteArray> pageRows;
    qint64 rows = 0;

    bool encode(QStringView value, const QString &what, QByteArray *out, QString *error);
    bool finishPage(QString *error);
};

Jet3TableWriter::Jet3TableWriter()
    : d(std::make_unique<Private>())
{ }

Jet3TableWriter::~Jet3TableWriter() = default;

bool Jet3TableWriter::Private::encode(QStringView value, const QString &what, QByteArray *out, QString *error)
{
    out->clear();
    for (const QChar stored : value) {
        const char16_t character = stored.unicode();
        const auto high = std::find(highBytes.begin(), highBytes.end(), char32_t(character));
        if (character >= 0x80 && high == highBytes.end()) {
            *error = u"%1 holds a character code page %2 cannot store"_s.arg(what).arg(text.textCodePage);
            return false;
        }
        out->append(char(character < 0x80 ? character : 0x80 + (high - highBytes.begin())));
    }
    return true;
}

bool Jet3TableWriter::open(const QString &path, const QString &tableName, const QList<ColumnDefinition> &columns,
    const Jet3Text &text, QString *error)
{
    const std::optional<velkaro::reader::CodePageTable> highBytes =
        velkaro::reader::singleByteCodePage(std::uint16_t(text.textCodePage));
    if (!highBytes) {
        *error = u"code page %1 is not known here"_s.arg(text.textCodePage);
        return false;
    }
    d->highBytes = *highBytes;
    if (!checkUserTableName(tableName, error) || !checkColumns(columns, error))
        return false;
    d->text = text;
    if (!d->encode(tableName, u"the table name"_s, &d->contents.tableName, error))
        return false;
    QList<jet4::ColumnLayout> layoutColumns;
    TableDefinition &user = d->contents.user;
    for (const ColumnDefinition &column : columns) {
        QByteArray name;
        if (!d->encode(column.name, u"a column name"_s, &name, error))
            return false;
        user.columnNames.append(name);
        layoutColumns.append(storedColumn(column, 1));
    }
    user.layout = jet4::makeLayout(layoutColumns);
    user.sortOrder = text.sortOrder;
    user.codePage = text.codePage;
    const int worstRow = jet3::worstCaseRowSize(user.layout);
    if (worstRow > kMaxRowSize) {
        *error = u"the columns allow rows of %1 bytes, more than the %2 a Jet 3 row can hold; use shorter texts"_s
                     .arg(worstRow)
                     .arg(kMaxRowSize);
        return false;
    }
    if (jet3::tableDefinitionSize(user) > kPageSize) {
        *error = u"the table definition does not fit one page; use fewer or shorter column names"_s;
        return false;
    }
    d->path = path;
    d->columns = columns;
    return true;
}

bool Jet3TableWriter::Private::finishPage(QString *error)
{
    dataPages += dataPage(kUserTablePage, pageRows);
    pageRows.clear();
    if (kFirstDataPage + ++contents.dataPages > kInlineMapPages) {
        *error = u"a Jet 3 file from this writer holds at most %1 pages (about 2 MB)"_s.arg(kInlineMapPages);
        return false;
    }
    return true;
}

bool Jet3TableWriter::addRow(const FieldValue *values, QString *error)
{
    QList<QByteArray> stored(d->columns.size());
    for (int number = 0; number < d->columns.size(); ++number) {
        const ColumnDefinition &column = d->columns.at(number);
        const FieldValue &value = values[number];
        if (!checkFieldValue(column, value, error))
            return false;
        if (value.kind == FieldValue::Kind::Null)
            continue;
        if (column.type != ColumnType::Text) {
            stored[number] = QByteArray(d->contents.user.layout.columns.at(number).length, '\0');
            putFixedValue(column.type, value, reinterpret_cast<quint8 *>(stored[number].data()));
            continue;
        }
        const QStringView text(value.text.data(), qsizetype(value.text.size()));
        if (!d->encode(text, u"column %1"_s.arg(column.name), &stored[number], error))
            return false;
        if (stored.at(number).isNull())
            stored[number] = QByteArray(""); // the empty text, not NULL
    }
    const QByteArray row = jet3::encodeRow(d->contents.user.layout, stored);
    QList<QByteArray> trial = d->pageRows;
    trial.append(row);
    if ((d->pageRows.size() == kMaxRowsPerPage || freeSpace(trial) < 0) && !d->finishPage(error))
        return false;
    d->pageRows.append(row);
    ++d->rows;
    return true;
}

bool Jet3TableWriter::commit(QString *error)
{
    if (!d->pageRows.isEmpty()) {
        QList<QByteArray> trial = d->pageRows;
        trial.append(QByteArray(1 + d->contents.user.layout.fixedSize + 8, '\0'));
        d->contents.lastPageHasRoom = freeSpace(trial) >= 0 && trial.size() <= kMaxRowsPerPage;
        if (!d->finishPage(error))
            return false;
    }
    d->contents.user.rowCount = quint32(d->rows);
    const QByteArray file = cataloguePages(d->contents) + d->dataPages;
    QSaveFile out(d->path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size() || !out.commit()) {
        *error = u"cannot write %1: %2"_s.arg(escapeForMessage(d->path, -1), out.errorString());
        return false;
    }
    return true;
}

} // namespace velkaro::mkbase
