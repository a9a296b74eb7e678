#include "EdgeCases.h"
#include "LibMdbTable.h"
#include "MkBase.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::mkbase;

namespace {

constexpr int kMdbByte = 0x02;
constexpr int kMdbInteger = 0x03;
constexpr int kMdbLongInteger = 0x04;
constexpr int kMdbDouble = 0x07;
constexpr int kMdbText = 0x0A;

constexpr quint64 kGeneratedSeed = 42;
constexpr qint64 kGeneratedRows = 100'000;

std::optional<QString> fromUtf16(const std::u16string &text)
{
    if (text.empty()) // libmdb cannot tell the empty text from NULL
        return std::nullopt;
    return QString::fromStdU16String(text);
}

LibMdbRow expectedRow(const DirectoryEntry &entry)
{
    return {fromUtf16(entry.abonent), fromUtf16(entry.phone), fromUtf16(entry.address),
        entry.comment ? fromUtf16(*entry.comment) : std::nullopt,
        entry.lineType ? std::optional(QString::number(*entry.lineType)) : std::nullopt};
}

QString describe(const LibMdbRow &row)
{
    QStringList parts;
    for (const std::optional<QString> &value : row)
        parts.append(value ? u'"' + *value + u'"' : u"NULL"_s);
    return parts.join(u", ");
}

} // namespace

// Files from our writer, read back through mdbtools' libmdb and libmdbsql.
class tst_mkbase_libmdb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void catalogueNamesTablesAndColumns();
    void systemIndexesLeadToEveryRow_data();
    void systemIndexesLeadToEveryRow();
    void everyObjectHasPermissions();
    void edgeCases_data();
    void edgeCases();
    void numericAndTextColumns_data();
    void numericAndTextColumns();
    void emptyTable();
    void generatedRows();
    void likeQueryFindsWhatAScanFinds_data();
    void likeQueryFindsWhatAScanFinds();
    void sampleDirectoryShowsEveryFeature();

private:
    QTemporaryDir m_dir;
    QString m_edgePath;
    LibMdbTable m_edge;
    QString m_generatedPath;
};

void tst_mkbase_libmdb::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    m_edgePath = m_dir.filePath(u"edge.mdb"_s);
    QVERIFY2(writeMdbFromCsv(edgeCaseCsv(), m_edgePath, &error), qPrintable(error));
    QVERIFY2(readWithLibMdb(m_edgePath, u"Base"_s, &m_edge, &error), qPrintable(error));
    m_generatedPath = m_dir.filePath(u"generated.mdb"_s);
    QVERIFY2(generateDirectory(kGeneratedRows, kGeneratedSeed, m_generatedPath, &error), qPrintable(error));
}

void tst_mkbase_libmdb::catalogueNamesTablesAndColumns()
{
    QCOMPARE(m_edge.userTables, QStringList {u"Base"_s});
    QCOMPARE(
        m_edge.systemTables, (QStringList {u"MSysObjects"_s, u"MSysACEs"_s, u"MSysQueries"_s, u"MSysRelationships"_s}));
    QCOMPARE(m_edge.columns.size(), 5);
    const QList<std::tuple<QString, int, int>> expected = {{u"ABONENT"_s, kMdbText, 510}, {u"PHONE"_s, kMdbText, 100},
        {u"ADDRESS"_s, kMdbText, 510}, {u"COMMENT"_s, kMdbText, 510}, {u"NO_TYPE"_s, kMdbLongInteger, 4}};
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(m_edge.columns.at(i).name, std::get<0>(expected.at(i)));
        QCOMPARE(m_edge.columns.at(i).type, std::get<1>(expected.at(i)));
        QCOMPARE(m_edge.columns.at(i).size, std::get<2>(expected.at(i)));
    }
    QCOMPARE(m_edge.definitionRowCount, qint64(::edgeCases().size()));
}

void tst_mkbase_libmdb::systemIndexesLeadToEveryRow_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("indexes");
    QTest::newRow("MSysObjects") << u"MSysObjects"_s << QStringList {u"Id"_s, u"ParentIdName"_s};
    QTest::newRow("MSysACEs") << u"MSysACEs"_s << QStringList {u"ObjectId"_s};
    QTest::newRow("MSysQueries") << u"MSysQueries"_s << QStringList {u"ObjectIdAttribute"_s};
    QTest::newRow("MSysRelationships") << u"MSysRelationships"_s
                                       << QStringList {u"szObject"_s, u"szReferencedObject"_s, u"szRelationship"_s};
}

void tst_mkbase_libmdb::systemIndexesLeadToEveryRow()
{
    QFETCH(QString, table);
    QFETCH(QStringList, indexes);
    LibMdbTable read;
    QString error;
    QVERIFY2(readWithLibMdb(m_edgePath, table, &read, &error), qPrintable(error));
    QCOMPARE(read.definitionRowCount, read.rows.size());
    QStringList names;
    for (const LibMdbIndex &index : std::as_const(read.indexes)) {
        names.append(index.name);
        QCOMPARE(index.rowsInKeyOrder.size(), read.rows.size());
        QCOMPARE(QSet<quint32>(index.rowsInKeyOrder.cbegin(), index.rowsInKeyOrder.cend()).size(), read.rows.size());
    }
    names.sort();
    QCOMPARE(names, indexes);
}

void tst_mkbase_libmdb::everyObjectHasPermissions()
{
    LibMdbTable objects;
    LibMdbTable aces;
    QString error;
    QVERIFY2(readWithLibMdb(m_edgePath, u"MSysObjects"_s, &objects, &error), qPrintable(error));
    QVERIFY2(readWithLibMdb(m_edgePath, u"MSysACEs"_s, &aces, &error), qPrintable(error));
    QSet<QString> ids;
    for (const LibMdbRow &row : std::as_const(objects.rows))
        ids.insert(row.at(0).value_or(QString()));
    QSet<QString> withPermissions;
    for (const LibMdbRow &row : std::as_const(aces.rows))
        withPermissions.insert(row.at(0).value_or(QString()));
    QCOMPARE(ids.size(), 9);
    QCOMPARE(withPermissions, ids);
}

void tst_mkbase_libmdb::edgeCases_data()
{
    QTest::addColumn<int>("index");
    const QList<EdgeCase> cases = ::edgeCases();
    for (int i = 0; i < cases.size(); ++i) {
        if (cases.at(i).mdbtoolsReadsExactly)
            QTest::newRow(cases.at(i).name) << i;
    }
}

void tst_mkbase_libmdb::edgeCases()
{
    QFETCH(int, index);
    const EdgeCase edge = ::edgeCases().at(index);
    QCOMPARE(m_edge.rows.size(), ::edgeCases().size());
    LibMdbRow expected;
    for (const std::optional<QString> &text : edge.texts)
        expected.append(text && !text->isEmpty() ? text : std::nullopt);
    expected.append(edge.lineType ? std::optional(QString::number(*edge.lineType)) : std::nullopt);
    QCOMPARE(describe(m_edge.rows.at(index)), describe(expected));
}

void tst_mkbase_libmdb::numericAndTextColumns_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("csvValue");
    QTest::addColumn<int>("mdbType");
    QTest::addColumn<int>("mdbSize");
    QTest::addColumn<std::optional<QString>>("expected");

    QTest::newRow("byte 255") << u"byte"_s << QByteArray("255") << kMdbByte << 1 << std::optional(u"255"_s);
    QTest::newRow("byte null") << u"byte"_s << QByteArray() << kMdbByte << 1 << std::optional<QString>();
    QTest::newRow("integer min") << u"integer"_s << QByteArray("-32768") << kMdbInteger << 2
                                 << std::optional(u"-32768"_s);
    QTest::newRow("long with plus sign") << u"long"_s << QByteArray("+70") << kMdbLongInteger << 4
                                         << std::optional(u"70"_s);
    QTest::newRow("double fraction") << u"double"_s << QByteArray("21.5") << kMdbDouble << 8
                                     << std::optional(u"21.5"_s);
    QTest::newRow("double exponent") << u"double"_s << QByteArray("-1.5e300") << kMdbDouble << 8
                                     << std::optional(u"-1.5e+300"_s);
    QTest::newRow("number as text") << u"text(10)"_s << QByteArray("21") << kMdbText << 20 << std::optional(u"21"_s);
    QTest::newRow("text default length") << u"text"_s << QByteArray("\"99 \"") << kMdbText << 510
                                         << std::optional(u"99 "_s);
}

void tst_mkbase_libmdb::numericAndTextColumns()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, csvValue);
    QFETCH(int, mdbType);
    QFETCH(int, mdbSize);
    QFETCH(std::optional<QString>, expected);

    const QString path = m_dir.filePath(u"types.mdb"_s);
    QString error;
    QVERIFY2(writeMdbFromCsv(
                 "NO_TYPE,ID\n" + csvValue + ",7\n", path, &error, u"Справочник"_s, u"ID:long,NO_TYPE:"_s + type),
        qPrintable(error));
    LibMdbTable table;
    QVERIFY2(readWithLibMdb(path, u"Справочник"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.userTables, QStringList {u"Справочник"_s});
    QCOMPARE(table.columns.size(), 2);
    QCOMPARE(table.columns.at(1).name, u"NO_TYPE"_s);
    QCOMPARE(table.columns.at(1).type, mdbType);
    QCOMPARE(table.columns.at(1).size, mdbSize);
    QCOMPARE(table.rows.size(), 1);
    QCOMPARE(describe(table.rows.at(0)), describe({u"7"_s, expected}));
}

void tst_mkbase_libmdb::emptyTable()
{
    const QString path = m_dir.filePath(u"empty.mdb"_s);
    QString error;
    QVERIFY2(writeMdbFromCsv("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n", path, &error), qPrintable(error));
    LibMdbTable table;
    QVERIFY2(readWithLibMdb(path, u"Base"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.userTables, QStringList {u"Base"_s});
    QCOMPARE(table.columns.size(), 5);
    QCOMPARE(table.definitionRowCount, 0);
    QCOMPARE(table.rows.size(), 0);
}

void tst_mkbase_libmdb::generatedRows()
{
    LibMdbTable table;
    QString error;
    QVERIFY2(readWithLibMdb(m_generatedPath, u"Base"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.definitionRowCount, kGeneratedRows);
    QCOMPARE(table.rows.size(), kGeneratedRows);
    DirectoryGenerator generator(kGeneratedSeed);
    DirectoryEntry entry;
    for (qsizetype i = 0; i < table.rows.size(); ++i) {
        generator.next(&entry);
        if (table.rows.at(i) != expectedRow(entry))
            QFAIL(qPrintable(u"row %1: read %2, expected %3"_s.arg(i).arg(
                describe(table.rows.at(i)), describe(expectedRow(entry)))));
    }
}

void tst_mkbase_libmdb::likeQueryFindsWhatAScanFinds_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("needle");
    QTest::newRow("subscriber") << 0 << u"ИВАНОВ"_s;
    QTest::newRow("building") << 2 << u"КОРП. 2"_s;
    QTest::newRow("remark") << 3 << u"АПТЕКА"_s;
    QTest::newRow("dashed phone") << 1 << u"-"_s;
}

void tst_mkbase_libmdb::likeQueryFindsWhatAScanFinds()
{
    QFETCH(int, column);
    QFETCH(QString, needle);
    static const QStringList names = {u"ABONENT"_s, u"PHONE"_s, u"ADDRESS"_s, u"COMMENT"_s};

    QList<LibMdbRow> scanned;
    DirectoryGenerator generator(kGeneratedSeed);
    DirectoryEntry entry;
    for (qint64 i = 0; i < kGeneratedRows; ++i) {
        generator.next(&entry);
        const LibMdbRow row = expectedRow(entry);
        if (row.at(column) && row.at(column)->contains(needle))
            scanned.append(row);
    }
    QVERIFY(scanned.size() > 10);
    QList<LibMdbRow> found;
    QString error;
    const QString query = u"SELECT * FROM Base WHERE %1 LIKE '%%2%' "_s.arg(names.at(column), needle);
    QVERIFY2(queryWithLibMdbSql(m_generatedPath, query, &found, &error), qPrintable(error));
    QCOMPARE(found.size(), scanned.size());
    QVERIFY(found == scanned);
}

void tst_mkbase_libmdb::sampleDirectoryShowsEveryFeature()
{
    QFile csv(QStringLiteral(VELKARO_SAMPLE_CSV));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QString path = m_dir.filePath(u"sample.mdb"_s);
    QString error;
    QVERIFY2(writeMdbFromCsv(csv.readAll(), path, &error), qPrintable(error));
    LibMdbTable table;
    QVERIFY2(readWithLibMdb(path, u"Base"_s, &table, &error), qPrintable(error));
    QVERIFY(table.rows.size() >= 200 && table.rows.size() <= 1000);

    QSet<QString> codes;
    QList<int> nulls(5, 0);
    QSet<QString> features;
    for (const LibMdbRow &row : std::as_const(table.rows)) {
        for (int i = 0; i < 5; ++i)
            nulls[i] += row.at(i) ? 0 : 1;
        codes.insert(row.at(4).value_or(u"NULL"_s));
        const QString abonent = row.at(0).value_or(QString());
        const QString phone = row.at(1).value_or(QString());
        const QString address = row.at(2).value_or(QString());
        if (phone.startsWith(u' ') || phone.endsWith(u' '))
            features.insert(u"padded phone"_s);
        if (phone.contains(u'-'))
            features.insert(u"dashed phone"_s);
        features.insert(address.contains(u" КОРП. "_s) ? u"building"_s : u"no building"_s);
        static const QRegularExpression flatAtEnd(u" КВ\\.\\d+$"_s);
        features.insert(flatAtEnd.match(address).hasMatch() ? u"flat"_s : u"no flat"_s);
        if (abonent.contains(u'\''))
            features.insert(u"apostrophe"_s);
        if (abonent != abonent.toUpper())
            features.insert(u"lower case"_s);
        if (row.at(3) == u"АПТЕКА"_s)
            features.insert(u"pharmacy remark"_s);
        if (abonent.contains(u"ИВАНОВ"_s))
            features.insert(u"ИВАНОВ"_s);
    }
    for (int code = 2; code <= 70; ++code)
        QVERIFY2(codes.contains(QString::number(code)), qPrintable(u"no line type %1"_s.arg(code)));
    for (const QString &code : {u"0"_s, u"99"_s, u"NULL"_s})
        QVERIFY2(codes.contains(code), qPrintable(code));
    for (int i = 0; i < 5; ++i)
        QVERIFY2(nulls.at(i) > 0, qPrintable(u"no NULL in column %1"_s.arg(i)));
    const QStringList wanted = {u"padded phone"_s, u"dashed phone"_s, u"building"_s, u"no building"_s, u"flat"_s,
        u"no flat"_s, u"apostrophe"_s, u"lower case"_s, u"pharmacy remark"_s, u"ИВАНОВ"_s};
    for (const QString &feature : wanted)
        QVERIFY2(features.contains(feature), qPrintable(feature));
}

QTEST_GUILESS_MAIN(tst_mkbase_libmdb)
#include "tst_mkbase_libmdb.moc"
