#include "GenerateDirectory.h"

#include "DirectoryGenerator.h"
#include "Jet4TableWriter.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

bool addEntries(Jet4TableWriter &writer, qint64 rows, quint64 seed, QString *error)
{
    DirectoryGenerator generator(seed);
    DirectoryEntry entry;
    FieldValue values[5];
    for (qint64 row = 0; row < rows; ++row) {
        generator.next(&entry);
        values[0] = FieldValue::fromText(entry.abonent);
        values[1] = FieldValue::fromText(entry.phone);
        values[2] = FieldValue::fromText(entry.address);
        values[3] = entry.comment ? FieldValue::fromText(*entry.comment) : FieldValue::null();
        values[4] = entry.lineType ? FieldValue::fromInteger(*entry.lineType) : FieldValue::null();
        if (!writer.addRow(values, error))
            return false;
    }
    return writer.commit(error);
}

} // namespace

bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, const QString &table, QString *error)
{
    if (rows < 0) {
        *error = u"the number of entries must not be negative"_s;
        return false;
    }
    Jet4TableWriter counter;
    if (!counter.openForCounting(table, defaultColumns(), error) || !addEntries(counter, rows, seed, error))
        return false;
    Jet4TableWriter writer;
    return writer.open(mdbPath, table, defaultColumns(), error) && addEntries(writer, rows, seed, error);
}

QByteArray generatedDirectoryCsv(qint64 rows, quint64 seed)
{
    auto quoted = [](const std::u16string &text) {
        return '"' + QString::fromStdU16String(text).toUtf8().replace('"', "\"\"") + '"';
    };
    QByteArray csv = "ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n";
    DirectoryGenerator generator(seed);
    DirectoryEntry entry;
    for (qint64 row = 0; row < rows; ++row) {
        generator.next(&entry);
        csv += quoted(entry.abonent) + ',' + quoted(entry.phone) + ',' + quoted(entry.address) + ',';
        if (entry.comment)
            csv += quoted(*entry.comment);
        csv += ',';
        if (entry.lineType)
            csv += QByteArray::number(*entry.lineType);
        csv += '\n';
    }
    return csv;
}

bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, QString *error)
{
    return generateDirectory(rows, seed, mdbPath, u"Base"_s, error);
}

} // namespace velkaro::mkbase
