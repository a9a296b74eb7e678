#include "LibMdbTable.h"
#include "MdbReaderScript.h"
#include "MkBase.h"
#include "Rc4.h"

#include <QFile>
#include <QJsonArray>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace velkaro::mkbase;

using Row = QList<std::optional<QString>>; // ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE
Q_DECLARE_METATYPE(velkaro::mkbase::Jet3Text)

namespace {

constexpr int kPageSize = 2048;
constexpr quint32 kUserTablePage = 8;
const QString kColumns = u"ABONENT:text,PHONE:text,ADDRESS:text,COMMENT:text,NO_TYPE:long"_s;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray csvOf(const QList<Row> &rows)
{
    QByteArray csv = "ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n";
    for (const Row &row : rows) {
        QByteArrayList fields;
        for (const std::optional<QString> &value : row)
            fields.append(value ? '"' + value->toUtf8().replace('"', "\"\"") + '"' : QByteArray());
        csv += fields.join(',') + '\n';
    }
    return csv;
}

// A text as a reader that decodes with readerCodePage gives it back, mapped to the code page its bytes are in.
QString asStored(const QString &read, quint16 readerCodePage, quint16 textCodePage)
{
    const QByteArray bytes = QStringEncoder(u"windows-%1"_s.arg(readerCodePage).toLatin1().constData()).encode(read);
    return QStringDecoder(u"windows-%1"_s.arg(textCodePage).toLatin1().constData()).decode(bytes);
}

// Texts long enough that rows pass 256, 512 and 768 bytes and need jump tables.
QList<Row> rowsOf(const QString &name, const QString &street, const QString &remark)
{
    const QString longStreet = (street + u' ').repeated(255).left(255);
    return {
        {name, u"2345678"_s, street + u" 5-12"_s, std::nullopt, u"21"_s},
        {name.repeated(20).left(255), u"1"_s, longStreet, remark.repeated(60).left(255), u"3"_s},
        {name.repeated(10).left(200), std::nullopt, longStreet.left(60), remark.repeated(50).left(255), std::nullopt},
        {u""_s, u""_s, u""_s, u""_s, u"0"_s},
        {remark.left(1), name.repeated(30).left(255), longStreet, longStreet, u"-7"_s},
    };
}

} // namespace

// Access 97 files from our writer: the code page and sort order in the header and in every column, and texts in the
// code page the client used, read back by mdbtools (which decodes with the header's code page) and mdb-reader
// (which always decodes Windows-1252). Mapping what they give back to the text code page proves the bytes.
class tst_mkbase_jet3 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsBackInItsCodePage_data();
    void readsBackInItsCodePage();

private:
    QTemporaryDir m_dir;
};

void tst_mkbase_jet3::readsBackInItsCodePage_data()
{
    QTest::addColumn<Jet3Text>("text");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QList<Row>>("rows");
    const QList<Row> russian = rowsOf(u"ЁЛКИН Я.Ю."_s, u"ЩОРСА"_s, u"яю в начале: FF FE"_s);
    QTest::newRow("russian, cyrillic sort order") << Jet3Text {1251, 1049, 1251} << u"Справочник"_s << russian;
    QTest::newRow("russian access, general sort order") << Jet3Text {1252, 1033, 1251} << u"Абоненты"_s << russian;
    QTest::newRow("western") << Jet3Text {1252, 1033, 1252} << u"Base"_s
                             << rowsOf(u"MÜLLER-LÜDENSCHEIDT"_s, u"Straße"_s, u"ÿþ café €"_s);
}

void tst_mkbase_jet3::readsBackInItsCodePage()
{
    QFETCH(Jet3Text, text);
    QFETCH(QString, table);
    QFETCH(QList<Row>, rows);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".mdb"_s);
    AccessFileKind kind;
    kind.format = AccessFormat::Jet3;
    kind.jet3 = text;
    QString error;
    QVERIFY2(writeAccessFile(csvOf(rows), path, kind, &error, table, kColumns), qPrintable(error));

    QByteArray bytes = readFile(path);
    QCOMPARE(bytes.size() % kPageSize, 0);
    constexpr quint8 kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kHeaderKey, 4, reinterpret_cast<quint8 *>(bytes.data()) + 0x18, 126);
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 0x3A), text.sortOrder);
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 0x3C), text.codePage);
    for (const quint32 page : {2u, kUserTablePage}) {
        const char *definition = bytes.constData() + page * kPageSize;
        const int columns = qFromLittleEndian<quint16>(definition + 25);
        for (int column = 0; column < columns; ++column) {
            const char *descriptor = definition + 43 + 18 * column;
            QCOMPARE(qFromLittleEndian<quint16>(descriptor + 9), text.sortOrder);
            QCOMPARE(qFromLittleEndian<quint16>(descriptor + 11), text.codePage);
        }
    }

    // mdbtools decodes names and texts with the header's code page, reports "" as NULL and numbers as text.
    LibMdbTable read;
    QVERIFY2(readWithLibMdb(path, asStored(table, text.textCodePage, text.codePage), &read, &error), qPrintable(error));
    QCOMPARE(read.definitionRowCount, rows.size());
    QCOMPARE(read.rows.size(), rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        for (qsizetype c = 0; c < 5; ++c) {
            const std::optional<QString> &got = read.rows.at(r).at(c);
            const std::optional<QString> &want = rows.at(r).at(c);
            QCOMPARE(got ? std::optional(asStored(*got, text.codePage, text.textCodePage)) : std::nullopt,
                want && !want->isEmpty() ? want : std::nullopt);
        }
    }

    QJsonObject json;
    QVERIFY2(readWithMdbReader(path, asStored(table, text.textCodePage, 1252), &json, &error), qPrintable(error));
    const QJsonArray jsonRows = json.value(u"rows"_s).toArray();
    QCOMPARE(jsonRows.size(), rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QJsonArray got = jsonRows.at(r).toArray();
        for (qsizetype c = 0; c < 4; ++c) {
            const std::optional<QString> &want = rows.at(r).at(c);
            QCOMPARE(got.at(c).isNull(), !want.has_value());
            if (want)
                QCOMPARE(asStored(got.at(c).toString(), 1252, text.textCodePage), *want);
        }
        const std::optional<QString> &lineType = rows.at(r).at(4);
        QCOMPARE(got.at(4).isNull() ? QString() : QString::number(got.at(4).toInt()), lineType.value_or(QString()));
    }
}

QTEST_GUILESS_MAIN(tst_mkbase_jet3)
#include "tst_mkbase_jet3.moc"
