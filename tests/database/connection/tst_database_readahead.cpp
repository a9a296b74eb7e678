#include "database/connection/Connection.h"
#include "database/connection/ReadAhead.h"
#include "database/core/DatabaseError.h"
#include "database/evaluation/BoundCondition.h"
#include "database/evaluation/Evaluators.h"
#include "database/evaluation/Statement.h"
#include "database/table/ReadWholeTable.h"
#include "database/table/Table.h"
#include "database/table/TableCache.h"

#include "MkBase.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <future>

using namespace Qt::StringLiterals;
using namespace velkaro::database;

namespace {

const QString accessDriver = u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s;

std::vector<std::uint32_t> answer(const Table &table, const QString &statement)
{
    return evaluateFast(table, bindConditions(table, parseStatement(statement)));
}

} // namespace

class tst_database_readahead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void searchDuringTheReadWaitsForIt_data();
    void searchDuringTheReadWaitsForIt();
    void fileReplacedDuringTheReadIsReadAgain();
    void fileCopiedOverDuringTheReadIsReadAgain();
    void tableReadBySearchGetsItsPhoneIndexAfterwards();
    void fileSearchedFirstIsKeptAfterwards();
    void failedReadIsSilentUntilASearch_data();
    void failedReadIsSilentUntilASearch();

private:
    QString generated(const QString &name, qint64 rows, quint64 seed);
    std::unique_ptr<QTemporaryDir> m_folder;
};

void tst_database_readahead::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    clearDirectoryTableCache();
}

void tst_database_readahead::cleanup()
{
    clearDirectoryTableCache();
}

QString tst_database_readahead::generated(const QString &name, qint64 rows, quint64 seed)
{
    const QString path = m_folder->filePath(name);
    QString error;
    if (!velkaro::mkbase::generateDirectory(rows, seed, path, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

void tst_database_readahead::searchDuringTheReadWaitsForIt_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("phone of row 1234") << u"SELECT * FROM Base WHERE PHONE='%1' "_s;
    QTest::newRow("subscriber") << u"SELECT * FROM Base WHERE ABONENT LIKE '%ИВАНОВ%' "_s;
}

// A search right after the read started gets the table that read builds, and the answer a warm search gives.
void tst_database_readahead::searchDuringTheReadWaitsForIt()
{
    QFETCH(QString, statement);
    const QString path = generated(u"big.mdb"_s, 60000, 7);
    ReadAhead ahead;

    ahead.start(accessDriver + path);
    const auto during = directoryTable(path);
    if (statement.contains(u"%1"))
        statement = statement.arg(during->values(*during->columnIndex(u"PHONE"_s)).text(1234));
    const std::vector<std::uint32_t> first = answer(*during, statement);
    QVERIFY(!first.empty());
    ahead.wait();

    QCOMPARE(directoryTable(path).get(), during.get());
    clearDirectoryTableCache();
    const auto cold = directoryTable(path);
    QVERIFY(cold.get() != during.get());
    QCOMPARE(first, answer(*cold, statement));
    QCOMPARE(during->rowCount(), 60000U);
}

void tst_database_readahead::fileReplacedDuringTheReadIsReadAgain()
{
    const QString path = generated(u"base.mdb"_s, 60000, 7);
    const QString replacement = generated(u"other.mdb"_s, 1000, 8);
    ReadAhead ahead;

    ahead.start(accessDriver + path);
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::rename(replacement, path));

    QCOMPARE(directoryTable(path)->rowCount(), 1000U);
    ahead.wait();
    QCOMPARE(directoryTable(path)->rowCount(), 1000U);
}

// An administrator copies the new directory over the old one in place while a search reads it: the search gets
// the new directory whole, never a mix of the two.
void tst_database_readahead::fileCopiedOverDuringTheReadIsReadAgain()
{
    const QString path = generated(u"base.mdb"_s, 300000, 7);
    const QString replacement = generated(u"new.mdb"_s, 300000, 8);
    const QByteArray newBytes = velkaro::testing::readFile(replacement);

    auto search = std::async(std::launch::async, [&path] { return directoryTable(path); });
    QTRY_VERIFY(directoryTableKept(path));
    QFile inPlace(path);
    QVERIFY(inPlace.open(QIODevice::ReadWrite));
    QCOMPARE(inPlace.write(newBytes), newBytes.size());
    QVERIFY(inPlace.resize(newBytes.size()));
    inPlace.close();
    const auto table = search.get();

    const auto clean = readWholeTable(replacement, u"Base"_s);
    QCOMPARE(table->rowCount(), clean->rowCount());
    for (const QString &name : {u"ABONENT"_s, u"PHONE"_s, u"ADDRESS"_s}) {
        const TextColumn &read = table->values(*table->columnIndex(name));
        const TextColumn &expected = clean->values(*clean->columnIndex(name));
        for (std::uint32_t row = 0; row < clean->rowCount(); ++row) {
            if (read.text(row) != expected.text(row))
                QFAIL(qPrintable(
                    u"%1 of row %2: %3, not %4"_s.arg(name).arg(row).arg(read.text(row), expected.text(row))));
        }
    }
}

void tst_database_readahead::tableReadBySearchGetsItsPhoneIndexAfterwards()
{
    const QString path = generated(u"base.mdb"_s, 3000, 5);
    const auto table = directoryTable(path);
    const TextColumn &phones = table->values(*table->columnIndex(u"PHONE"_s));
    const QString statement = u"SELECT * FROM Base WHERE PHONE='%1'"_s.arg(phones.text(2999));
    const std::vector<std::uint32_t> scanned = answer(*table, statement);
    QVERIFY(!phones.builtEqualityIndex());

    ReadAhead ahead;
    ahead.keep(accessDriver + path);
    ahead.wait();
    QVERIFY(phones.builtEqualityIndex());
    QCOMPARE(directoryTable(path).get(), table.get());
    QCOMPARE(answer(*table, statement), scanned);
    QVERIFY(std::find(scanned.begin(), scanned.end(), 2999U) != scanned.end());
}

// A first search reads only what it needs; the whole table, with its phone index, follows in the background.
void tst_database_readahead::fileSearchedFirstIsKeptAfterwards()
{
    const QString path = generated(u"base.mdb"_s, 3000, 6);
    const auto statement = parseStatement(u"SELECT * FROM Base WHERE ABONENT LIKE '%А%'"_s);
    Connection connection;
    connection.Open(accessDriver + path);
    const Selection first = connection.select(statement);
    connection.Close();
    QVERIFY(!directoryTableKept(path));

    ReadAhead ahead;
    ahead.keep(accessDriver + path);
    ahead.wait();
    QVERIFY(directoryTableKept(path));
    const auto table = directoryTable(path);
    QVERIFY(table->values(*table->columnIndex(u"PHONE"_s)).builtEqualityIndex());
    const std::vector<std::uint32_t> kept = answer(*table, u"SELECT * FROM Base WHERE ABONENT LIKE '%А%'"_s);
    QCOMPARE(first.rows.size(), kept.size());
    QVERIFY(first.rows.size() > 100 && first.table->rowCount() == kept.size());
}

void tst_database_readahead::failedReadIsSilentUntilASearch_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a database") << QByteArray(8192, 'x');
}

void tst_database_readahead::failedReadIsSilentUntilASearch()
{
    QFETCH(QByteArray, content);
    const QString path = m_folder->filePath(u"bad.mdb"_s);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    ReadAhead ahead;

    ahead.start(accessDriver + path);
    ahead.wait();

    QVERIFY_THROWS_EXCEPTION(DatabaseError, directoryTable(path));
}

QTEST_GUILESS_MAIN(tst_database_readahead)
#include "tst_database_readahead.moc"
