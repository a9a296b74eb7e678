#include "MkBase.h"
#include "database/connection/Connection.h"
#include "database/evaluation/BoundCondition.h"
#include "database/evaluation/Evaluators.h"
#include "database/evaluation/Statement.h"
#include "database/table/TableCache.h"
#include "search/ResultRecords.h"
#include "support/RunState.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro;
using namespace velkaro::mkbase;

Q_DECLARE_METATYPE(velkaro::mkbase::AccessFileKind)

namespace {

constexpr qint64 kRows = 3000;
constexpr quint64 kSeed = 31;

AccessFileKind kind(AccessFormat format, QList<int> moved = {})
{
    AccessFileKind result;
    result.format = format;
    result.edits.moved = std::move(moved);
    return result;
}

AccessFileKind jet3(quint16 codePage, quint16 sortOrder, quint16 textCodePage, QList<int> moved = {})
{
    AccessFileKind result = kind(AccessFormat::Jet3, std::move(moved));
    result.jet3 = {codePage, sortOrder, textCodePage};
    return result;
}

// The lines a search shows for `sql`, through the plain evaluator or the fast one.
QStringList lines(const std::shared_ptr<const database::Table> &table, const QString &sql, bool fast)
{
    const auto conditions = database::bindConditions(*table, database::parseStatement(sql));
    search::ResultRecords records(table);
    records.setTypeLine(0, u"Тип: "_s);
    for (const std::uint32_t row :
        fast ? database::evaluateFast(*table, conditions) : database::evaluatePlain(*table, conditions))
        records.add(row, 0);
    return records.lines();
}

// The lines of a search on a file whose table is not kept, which reads only the compared columns and then the rows
// found.
QStringList firstSearchLines(const QString &path, const QString &sql)
{
    database::Connection connection;
    connection.Open(u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + path);
    const database::Selection selection = connection.select(database::parseStatement(sql));
    search::ResultRecords records(selection.table);
    records.setTypeLine(0, u"Тип: "_s);
    for (const std::uint32_t row : selection.rows)
        records.add(row, 0);
    return records.lines();
}

} // namespace

// Every format Access saves, Access 97 in both sort orders and rows Access moved included, answers the same searches
// with the same lines as the Jet 4 file of the same rows, through both evaluators and through a first search that
// reads only the compared columns and the rows found.
class tst_readtable_searches : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sameLines_data();
    void sameLines();

private:
    QStringList searches() const;

    QTemporaryDir m_dir;
    QByteArray m_csv;
    std::shared_ptr<const database::Table> m_jet4;
};

void tst_readtable_searches::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_csv = generatedDirectoryCsv(kRows, kSeed);
    const QString path = m_dir.filePath(u"jet4.mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(m_csv, path, kind(AccessFormat::Jet4), &error), qPrintable(error));
    m_jet4 = database::directoryTable(path);
    QCOMPARE(m_jet4->rowCount(), std::uint32_t(kRows));
}

void tst_readtable_searches::cleanupTestCase()
{
    testing::resetRunState();
}

QStringList tst_readtable_searches::searches() const
{
    const auto text = [&](const QString &column, std::uint32_t row) {
        return m_jet4->values(*m_jet4->columnIndex(column)).text(row);
    };
    return {u"ABONENT LIKE '%ИВАНОВ%'"_s, u"ABONENT LIKE '"_s + text(u"ABONENT"_s, 17).left(4) + u"%'"_s,
        u"PHONE='"_s + text(u"PHONE"_s, 2500) + u"'"_s, u"ADDRESS LIKE '%Д% 5%КВ%'"_s,
        u"ADDRESS LIKE '%"_s + text(u"ADDRESS"_s, 40).left(9).toLower() + u"%'"_s, u"COMMENT LIKE 'БУХГАЛТЕРИЯ'"_s,
        u"ABONENT LIKE '[А-В]%' AND NO_TYPE='21'"_s};
}

void tst_readtable_searches::sameLines_data()
{
    QTest::addColumn<AccessFileKind>("kind");
    const QList<int> moved = {0, 1, 2, 500, 1999, 2999};
    QTest::newRow("jet4 as written") << kind(AccessFormat::Jet4);
    QTest::newRow("ace12") << kind(AccessFormat::Ace12);
    QTest::newRow("ace17") << kind(AccessFormat::Ace17);
    QTest::newRow("jet4 with moved rows") << kind(AccessFormat::Jet4, moved);
    QTest::newRow("ace16 with moved rows") << kind(AccessFormat::Ace16, moved);
    QTest::newRow("jet3 cyrillic sort order") << jet3(1251, 1049, 1251);
    QTest::newRow("jet3 general sort order on a russian system") << jet3(1252, 1033, 1251, moved);
}

void tst_readtable_searches::sameLines()
{
    QFETCH(AccessFileKind, kind);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-') + u".mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(m_csv, path, kind, &error), qPrintable(error));
    for (const QString &where : searches()) {
        const QString sql = u"SELECT * FROM Base WHERE "_s + where;
        QCOMPARE(firstSearchLines(path, sql), lines(m_jet4, sql, false));
    }
    QVERIFY(!database::directoryTableKept(path));
    const auto table = database::directoryTable(path);
    int found = 0;
    for (const QString &where : searches()) {
        const QString sql = u"SELECT * FROM Base WHERE "_s + where;
        const QStringList expected = lines(m_jet4, sql, false);
        QCOMPARE(lines(table, sql, false), expected);
        QCOMPARE(lines(table, sql, true), expected);
        found += expected.isEmpty() ? 0 : 1;
    }
    // The searches find something, or the comparison proves little.
    QVERIFY(found >= 5);
}

QTEST_GUILESS_MAIN(tst_readtable_searches)
#include "tst_readtable_searches.moc"
