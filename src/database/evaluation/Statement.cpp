#include "database/evaluation/Statement.h"

#include "database/core/DatabaseError.h"

namespace velkaro::database {

namespace {

class Parser
{
public:
    explicit Parser(const QString &sql)
        : m_sql(sql)
    { }

    Statement statement()
    {
        Statement result;
        keyword(u"SELECT");
        symbol(u'*');
        keyword(u"FROM");
        result.table = name();
        keyword(u"WHERE");
        result.conditions.push_back(condition());
        while (!atEnd()) {
            keyword(u"AND");
            result.conditions.push_back(condition());
        }
        return result;
    }

private:
    [[noreturn]] static void reject(const char *what) { throw DatabaseError(what); }

    static bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

    void skipBlanks()
    {
        while (m_pos < m_sql.size()
            && (m_sql[m_pos] == u' ' || m_sql[m_pos] == u'\t' || m_sql[m_pos] == u'\r' || m_sql[m_pos] == u'\n'))
            ++m_pos;
    }

    bool atEnd()
    {
        skipBlanks();
        return m_pos == m_sql.size();
    }

    bool tryKeyword(QStringView word)
    {
        skipBlanks();
        const qsizetype end = m_pos + word.size();
        if (end > m_sql.size() || QStringView(m_sql).mid(m_pos, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        if (end < m_sql.size() && isNameChar(m_sql[end]))
            return false;
        m_pos = end;
        return true;
    }

    void keyword(QStringView word)
    {
        if (!tryKeyword(word))
            reject("syntax error: keyword expected");
    }

    bool trySymbol(QChar c)
    {
        skipBlanks();
        if (m_pos < m_sql.size() && m_sql[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void symbol(QChar c)
    {
        if (!trySymbol(c))
            reject("syntax error: symbol expected");
    }

    QString name()
    {
        skipBlanks();
        if (trySymbol(u'[')) {
            const qsizetype close = m_sql.indexOf(u']', m_pos);
            if (close <= m_pos)
                reject("syntax error: bad bracketed name");
            QString bracketed = m_sql.mid(m_pos, close - m_pos);
            m_pos = close + 1;
            return bracketed;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_sql.size() && isNameChar(m_sql[m_pos]))
            ++m_pos;
        if (m_pos == start)
            reject("syntax error: name expected");
        const QString plain = m_sql.mid(start, m_pos - start);
        for (const QStringView reserved : {u"SELECT", u"FROM", u"WHERE", u"AND", u"OR", u"NOT", u"LIKE"}) {
            if (plain.compare(reserved, Qt::CaseInsensitive) == 0)
                reject("syntax error: reserved word used as a name");
        }
        return plain;
    }

    QString text()
    {
        if (!trySymbol(u'\''))
            reject("syntax error: text expected");
        QString value;
        for (;;) {
            const qsizetype quote = m_sql.indexOf(u'\'', m_pos);
            if (quote < 0)
                reject("syntax error: unterminated text");
            value += QStringView(m_sql).mid(m_pos, quote - m_pos);
            m_pos = quote + 1;
            if (m_pos < m_sql.size() && m_sql[m_pos] == u'\'') {
                value += u'\'';
                ++m_pos;
                continue;
            }
            return value;
        }
    }

    Condition condition()
    {
        Condition result;
        result.column = name();
        if (trySymbol(u'='))
            result.op = ComparisonOperator::Equal;
        else if (tryKeyword(u"LIKE"))
            result.op = ComparisonOperator::Like;
        else
            reject("syntax error: comparison expected");
        result.value = text();
        return result;
    }

    const QString &m_sql;
    qsizetype m_pos = 0;
};

} // namespace

Statement parseStatement(const QString &sql)
{
    return Parser(sql).statement();
}

} // namespace velkaro::database
