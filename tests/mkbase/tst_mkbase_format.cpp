#include "Jet4FileBytes.h"
#include "Jet4IndexKeys.h"
#include "MkBase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace velkaro::mkbase;

namespace {

constexpr quint32 kCatalogueDefinitionPage = 2;
constexpr int kLvPropVariable = 8;
constexpr int kLvPropColumn = 14;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Tables of the catalogue: TDEF page -> name, from the MSysObjects rows of type 1.
QList<quint32> tableDefinitions(const Jet4FileBytes &file)
{
    QList<quint32> pages;
    const QByteArray owned = file.row(file.u32(kCatalogueDefinitionPage, 55));
    for (const quint32 page : file.mapPages(owned)) {
        for (const QByteArray &row : file.rows(page)) {
            const quint32 id = quint8(row[2]) | quint8(row[3]) << 8 | quint8(row[4]) << 16;
            if (quint8(row[10]) == 1)
                pages.append(id);
        }
    }
    return pages;
}

QString decodeUcs2(const QByteArray &bytes)
{
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

// A stored text: plain UCS-2, or FF FE and runs of one-byte and two-byte characters switched by 00.
QString decodeText(const QByteArray &bytes)
{
    if (!bytes.startsWith("\xFF\xFE"))
        return decodeUcs2(bytes);
    QString text;
    bool oneByte = true;
    for (qsizetype at = 2; at < bytes.size();) {
        if (bytes.at(at) == 0) {
            oneByte = !oneByte;
            ++at;
        } else if (oneByte) {
            text += QChar(quint8(bytes.at(at++)));
        } else {
            text += QChar(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
            at += 2;
        }
    }
    return text;
}

} // namespace

// The bookkeeping structures of files from our writer, read byte by byte.
class tst_mkbase_format : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void globalMapFreesExactlyThePagesPastTheEnd_data();
    void globalMapFreesExactlyThePagesPastTheEnd();
    void definitionsCountTheirRowsAndNameTheirPages_data();
    void definitionsCountTheirRowsAndNameTheirPages();
    void databasePropertiesNameTheAccessVersion();
    void systemIndexEntriesFollowTheRowsInKeyOrder();
    void nameKeysMatchAccess_data();
    void nameKeysMatchAccess();
    void refusesInputAboveTheFormatLimit();
    void csvKeepsByteOrderMarksInsideTheFile_data();
    void csvKeepsByteOrderMarksInsideTheFile();

private:
    QTemporaryDir m_dir;
};

void tst_mkbase_format::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_mkbase_format::globalMapFreesExactlyThePagesPastTheEnd_data()
{
    QTest::addColumn<qint64>("entries");
    QTest::addColumn<quint32>("minimumPages");
    QTest::addColumn<int>("mapType");
    QTest::newRow("small file") << qint64(100) << quint32(10) << 0;
    QTest::newRow("just above 512 pages") << qint64(19'000) << quint32(513) << 0;
    QTest::newRow("above 32,032 pages: bitmap pages") << qint64(1'200'000) << quint32(32'033) << 1;
}

void tst_mkbase_format::globalMapFreesExactlyThePagesPastTheEnd()
{
    QFETCH(qint64, entries);
    QFETCH(quint32, minimumPages);
    QFETCH(int, mapType);

    const QString path = m_dir.filePath(u"global.mdb"_s);
    QString error;
    QVERIFY2(generateDirectory(entries, 3, path, &error), qPrintable(error));
    const Jet4FileBytes file(readFile(path));
    QFile::remove(path);
    const quint32 pages = file.pageCount();
    QVERIFY(pages >= minimumPages);
    QCOMPARE(file.u32(1, 4), 1u);
    const QByteArray map = file.rows(1).value(0);
    QCOMPARE(int(map.at(0)), mapType);
    const QSet<quint32> free = file.mapPages(map);
    for (quint32 page = 0; page < pages; ++page) {
        if (free.contains(page))
            QFAIL(qPrintable(u"page %1 of %2 is in use but marked free"_s.arg(page).arg(pages)));
        const quint8 type = file.pageType(page);
        QVERIFY2(page == 0 || type == 1 || type == 2 || type == 4 || type == 5, qPrintable(QString::number(page)));
    }
    const quint32 rangeEnd = mapType == 0 ? std::max(512u, (pages + 7) / 8 * 8) : (pages + 32735) / 32736 * 32736;
    QCOMPARE(quint32(free.size()), rangeEnd - pages);
}

void tst_mkbase_format::definitionsCountTheirRowsAndNameTheirPages_data()
{
    QTest::addColumn<qint64>("entries");
    QTest::newRow("no entries") << qint64(0);
    QTest::newRow("three pages") << qint64(100);
    QTest::newRow("type-1 owned map") << qint64(20'000);
}

void tst_mkbase_format::definitionsCountTheirRowsAndNameTheirPages()
{
    QFETCH(qint64, entries);
    const QString path = m_dir.filePath(u"counts.mdb"_s);
    QString error;
    QVERIFY2(generateDirectory(entries, 5, path, &error), qPrintable(error));
    const Jet4FileBytes file(readFile(path));
    const QList<quint32> definitions = tableDefinitions(file);
    QCOMPARE(definitions.size(), 5);
    for (const quint32 definition : definitions) {
        QCOMPARE(file.pageType(definition), quint8(0x02));
        const QSet<quint32> owned = file.mapPages(file.row(file.u32(definition, 55)));
        qint64 rows = 0;
        quint32 last = 0;
        for (const quint32 page : owned) {
            QCOMPARE(file.u32(page, 4), definition);
            rows += file.rows(page).size();
            last = std::max(last, page);
        }
        QCOMPARE(qint64(file.u32(definition, 16)), rows);
        // The free-space map names the last page when another row fits there, and nothing else.
        const QSet<quint32> withRoom = file.mapPages(file.row(file.u32(definition, 59)));
        QVERIFY(withRoom.isEmpty() || withRoom == QSet<quint32> {last});
        if (rows == 0 || file.u16(last, 2) < 20)
            QVERIFY(withRoom.isEmpty());
        else if (file.u16(last, 2) >= 200)
            QVERIFY(!withRoom.isEmpty());
    }
}

void tst_mkbase_format::databasePropertiesNameTheAccessVersion()
{
    const QString path = m_dir.filePath(u"properties.mdb"_s);
    QString error;
    QVERIFY2(generateDirectory(1, 1, path, &error), qPrintable(error));
    const Jet4FileBytes file(readFile(path));
    QByteArray stream;
    const QByteArray owned = file.row(file.u32(kCatalogueDefinitionPage, 55));
    for (const quint32 page : file.mapPages(owned)) {
        for (const QByteArray &row : file.rows(page)) {
            if (row.mid(2, 4) == QByteArray::fromHex("00000010")) // MSysDb, Id 0x10000000
                stream = Jet4FileBytes::variableColumn(row, kLvPropVariable, kLvPropColumn);
        }
    }
    QVERIFY(stream.size() > 12);
    QVERIFY(quint8(stream.at(3)) & 0x80); // inline long value
    stream = stream.mid(12);
    QCOMPARE(stream.left(4), QByteArray("MR2\0", 4));
    // Blocks: u32 length, u16 type; 0x80 names the properties, 0x00 holds the values of the default map.
    QStringList names;
    QMap<QString, QString> values;
    for (int at = 4; at + 6 <= stream.size();) {
        const int length = int(qFromLittleEndian<quint32>(stream.constData() + at));
        const int type = qFromLittleEndian<quint16>(stream.constData() + at + 4);
        const QByteArray block = stream.mid(at + 6, length - 6);
        QVERIFY(length > 6);
        at += length;
        int pos = 0;
        if (type == 0x80) {
            for (; pos < block.size(); pos += 2 + qFromLittleEndian<quint16>(block.constData() + pos))
                names.append(decodeUcs2(block.mid(pos + 2, qFromLittleEndian<quint16>(block.constData() + pos))));
            continue;
        }
        QCOMPARE(type, 0);
        for (pos = int(qFromLittleEndian<quint32>(block.constData())); pos < block.size();) {
            const int valueLength = qFromLittleEndian<quint16>(block.constData() + pos);
            QCOMPARE(int(block.at(pos + 3)), 0x0A); // text
            const int name = qFromLittleEndian<quint16>(block.constData() + pos + 4);
            const int size = qFromLittleEndian<quint16>(block.constData() + pos + 6);
            values.insert(names.value(name), decodeUcs2(block.mid(pos + 8, size)));
            pos += valueLength;
        }
    }
    QCOMPARE(values, (QMap<QString, QString> {{u"AccessVersion"_s, u"08.50"_s}}));
}

void tst_mkbase_format::systemIndexEntriesFollowTheRowsInKeyOrder()
{
    const QString path = m_dir.filePath(u"indexes.mdb"_s);
    QString error;
    QVERIFY2(generateDirectory(10, 1, path, u"Zeta Base"_s, &error), qPrintable(error));
    const Jet4FileBytes file(readFile(path));
    const QList<quint32> definitions = tableDefinitions(file);
    int indexes = 0;
    for (const quint32 definition : definitions) {
        const quint32 rowCount = file.u32(definition, 16);
        for (const Jet4FileBytes::Index &index : file.indexes(definition)) {
            ++indexes;
            QCOMPARE(file.pageType(index.leafPage), quint8(0x04));
            QCOMPARE(file.u32(index.leafPage, 4), definition);
            const QList<QByteArray> entries = file.indexEntries(index.leafPage);
            QCOMPARE(quint32(entries.size()), rowCount);
            QSet<quint32> rowsSeen;
            QList<std::pair<quint32, QString>> parentAndName;
            for (int i = 0; i < entries.size(); ++i) {
                const QByteArray &entry = entries.at(i);
                if (i > 0)
                    QVERIFY2(entries.at(i - 1) < entry, entry.toHex().constData());
                const QByteArray row = file.row(qFromBigEndian<quint32>(entry.constData() + entry.size() - 4));
                QCOMPARE(file.u32(qFromBigEndian<quint32>(entry.constData() + entry.size() - 4) >> 8, 4), definition);
                rowsSeen.insert(qFromBigEndian<quint32>(entry.constData() + entry.size() - 4));
                // Long keys: 7F, then the value big-endian with the sign bit flipped; our catalogue's first index
                // column is always a Long at the start of the row.
                QCOMPARE(entry.at(0), char(0x7F));
                const quint32 key = qFromBigEndian<quint32>(entry.constData() + 1) ^ 0x80000000u;
                const int fixedOffset = index.columns.at(0) == 1 ? 4 : 0; // ParentId or Id / ObjectId
                QCOMPARE(key, qFromLittleEndian<quint32>(row.constData() + 2 + fixedOffset));
                if (index.columns == QList<int> {1, 2})
                    parentAndName.append({key, decodeUcs2(Jet4FileBytes::variableColumn(row, 0, 2)).toLower()});
            }
            QCOMPARE(quint32(rowsSeen.size()), rowCount);
            // With ASCII names the General order is alphabetical, ignoring case.
            QVERIFY(std::is_sorted(parentAndName.cbegin(), parentAndName.cend()));
        }
    }
    QCOMPARE(indexes, 7);
}

void tst_mkbase_format::nameKeysMatchAccess_data()
{
    // Keys of catalogue names as Access wrote them into its ParentIdName index.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("container") << u"Databases"_s << QByteArray::fromHex("7f4f4a6d4a4c4a6b516b0100");
    QTest::newRow("mixed case") << u"MSysNavPaneGroupCategories"_s
                                << QByteArray::fromHex("7f606b766b624a71664a62515569646f664d4a6d5155646959516b0100");
    QTest::newRow("digits and underscores")
        << u"f_75A72A8786B149369D90EB962DAB8A2C_Data"_s
        << QByteArray::fromHex(
               "7f532b0344404a443a4a464446424c383e483c42484f4836514c48423a4f4a4c464a3a4d2b034f4a6d4a0100");
}

void tst_mkbase_format::nameKeysMatchAccess()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, key);
    QByteArray written;
    QVERIFY(velkaro::mkbase::jet4::generalTextKey(name, &written));
    QCOMPARE(written.toHex(), key.toHex());
}

void tst_mkbase_format::refusesInputAboveTheFormatLimit()
{
    // Seven texts of 255 characters take one page a row: the 2 GB limit comes after about 524,000 rows.
    QList<ColumnDefinition> columns;
    for (int i = 0; i < 7; ++i)
        columns.append({u"T%1"_s.arg(i), ColumnType::Text, 255});
    Jet4TableWriter counter;
    QString error;
    QVERIFY2(counter.openForCounting(u"Base"_s, columns, &error), qPrintable(error));
    const std::u16string text(255, u'Ж');
    const std::vector<FieldValue> values(7, FieldValue::fromText(text));
    qint64 accepted = 0;
    while (counter.addRow(values.data(), &error))
        ++accepted;
    QVERIFY2(error.contains(u"2 GB"_s), qPrintable(error));
    QVERIFY2(accepted > 524'000 && accepted < 524'288, qPrintable(QString::number(accepted)));
}

void tst_mkbase_format::csvKeepsByteOrderMarksInsideTheFile_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("stored");
    QTest::newRow("before a letter") << QByteArray("\xEF\xBB\xBFX") << u"\uFEFFX"_s;
    QTest::newRow("alone") << QByteArray("\xEF\xBB\xBF") << u"\uFEFF"_s;
    QTest::newRow("quoted, before Cyrillic") << QByteArray("\"\xEF\xBB\xBF\xD0\xAF\"") << u"\uFEFFЯ"_s;
}

void tst_mkbase_format::csvKeepsByteOrderMarksInsideTheFile()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, stored);
    const QString path = m_dir.filePath(u"bom.mdb"_s);
    QString error;
    QVERIFY2(writeMdbFromCsv("\xEF\xBB\xBFT,N\n" + field + ",1\n", path, &error, u"Base"_s, u"T:text,N:long"_s),
        qPrintable(error));
    const Jet4FileBytes file(readFile(path));
    const QList<quint32> definitions = tableDefinitions(file);
    const quint32 user = definitions.last();
    const QList<quint32> pages = file.mapPages(file.row(file.u32(user, 55))).values();
    QCOMPARE(pages.size(), 1);
    QCOMPARE(decodeText(Jet4FileBytes::variableColumn(file.rows(pages.at(0)).value(0), 0, 0)), stored);
}

QTEST_GUILESS_MAIN(tst_mkbase_format)
#include "tst_mkbase_format.moc"
