#pragma once

#include "database/readtable/TableSource.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace velkaro::database::test {

// Keeps every streamed value; a null field is std::nullopt.
class RecordingSink : public RowSink
{
public:
    void columns(std::vector<ColumnInfo> columns) override { m_columns = std::move(columns); }
    void row(std::span<const FieldView> fields) override;

    std::vector<ColumnInfo> m_columns;
    QList<QList<std::optional<QString>>> m_rows;
};

// Counts rows without keeping them.
class CountingSink : public RowSink
{
public:
    void columns(std::vector<ColumnInfo> columns) override { m_columns = std::move(columns); }
    void row(std::span<const FieldView>) override { ++m_rows; }

    std::vector<ColumnInfo> m_columns;
    qint64 m_rows = 0;
};

// Writes `csv` with our Jet 4 writer; fails the test on a writer error.
QString writeMdb(const QString &path, const QByteArray &csv, const QString &columnList = {});
QString writeDirectory(const QString &path, qint64 rows, quint64 seed);

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

inline constexpr int kJet4PageSize = 4096;

// The table definition page whose column names include `columnName`, or -1.
int findTableDefinitionPage(const QByteArray &mdb, const QString &columnName);
quint32 readU32(const QByteArray &bytes, qsizetype at);
void writeU32(QByteArray &bytes, qsizetype at, quint32 value);
quint16 readU16(const QByteArray &bytes, qsizetype at);
void writeU16(QByteArray &bytes, qsizetype at, quint16 value);

// Reader processes of this process still running or not yet reaped.
int readerChildren();

// The readers of the damaged-file tests: one that shows no progress for a second has hung.
inline ReaderOptions impatientReader()
{
    ReaderOptions options;
    options.stallTimeout = std::chrono::milliseconds(1000);
    return options;
}

} // namespace velkaro::database::test
