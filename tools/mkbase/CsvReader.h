#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace velkaro::mkbase {

// One field as read: the bytes between the delimiters (quotes removed) and whether it was quoted, which tells an
// empty text ("") from a missing value.
struct CsvField
{
    QByteArray value;
    bool quoted = false;
};

// RFC 4180 reader over UTF-8 bytes: commas, optional quotes with doubled inner quotes, records ending in LF or
// CRLF (line breaks inside quotes belong to the value). A leading BOM and empty lines are skipped.
class CsvReader
{
public:
    explicit CsvReader(QByteArrayView data);

    enum class Result { Record, End, Error };
    Result next(QList<CsvField> *fields, QString *error);

    // The line the last record (or the error) was found on, counting from 1.
    int line() const { return m_line; }

private:
    bool atLineEnd(qsizetype at) const;
    qsizetype lineEndLength(qsizetype at) const;
    bool readQuoted(CsvField *field, QString *error);
    bool readPlain(CsvField *field, QString *error);

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    int m_currentLine = 1;
    int m_line = 1;
};

} // namespace velkaro::mkbase
