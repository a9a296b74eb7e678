#include "EdgeCases.h"
#include "MdbReaderScript.h"
#include "MkBase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::mkbase;

namespace {

QJsonValue textValue(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue();
}

QJsonArray expectedRow(const QList<std::optional<QString>> &texts, std::optional<qint64> lineType)
{
    QJsonArray row;
    for (const std::optional<QString> &text : texts)
        row.append(textValue(text));
    row.append(lineType ? QJsonValue(double(*lineType)) : QJsonValue());
    return row;
}

QJsonArray expectedRow(const DirectoryEntry &entry)
{
    return expectedRow({QString::fromStdU16String(entry.abonent), QString::fromStdU16String(entry.phone),
                           QString::fromStdU16String(entry.address),
                           entry.comment ? std::optional(QString::fromStdU16String(*entry.comment)) : std::nullopt},
        entry.lineType);
}

} // namespace

// Files from our writer, read back by the npm package mdb-reader under Node.js.
class tst_mkbase_mdbreader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void catalogueNamesTablesAndColumns();
    void edgeCases_data();
    void edgeCases();
    void numericColumns();
    void emptyTable();
    void generatedRows();

private:
    QTemporaryDir m_dir;
    QJsonObject m_edge;
};

void tst_mkbase_mdbreader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"edge.mdb"_s);
    QString error;
    QVERIFY2(writeMdbFromCsv(edgeCaseCsv(), path, &error), qPrintable(error));
    QVERIFY2(readWithMdbReader(path, u"Base"_s, &m_edge, &error), qPrintable(error));
}

void tst_mkbase_mdbreader::catalogueNamesTablesAndColumns()
{
    QCOMPARE(m_edge.value(u"tables"_s).toArray(), QJsonArray {u"Base"_s});
    QCOMPARE(m_edge.value(u"systemTables"_s).toArray(),
        (QJsonArray {u"MSysObjects"_s, u"MSysACEs"_s, u"MSysQueries"_s, u"MSysRelationships"_s}));
    const QJsonArray columns = m_edge.value(u"columns"_s).toArray();
    const QStringList expected = {
        u"ABONENT text 510"_s, u"PHONE text 100"_s, u"ADDRESS text 510"_s, u"COMMENT text 510"_s, u"NO_TYPE long 4"_s};
    QStringList actual;
    for (const QJsonValue &column : columns) {
        actual.append(u"%1 %2 %3"_s.arg(column[u"name"_s].toString(), column[u"type"_s].toString())
                          .arg(column[u"size"_s].toInt()));
    }
    QCOMPARE(actual, expected);
    QCOMPARE(m_edge.value(u"rowCount"_s).toInt(), ::edgeCases().size());
}

void tst_mkbase_mdbreader::edgeCases_data()
{
    QTest::addColumn<int>("index");
    const QList<EdgeCase> cases = ::edgeCases();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases.at(i).name) << i;
}

void tst_mkbase_mdbreader::edgeCases()
{
    QFETCH(int, index);
    const EdgeCase edge = ::edgeCases().at(index);
    const QJsonArray rows = m_edge.value(u"rows"_s).toArray();
    QCOMPARE(rows.size(), ::edgeCases().size());
    QCOMPARE(rows.at(index).toArray(), expectedRow(edge.texts, edge.lineType));
}

void tst_mkbase_mdbreader::numericColumns()
{
    const QString path = m_dir.filePath(u"numbers.mdb"_s);
    QString error;
    const QByteArray csv = "Т,B,I,L,D\n"
                           "\"\",255,-32768,-2147483648,21.5\n"
                           "x,0,32767,2147483647,-1.5e300\n"
                           ",,,,\n";
    QVERIFY2(writeMdbFromCsv(csv, path, &error, u"Числа"_s, u"B:byte,I:integer,L:long,D:double,Т:text(3)"_s),
        qPrintable(error));
    QJsonObject table;
    QVERIFY2(readWithMdbReader(path, u"Числа"_s, &table, &error), qPrintable(error));
    QStringList types;
    for (const QJsonValue &column : table.value(u"columns"_s).toArray())
        types.append(column[u"name"_s].toString() + u' ' + column[u"type"_s].toString());
    QCOMPARE(types, (QStringList {u"B byte"_s, u"I integer"_s, u"L long"_s, u"D double"_s, u"Т text"_s}));
    const QJsonArray expected = {
        QJsonArray {255, -32768, -2147483648.0, 21.5, u""_s},
        QJsonArray {0, 32767, 2147483647.0, -1.5e300, u"x"_s},
        QJsonArray {QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue()},
    };
    QCOMPARE(table.value(u"rows"_s).toArray(), expected);
}

void tst_mkbase_mdbreader::emptyTable()
{
    const QString path = m_dir.filePath(u"empty.mdb"_s);
    QString error;
    QVERIFY2(writeMdbFromCsv("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\r\n", path, &error), qPrintable(error));
    QJsonObject table;
    QVERIFY2(readWithMdbReader(path, u"Base"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.value(u"columns"_s).toArray().size(), 5);
    QCOMPARE(table.value(u"rowCount"_s).toInt(), 0);
    QCOMPARE(table.value(u"rows"_s).toArray().size(), 0);
}

void tst_mkbase_mdbreader::generatedRows()
{
    constexpr qint64 rowCount = 100'000;
    constexpr quint64 seed = 2024;
    const QString path = m_dir.filePath(u"generated.mdb"_s);
    QString error;
    QVERIFY2(generateDirectory(rowCount, seed, path, &error), qPrintable(error));
    QJsonObject table;
    QVERIFY2(readWithMdbReader(path, u"Base"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.value(u"rowCount"_s).toInteger(), rowCount);
    const QJsonArray rows = table.value(u"rows"_s).toArray();
    QCOMPARE(rows.size(), rowCount);
    DirectoryGenerator generator(seed);
    DirectoryEntry entry;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        generator.next(&entry);
        if (rows.at(i).toArray() != expectedRow(entry)) {
            QFAIL(qPrintable(u"row %1 reads %2"_s.arg(i).arg(
                QString::fromUtf8(QJsonDocument(rows.at(i).toArray()).toJson(QJsonDocument::Compact)))));
        }
    }
}

QTEST_GUILESS_MAIN(tst_mkbase_mdbreader)
#include "tst_mkbase_mdbreader.moc"
