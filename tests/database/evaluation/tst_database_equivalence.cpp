#include "database/evaluation/BoundCondition.h"
#include "database/evaluation/Evaluators.h"
#include "database/evaluation/Statement.h"
#include "database/table/TableCache.h"
#include "support/RunState.h"

#include "MkBase.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::database;

namespace {

constexpr int rowsPerDirectory = 20000;
constexpr int queriesPerDirectory = 240;

QString quoted(QString text)
{
    return u"'"_s + text.replace(u'\'', u"''"_s) + u"'"_s;
}

// Builds conditions from the texts of real rows, so that most of them find something.
class QueryMaker
{
public:
    QueryMaker(const Table &table, quint32 seed)
        : m_table(table)
        , m_random(seed)
    { }

    QString next(int kind)
    {
        const QString abonent = text(u"ABONENT"_s);
        const QString address = text(u"ADDRESS"_s);
        switch (kind) {
        case 0:
            return u"ABONENT LIKE "_s + quoted(u"%"_s + casedRandomly(piece(abonent)) + u"%"_s);
        case 1:
            return u"ADDRESS LIKE "_s + quoted(u"%"_s + piece(address) + u"%"_s + address.right(bounded(1, 5)));
        case 2:
            return u"ABONENT LIKE "_s + quoted(withUnderscores(abonent.left(bounded(1, abonent.size() + 1))) + u"%"_s);
        case 3:
            return u"PHONE="_s
                + quoted(bounded(0, 2) == 0 ? text(u"PHONE"_s) : QString::number(bounded(1000000, 9999999)));
        case 4:
            return u"COMMENT LIKE "_s
                + quoted(casedRandomly(text(u"COMMENT"_s)) + (bounded(0, 2) == 0 ? u"%"_s : u""_s));
        case 5:
            return u"ABONENT LIKE "_s + quoted(u"%"_s + piece(abonent) + u"%"_s) + u" AND ADDRESS LIKE "_s
                + quoted(u"%"_s + withUnderscores(piece(address)) + u"%"_s);
        case 6: {
            static const QStringList wildcards {u"%"_s, u"_%"_s, u"%__"_s, u"____________%"_s, u"%_%_%"_s, u""_s};
            return u"COMMENT LIKE "_s + quoted(wildcards[bounded(0, int(wildcards.size()))]);
        }
        case 7:
            return bounded(0, 2) == 0 ? u"NO_TYPE="_s + quoted(QString::number(bounded(0, 100)))
                                      : u"PHONE LIKE "_s + quoted(u"%"_s + piece(text(u"PHONE"_s)));
        default:
            return bounded(0, 2) == 0
                ? u"ABONENT LIKE "_s + quoted(casedRandomly(withLists(abonent.left(bounded(1, 12)))) + u"%"_s)
                : u"ADDRESS LIKE "_s + quoted(u"%"_s + withLists(piece(address)) + u"%"_s);
        }
    }

private:
    int bounded(int low, int high) { return int(m_random.bounded(low, high)); }

    QString text(const QString &column)
    {
        const TextColumn &values = m_table.values(*m_table.columnIndex(column));
        return values.text(m_random.bounded(m_table.rowCount()));
    }

    QString piece(const QString &text)
    {
        if (text.isEmpty())
            return text;
        const int start = bounded(0, int(text.size()));
        return text.mid(start, bounded(1, 9));
    }

    QString casedRandomly(const QString &text) { return bounded(0, 2) == 0 ? text.toLower() : text; }

    QString withUnderscores(QString text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (bounded(0, 4) == 0)
                text[i] = u'_';
        }
        return text;
    }

    // Some characters as lists: lists that take the character (among others, or as the end of a range), or
    // negated lists of a letter.
    QString withLists(const QString &text)
    {
        QString pattern;
        for (const QChar c : text) {
            const QStringList forms {QString(c), u"[Ж9"_s + c + u"Ёa]"_s, u"[0-"_s + c + u"]"_s,
                u"[!"_s + QChar(u'А' + bounded(0, 32)) + u"]"_s, QString(c)};
            pattern += forms[c >= u'0' && c != u']' ? bounded(0, 5) : 0];
        }
        return pattern;
    }

    const Table &m_table;
    QRandomGenerator m_random;
};

} // namespace

class tst_database_equivalence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fastEqualsPlain_data();
    void fastEqualsPlain();
};

void tst_database_equivalence::fastEqualsPlain_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1") << 1U;
    QTest::newRow("seed 2") << 2U;
    QTest::newRow("seed 77") << 77U;
}

void tst_database_equivalence::fastEqualsPlain()
{
    QFETCH(quint32, seed);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"base.mdb"_s);
    QString error;
    QVERIFY2(velkaro::mkbase::generateDirectory(rowsPerDirectory, seed, path, &error), qPrintable(error));
    const auto table = directoryTable(path);
    QCOMPARE(table->rowCount(), std::uint32_t {rowsPerDirectory});

    QueryMaker maker(*table, seed);
    QStringList queries;
    for (int i = 0; i < queriesPerDirectory; ++i)
        queries.append(u"SELECT * FROM Base WHERE "_s + maker.next(i % 9));
    int found = 0;
    // Whole texts are looked for in the columns, then through their indexes.
    for (const bool indexed : {false, true}) {
        for (std::size_t column = 0; indexed && column < table->columns().size(); ++column)
            table->values(column).equalityIndex();
        for (const QString &sql : queries) {
            const auto conditions = bindConditions(*table, parseStatement(sql));
            const auto plain = evaluatePlain(*table, conditions);
            const auto fast = evaluateFast(*table, conditions);
            if (fast != plain)
                QFAIL(qPrintable(u"%1%2: fast %3 rows, plain %4 rows"_s.arg(sql, indexed ? u" (indexed)"_s : QString())
                        .arg(fast.size())
                        .arg(plain.size())));
            found += !indexed && !plain.empty() ? 1 : 0;
        }
    }
    // The queries come from real rows: most must find something, or the comparison proves little.
    QVERIFY2(found > queriesPerDirectory * 2 / 3, qPrintable(QString::number(found)));
    velkaro::testing::resetRunState();
}

QTEST_GUILESS_MAIN(tst_database_equivalence)
#include "tst_database_equivalence.moc"
