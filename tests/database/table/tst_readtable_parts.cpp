#include "database/readtable/ReadTableFixtures.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderRun.h"
#include "database/table/ReadByPlace.h"
#include "database/table/ReadWholeTable.h"
#include "database/table/TableBuilder.h"
#include "database/table/TextColumn.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr std::int64_t kAlwaysParts = 0;
constexpr std::int64_t kNeverParts = std::numeric_limits<std::int64_t>::max();

// Every value of a table as the engine sees it: null, original text and folded text per row and column.
QStringList dump(const Table &table)
{
    QStringList lines;
    for (std::uint32_t row = 0; row < table.rowCount(); ++row) {
        QString line;
        for (std::size_t column = 0; column < table.columns().size(); ++column) {
            const TextColumn &values = table.values(column);
            const std::string_view folded = values.folded(row);
            line += values.isNull(row)
                ? u"<null>"_s
                : values.text(row) + u'|' + QString::fromUtf8(folded.data(), qsizetype(folded.size()));
            line += u'\t';
        }
        lines.append(line);
    }
    return lines;
}

ChosenColumns chosenWith(const QString &path, std::int64_t partThreshold)
{
    ReaderOptions options = impatientReader();
    options.chosenColumnsPartThreshold = partThreshold;
    return readChosenColumns(path, u"Base"_s, {u"NO_TYPE"_s, u"PHONE"_s}, options);
}

std::shared_ptr<const Table> readWith(const QString &path, std::int64_t partThreshold)
{
    ReaderOptions options = impatientReader();
    options.partThreshold = partThreshold;
    return readWholeTable(path, u"Base"_s, options);
}

// Start of page `page` of the table's data pages, counted from the end.
qsizetype dataPageFromEnd(const QByteArray &mdb, int page)
{
    const int definition = findTableDefinitionPage(mdb, u"ABONENT"_s);
    for (qsizetype at = mdb.size() / kJet4PageSize - 1; at > 0; --at) {
        if (mdb.at(at * kJet4PageSize) == 0x01 && readU32(mdb, at * kJet4PageSize + 4) == quint32(definition)
            && page-- == 0)
            return at * kJet4PageSize;
    }
    return -1;
}

} // namespace

class tst_readtable_parts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void partsOfTheReader_data();
    void partsOfTheReader();
    void joinedAsOneBuilder_data();
    void joinedAsOneBuilder();
    void wholeTableInTwoParts_data();
    void wholeTableInTwoParts();
    void damagedPart_data();
    void damagedPart();

private:
    QString variant(const QString &name, const std::function<void(QByteArray &)> &patch);

    QTemporaryDir m_dir;
    QString m_directory;
};

void tst_readtable_parts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_directory = writeDirectory(m_dir.filePath(u"directory.mdb"_s), 5000, 13);
}

void tst_readtable_parts::cleanup()
{
    QCOMPARE(readerChildren(), 0);
}

QString tst_readtable_parts::variant(const QString &name, const std::function<void(QByteArray &)> &patch)
{
    QByteArray bytes = readFile(m_directory);
    patch(bytes);
    const QString path = m_dir.filePath(name);
    writeFile(path, bytes);
    return path;
}

void tst_readtable_parts::partsOfTheReader_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("parts");
    QTest::addColumn<bool>("everyPartHasRows");

    QTest::newRow("halves of many pages") << 5000 << 2 << true;
    QTest::newRow("fifths of many pages") << 5000 << 5 << true;
    // The file's page numbers are split, so the parts before the one page of rows stream nothing.
    QTest::newRow("one data page in halves") << 3 << 2 << false;
    QTest::newRow("no rows in halves") << 0 << 2 << false;
}

void tst_readtable_parts::partsOfTheReader()
{
    QFETCH(int, rows);
    QFETCH(int, parts);
    QFETCH(bool, everyPartHasRows);

    const QString path =
        rows == 5000 ? m_directory : writeDirectory(m_dir.filePath(u"rows%1.mdb"_s.arg(rows)), rows, 17);
    RecordingSink whole;
    readTable(path, u"Base"_s, whole, impatientReader());

    const std::atomic<bool> never = false;
    RecordingSink joined;
    for (int index = 0; index < parts; ++index) {
        RecordingSink part;
        ReaderRequest request;
        request.part = {std::uint32_t(index), std::uint32_t(parts)};
        ReaderRun reader(path, u"Base"_s, request, impatientReader());
        reader.run(part, never);
        QCOMPARE(reader.expectedRows(), std::uint32_t(rows));
        QCOMPARE(reader.rows(), std::uint64_t(part.m_rows.size()));
        QCOMPARE(part.m_columns, whole.m_columns);
        if (everyPartHasRows)
            QVERIFY(!part.m_rows.isEmpty());
        joined.m_rows += part.m_rows;
    }
    QCOMPARE(joined.m_rows, whole.m_rows);
}

void tst_readtable_parts::joinedAsOneBuilder_data()
{
    QTest::addColumn<int>("split");

    // Null bits of the second part land on a word boundary, inside a word, or there is no first or second part.
    QTest::newRow("empty first part") << 0;
    QTest::newRow("split at a null word") << 64;
    QTest::newRow("split inside a null word") << 100;
    QTest::newRow("empty second part") << 170;
}

void tst_readtable_parts::joinedAsOneBuilder()
{
    QFETCH(int, split);

    const std::vector<ColumnInfo> columns = {{u"NAME"_s, ColumnKind::Text}, {u"N"_s, ColumnKind::Number}};
    TableBuilder first, second, whole;
    for (TableBuilder *builder : {&first, &second, &whole})
        builder->columns(columns);
    for (int row = 0; row < 170; ++row) {
        // Nulls, texts that fold (kept as originals) and texts that do not, in a pattern that crosses the split.
        const QByteArray name = row % 3 == 0 ? QByteArray() : QString(u"жук %1"_s.arg(row)).toUtf8();
        const QByteArray number = row % 7 == 0 ? QByteArray() : QByteArray::number(row);
        const FieldView fields[] = {{name.constData(), std::uint32_t(name.size()), name.isNull()},
            {number.constData(), std::uint32_t(number.size()), number.isNull()}};
        (row < split ? first : second).row(fields);
        whole.row(fields);
    }
    first.append(std::move(second));
    const auto joined = first.take();
    const auto expected = whole.take();
    QCOMPARE(joined->rowCount(), 170u);
    QCOMPARE(dump(*joined), dump(*expected));
    QCOMPARE(joined->values(0).foldedTexts(), expected->values(0).foldedTexts());
}

void tst_readtable_parts::wholeTableInTwoParts_data()
{
    QTest::addColumn<int>("rows");

    QTest::newRow("many pages") << 5000;
    QTest::newRow("one data page") << 3;
}

void tst_readtable_parts::wholeTableInTwoParts()
{
    QFETCH(int, rows);

    const QString path =
        rows == 5000 ? m_directory : writeDirectory(m_dir.filePath(u"rows%1.mdb"_s.arg(rows)), rows, 17);
    const auto inParts = readWith(path, kAlwaysParts);
    const auto inOne = readWith(path, kNeverParts);
    QCOMPARE(inParts->rowCount(), std::uint32_t(rows));
    QCOMPARE(inParts->columns(), inOne->columns());
    QCOMPARE(dump(*inParts), dump(*inOne));

    // Two readers of chosen columns give the rows and places of one.
    const ChosenColumns chosenInParts = chosenWith(path, kAlwaysParts);
    const ChosenColumns chosenInOne = chosenWith(path, kNeverParts);
    QCOMPARE(chosenInParts.table->columns(), chosenInOne.table->columns());
    QCOMPARE(dump(*chosenInParts.table), dump(*chosenInOne.table));
    for (std::uint32_t row = 0; row < std::uint32_t(rows); ++row)
        QCOMPARE(chosenInParts.places.of(row), chosenInOne.places.of(row));
}

void tst_readtable_parts::damagedPart_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("because");

    // The library says so on stderr, in the second reader.
    QTest::newRow("last data page not a data page")
        << variant(u"page-type.mdb"_s, [](QByteArray &b) { b[dataPageFromEnd(b, 0)] = 0x00; }) << u"part 2 of 2"_s;
    // The library skips the row without a word; only the sum of the parts' rows shows it.
    QTest::newRow("row slot past the page in the second half")
        << variant(u"slot.mdb"_s, [](QByteArray &b) { writeU16(b, dataPageFromEnd(b, 1) + 0x0e, 0x1FFF); })
        << u"the table counts"_s;
}

void tst_readtable_parts::damagedPart()
{
    QFETCH(QString, path);
    QFETCH(QString, because);

    for (const bool chosen : {false, true}) {
        try {
            if (chosen)
                chosenWith(path, kAlwaysParts);
            else
                readWith(path, kAlwaysParts);
            QFAIL("a damaged file was read");
        } catch (const DatabaseError &error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(because), error.what());
        }
        QCOMPARE(readerChildren(), 0);
    }
    QCOMPARE(readWith(m_directory, kAlwaysParts)->rowCount(), 5000u);
}

QTEST_GUILESS_MAIN(tst_readtable_parts)
#include "tst_readtable_parts.moc"
