#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>

// Reads the structures of a Jet 4 file straight from its bytes, to check what our writer put there.
class Jet4FileBytes
{
public:
    explicit Jet4FileBytes(QByteArray bytes);

    quint32 pageCount() const { return quint32(m_bytes.size() / kPageSize); }
    quint8 pageType(quint32 page) const { return quint8(m_bytes.at(qsizetype(page) * kPageSize)); }
    quint32 u16(quint32 page, int offset) const;
    quint32 u32(quint32 page, int offset) const;

    // Rows of a data page, row 0 first.
    QList<QByteArray> rows(quint32 page) const;
    QByteArray row(quint32 rowPointer) const;

    // Pages a usage-map row names (type 0 or type 1); for the global map these are the free pages.
    QSet<quint32> mapPages(const QByteArray &mapRow) const;

    // The real indexes of a table definition: their columns and leaf page.
    struct Index
    {
        QList<int> columns;
        quint32 leafPage = 0;
    };
    QList<Index> indexes(quint32 definitionPage) const;
    // The entries of an index leaf page, in stored order, each ending in its row's page (3 bytes) and row number.
    QList<QByteArray> indexEntries(quint32 leafPage) const;

    // A variable-length column of a row, by its variable index; null when NULL.
    static QByteArray variableColumn(const QByteArray &row, int variableIndex, int columnNumber);

    static constexpr int kPageSize = 4096;

private:
    QByteArray m_bytes;
};
