#include "WriteMdbFromCsv.h"

#include "CsvReader.h"
#include "EscapeForMessage.h"
#include "Jet3TableWriter.h"
#include "Jet4TableWriter.h"
#include "ParseColumnList.h"

#include <QStringDecoder>

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

bool parseWholeNumber(QByteArrayView text, qint64 *value)
{
    text = text.trimmed();
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [last, status] = std::from_chars(begin, end, *value);
    return begin != end && status == std::errc() && last == end;
}

bool parseReal(QByteArrayView text, double *value)
{
    text = text.trimmed();
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [last, status] = std::from_chars(begin, end, *value, std::chars_format::general);
    return begin != end && status == std::errc() && last == end && std::isfinite(*value);
}

// Matches header names to columns; returns for each column the index of its field in a record.
bool mapHeader(
    const QList<CsvField> &header, const QList<ColumnDefinition> &columns, QList<int> *fieldOfColumn, QString *error)
{
    fieldOfColumn->fill(-1, columns.size());
    for (int field = 0; field < header.size(); ++field) {
        const QString name = QString::fromUtf8(header.at(field).value);
        int column = 0;
        while (column < columns.size() && columns.at(column).name.compare(name, Qt::CaseInsensitive) != 0)
            ++column;
        if (column == columns.size()) {
            QStringList known;
            for (const ColumnDefinition &definition : columns)
                known.append(definition.name);
            *error = u"the header names unknown column \"%1\" (the table has %2)"_s.arg(
                escapeForMessage(name), known.join(u", "));
            return false;
        }
        if ((*fieldOfColumn)[column] >= 0) {
            *error = u"the header names column %1 twice"_s.arg(columns.at(column).name);
            return false;
        }
        (*fieldOfColumn)[column] = field;
    }
    for (int column = 0; column < columns.size(); ++column) {
        if (fieldOfColumn->at(column) < 0) {
            *error = u"the header lacks column %1"_s.arg(columns.at(column).name);
            return false;
        }
    }
    return true;
}

bool convertField(
    const CsvField &field, const ColumnDefinition &column, std::u16string *text, FieldValue *value, QString *error)
{
    if (!field.quoted && field.value.isEmpty()) {
        *value = FieldValue::null();
        return true;
    }
    switch (column.type) {
    case ColumnType::Text: {
        // Only a BOM at the start of the file marks the encoding; inside a field U+FEFF is text.
        QStringDecoder decoder(
            QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString decoded = decoder(field.value);
        if (decoder.hasError()) {
            *error = u"column %1 holds bytes that are not UTF-8"_s.arg(column.name);
            return false;
        }
        text->assign(reinterpret_cast<const char16_t *>(decoded.utf16()), size_t(decoded.size()));
        *value = FieldValue::fromText(*text);
        return true;
    }
    case ColumnType::Double: {
        double number = 0;
        if (!parseReal(field.value, &number)) {
            *error = u"\"%1\" in column %2 is not a number"_s.arg(
                escapeForMessage(QString::fromUtf8(field.value)), column.name);
            return false;
        }
        *value = FieldValue::fromReal(number);
        return true;
    }
    default: {
        qint64 number = 0;
        if (!parseWholeNumber(field.value, &number)) {
            *error = u"\"%1\" in column %2 is not a whole number"_s.arg(
                escapeForMessage(QString::fromUtf8(field.value)), column.name);
            return false;
        }
        *value = FieldValue::fromInteger(number);
        return true;
    }
    }
}

} // namespace

namespace {

// Feeds the CSV to writer, one row a record; false with error naming the source and line on bad input.
template <typename Writer>
bool addRecords(const QByteArray &csvUtf8, const QString &sourceName, const QList<ColumnDefinition> &columns,
    Writer &writer, QString *error)
{
    CsvReader reader(csvUtf8);
    auto located = [&](const QString &message) {
        *error = u"%1, line %2: %3"_s.arg(escapeForMessage(sourceName, -1)).arg(reader.line()).arg(message);
        return false;
    };
    QString message;
    QList<CsvField> fields;
    const CsvReader::Result headerResult = reader.next(&fields, &message);
    if (headerResult == CsvReader::Result::Error)
        return located(message);
    if (headerResult == CsvReader::Result::End)
        return located(u"the header row naming the columns is missing"_s);
    QList<int> fieldOfColumn;
    if (!mapHeader(fields, columns, &fieldOfColumn, &message))
        return located(message);
    const qsizetype fieldCount = fields.size();

    std::vector<std::u16string> texts(size_t(columns.size()));
    std::vector<FieldValue> values(size_t(columns.size()));
    for (;;) {
        const CsvReader::Result result = reader.next(&fields, &message);
        if (result == CsvReader::Result::Error)
            return located(message);
        if (result == CsvReader::Result::End)
            break;
        if (fields.size() != fieldCount)
            return located(u"%1 fields where the header has %2"_s.arg(fields.size()).arg(fieldCount));
        for (int column = 0; column < columns.size(); ++column) {
            if (!convertField(fields.at(fieldOfColumn.at(column)), columns.at(column), &texts[size_t(column)],
                    &values[size_t(column)], &message))
                return located(message);
        }
        if (!writer.addRow(values.data(), &message))
            return located(message);
    }
    return true;
}

} // namespace

bool writeMdbFromCsvSource(const QByteArray &csvUtf8, const QString &sourceName, const QString &mdbPath, QString *error,
    const QString &table, const QString &columnList)
{
    QList<ColumnDefinition> columns;
    if (!parseColumnList(columnList, &columns, error)) {
        *error = u"--columns: %1"_s.arg(*error);
        return false;
    }
    // A first pass refuses bad input and files above the format's limit before anything is written.
    Jet4TableWriter counter;
    if (!counter.openForCounting(table, columns, error) || !addRecords(csvUtf8, sourceName, columns, counter, error)
        || !counter.commit(error))
        return false;
    Jet4TableWriter writer;
    return writer.open(mdbPath, table, columns, error) && addRecords(csvUtf8, sourceName, columns, writer, error)
        && writer.commit(error);
}

bool writeJet3FromCsv(const QByteArray &csvUtf8, const QString &sourceName, const QString &mdbPath,
    const Jet3Text &text, QString *error, const QString &table, const QString &columnList)
{
    QList<ColumnDefinition> columns;
    if (!parseColumnList(columnList, &columns, error)) {
        *error = u"--columns: %1"_s.arg(*error);
        return false;
    }
    Jet3TableWriter writer;
    return writer.open(mdbPath, table, columns, text, error) && addRecords(csvUtf8, sourceName, columns, writer, error)
        && writer.commit(error);
}

bool writeMdbFromCsv(
    const QByteArray &csvUtf8, const QString &mdbPath, QString *error, const QString &table, const QString &columnList)
{
    return writeMdbFromCsvSource(csvUtf8, u"CSV input"_s, mdbPath, error, table, columnList);
}

} // namespace velkaro::mkbase
