#include "CsvReader.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

CsvReader::CsvReader(QByteArrayView data)
    : m_data(data)
{
    if (m_data.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

qsizetype CsvReader::lineEndLength(qsizetype at) const
{
    if (at < m_data.size() && m_data[at] == '\n')
        return 1;
    if (at + 1 < m_data.size() && m_data[at] == '\r' && m_data[at + 1] == '\n')
        return 2;
    return 0;
}

bool CsvReader::atLineEnd(qsizetype at) const
{
    return at >= m_data.size() || lineEndLength(at) > 0;
}

CsvReader::Result CsvReader::next(QList<CsvField> *fields, QString *error)
{
    fields->clear();
    while (qsizetype length = lineEndLength(m_pos)) {
        m_pos += length;
        ++m_currentLine;
    }
    m_line = m_currentLine;
    if (m_pos >= m_data.size())
        return Result::End;
    for (;;) {
        CsvField field;
        const bool ok =
            m_pos < m_data.size() && m_data[m_pos] == '"' ? readQuoted(&field, error) : readPlain(&field, error);
        if (!ok)
            return Result::Error;
        fields->append(field);
        if (m_pos < m_data.size() && m_data[m_pos] == ',') {
            ++m_pos;
            continue;
        }
        if (qsizetype length = lineEndLength(m_pos)) {
            m_pos += length;
            ++m_currentLine;
        }
        return Result::Record;
    }
}

bool CsvReader::readQuoted(CsvField *field, QString *error)
{
    const int openingLine = m_currentLine;
    field->quoted = true;
    qsizetype at = m_pos + 1;
    for (;;) {
        const qsizetype quote = m_data.indexOf('"', at);
        if (quote < 0) {
            m_line = openingLine;
            *error = u"a quoted field opened on this line is never closed"_s;
            return false;
        }
        const QByteArrayView piece = m_data.sliced(at, quote - at);
        m_currentLine += int(piece.count('\n'));
        field->value += piece;
        if (quote + 1 < m_data.size() && m_data[quote + 1] == '"') {
            field->value += '"';
            at = quote + 2;
            continue;
        }
        m_pos = quote + 1;
        if (!atLineEnd(m_pos) && m_data[m_pos] != ',') {
            m_line = m_currentLine;
            *error = u"malformed quoting: a closing quote must be followed by a comma or the end of the line"_s;
            return false;
        }
        return true;
    }
}

bool CsvReader::readPlain(CsvField *field, QString *error)
{
    const qsizetype start = m_pos;
    while (!atLineEnd(m_pos) && m_data[m_pos] != ',') {
        if (m_data[m_pos] == '"') {
            m_line = m_currentLine;
            *error = u"malformed quoting: a quote inside an unquoted field (quote the field and double the quote)"_s;
            return false;
        }
        ++m_pos;
    }
    field->value = m_data.sliced(start, m_pos - start).toByteArray();
    return true;
}

} // namespace velkaro::mkbase
