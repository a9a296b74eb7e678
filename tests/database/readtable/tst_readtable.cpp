#include "database/readtable/ReadTableFixtures.h"

#include "DirectoryGenerator.h"
#include "database/core/DatabaseError.h"
#include "database/readtable/TableSource.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;
using Row = QList<std::optional<QString>>;

namespace {

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

std::optional<QString> fromGenerated(const std::u16string &value)
{
    return QString::fromStdU16String(value);
}

} // namespace

class tst_readtable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void generatedDirectory();
    void identicalPagesOfIdenticalEntries();

private:
    QTemporaryDir m_dir;
};

void tst_readtable::roundTrip_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("columnList");
    QTest::addColumn<std::vector<ColumnInfo>>("columns");
    QTest::addColumn<QList<Row>>("rows");

    const std::vector<ColumnInfo> directoryColumns = {{u"ABONENT"_s, ColumnKind::Text}, {u"PHONE"_s, ColumnKind::Text},
        {u"ADDRESS"_s, ColumnKind::Text}, {u"COMMENT"_s, ColumnKind::Text}, {u"NO_TYPE"_s, ColumnKind::Number}};
    const QString longCyrillic = QString(255, QChar(0x0416));
    QTest::newRow("null and empty text told apart")
        << QByteArray("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n\"\",,\"\",,\n,\"\",,\"\",0\n") << QString()
        << directoryColumns
        << QList<Row> {{u""_s, std::nullopt, u""_s, std::nullopt, std::nullopt},
               {std::nullopt, u""_s, std::nullopt, u""_s, u"0"_s}};
    QTest::newRow("cyrillic and blanks kept")
        << (QByteArray("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n") + longCyrillic.toUtf8()
               + text(",\" 12-34-56 \",\"УЛ. ЛЕНИНА  Д 5  КВ. 7\",\"  \",-2147483648\n"
                      "иванов и.и.,0,\"ПР. МИРА, Д 1 КОРП 2\",ремонт,2147483647\n")
                     .toUtf8())
        << QString() << directoryColumns
        << QList<Row> {{longCyrillic, u" 12-34-56 "_s, text("УЛ. ЛЕНИНА  Д 5  КВ. 7"), u"  "_s, u"-2147483648"_s},
               {text("иванов и.и."), u"0"_s, text("ПР. МИРА, Д 1 КОРП 2"), text("ремонт"), u"2147483647"_s}};
    QTest::newRow("number kinds in C notation")
        << QByteArray("B,I,D,T\n255,-32768,0.5,x\n0,32767,-12345.25,\n,,,y\n")
        << u"B:byte,I:integer,D:double,T:text(10)"_s
        << std::vector<ColumnInfo> {{u"B"_s, ColumnKind::Number}, {u"I"_s, ColumnKind::Number},
               {u"D"_s, ColumnKind::Number}, {u"T"_s, ColumnKind::Text}}
        << QList<Row> {{u"255"_s, u"-32768"_s, u"0.5"_s, u"x"_s}, {u"0"_s, u"32767"_s, u"-12345.25"_s, std::nullopt},
               {std::nullopt, std::nullopt, std::nullopt, u"y"_s}};
    QTest::newRow("numbers read back exactly")
        << QByteArray("D\n1.7976931348623157e308\n-5e-324\n0.1\n1e22\n123456789.123\n") << u"D:double"_s
        << std::vector<ColumnInfo> {{u"D"_s, ColumnKind::Number}}
        << QList<Row> {{u"1.7976931348623157e+308"_s}, {u"-5e-324"_s}, {u"0.1"_s}, {u"1e+22"_s}, {u"123456789.123"_s}};
    // Every type a directory's line-type code comes in, text lengths from 1 to 255, any column order.
    const QByteArray entry = text("NO_TYPE,ABONENT,PHONE,ADDRESS,COMMENT\n21,Ж,7,А,\n").toUtf8();
    for (const char *type : {"byte", "integer", "long", "double", "text(3)"}) {
        QTest::addRow("NO_TYPE %s", type)
            << entry
            << u"NO_TYPE:"_s + QLatin1String(type) + u",ABONENT:text(1),PHONE:text(255),ADDRESS:text,COMMENT:text(9)"_s
            << std::vector<ColumnInfo> {{u"NO_TYPE"_s, type[0] == 't' ? ColumnKind::Text : ColumnKind::Number},
                   {u"ABONENT"_s, ColumnKind::Text}, {u"PHONE"_s, ColumnKind::Text}, {u"ADDRESS"_s, ColumnKind::Text},
                   {u"COMMENT"_s, ColumnKind::Text}}
            << QList<Row> {{u"21"_s, text("Ж"), u"7"_s, text("А"), std::nullopt}};
    }
    QTest::newRow("table without rows") << QByteArray("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n") << QString()
                                        << directoryColumns << QList<Row> {};
}

void tst_readtable::roundTrip()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, columnList);
    QFETCH(std::vector<ColumnInfo>, columns);
    QFETCH(QList<Row>, rows);

    const QString path =
        writeMdb(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".mdb"_s), csv, columnList);
    RecordingSink sink;
    readTable(path, u"Base"_s, sink);
    QCOMPARE(sink.m_columns, columns);
    QCOMPARE(sink.m_rows, rows);
}

void tst_readtable::generatedDirectory()
{
    // Several data pages; rows come back in the order they were written.
    constexpr qint64 kRows = 5000;
    const QString path = writeDirectory(m_dir.filePath(u"directory.mdb"_s), kRows, 7);
    RecordingSink sink;
    readTable(path, u"base"_s, sink);
    QCOMPARE(sink.m_rows.size(), kRows);

    velkaro::mkbase::DirectoryGenerator generator(7);
    velkaro::mkbase::DirectoryEntry entry;
    for (qint64 i = 0; i < kRows; ++i) {
        generator.next(&entry);
        const Row expected = {fromGenerated(entry.abonent), fromGenerated(entry.phone), fromGenerated(entry.address),
            entry.comment ? fromGenerated(*entry.comment) : std::nullopt,
            entry.lineType ? std::optional(QString::number(*entry.lineType)) : std::nullopt};
        QCOMPARE(sink.m_rows.at(i), expected);
    }
}

void tst_readtable::identicalPagesOfIdenticalEntries()
{
    // A healthy table can hold byte-identical data pages, so identical pages alone never mark a copied page.
    constexpr qint64 kEntries = 1000;
    const QString path = writeMdb(m_dir.filePath(u"same.mdb"_s),
        "ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n"
            + text("ИВАНОВ И.И.,1234567,УЛ. ЛЕНИНА Д 5 КВ. 7,,21\n").toUtf8().repeated(int(kEntries)));
    const QByteArray mdb = readFile(path);
    QSet<QByteArray> pages;
    int dataPages = 0;
    for (qsizetype at = kJet4PageSize; at < mdb.size(); at += kJet4PageSize) {
        if (mdb.at(at) == 0x01) {
            ++dataPages;
            pages.insert(mdb.mid(at, kJet4PageSize));
        }
    }
    QVERIFY(pages.size() < dataPages - 1);

    CountingSink sink;
    readTable(path, u"Base"_s, sink);
    QCOMPARE(sink.m_rows, kEntries);
}

QTEST_GUILESS_MAIN(tst_readtable)
#include "tst_readtable.moc"
