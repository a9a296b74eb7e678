#include "MkBase.h"
#include "database/core/DatabaseError.h"
#include "database/readtable/ReadTableDecoder.h"
#include "database/readtable/ReadTableFixtures.h"
#include "database/readtable/ReaderProtocol.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace velkaro::database;
using namespace velkaro::mkbase;
using namespace Qt::Literals::StringLiterals;
using velkaro::database::reader_protocol::ReaderError;
using Row = QList<std::optional<QString>>;
// A page record's page and the rows up to the next one.
using PageRows = std::pair<quint32, int>;

Q_DECLARE_METATYPE(velkaro::mkbase::AccessFileKind)

namespace {

constexpr qint64 kRows = 400;
constexpr quint64 kSeed = 41;
const RowEdits kEdits {{0, 5, 37, 38, 200, 399}, {1, 60, 398}};

class PagedSink : public test::RecordingSink
{
public:
    void page(std::uint32_t number) override { m_pages.append({number, int(m_rows.size())}); }
    QList<PageRows> m_pages; // the page and the index of its first row
};

struct Read
{
    QList<Row> rows;
    QList<QString> columns;
    QList<PageRows> layout;
    int error = 0; // the ReaderError, -1 for a stream that ends early
};

Read read(const QString &path, const QStringList &options, const QByteArray &input = {})
{
    QProcess reader;
    reader.start(
        QCoreApplication::applicationDirPath() + u"/velkaro-reader"_s, QStringList {path, u"Base"_s} + options);
    if (!reader.waitForStarted())
        qFatal("cannot start the reader");
    reader.write(input);
    reader.closeWriteChannel();
    if (!reader.waitForFinished(60000))
        qFatal("the reader did not finish");
    const QByteArray stream = reader.readAllStandardOutput();

    PagedSink sink;
    Read result;
    try {
        ReadTableDecoder decoder(sink, std::uint64_t(QFileInfo(path).size()));
        std::memcpy(decoder.receiveBuffer(std::size_t(stream.size())), stream.data(), std::size_t(stream.size()));
        decoder.received(std::size_t(stream.size()));
        result.error = decoder.finished() ? 0 : -1;
    } catch (const DatabaseError &error) {
        const auto match = QRegularExpression(u"^reader: error (\\d+):"_s).match(QString::fromUtf8(error.what()));
        result.error = match.hasMatch() ? match.captured(1).toInt() : -1;
    }
    result.rows = sink.m_rows;
    for (const ColumnInfo &column : sink.m_columns)
        result.columns.append(column.name);
    for (qsizetype i = 0; i < sink.m_pages.size(); ++i) {
        const int stop = i + 1 < sink.m_pages.size() ? sink.m_pages[i + 1].second : int(sink.m_rows.size());
        result.layout.append({sink.m_pages[i].first, stop - sink.m_pages[i].second});
    }
    return result;
}

QByteArray placesInput(const QList<quint32> &places, qint64 count = -1)
{
    QByteArray bytes(4 + 4 * places.size(), '\0');
    test::writeU32(bytes, 0, quint32(count < 0 ? places.size() : count));
    for (qsizetype i = 0; i < places.size(); ++i)
        test::writeU32(bytes, 4 + 4 * i, places[i]);
    return bytes;
}

QStringList columnOptions(const QStringList &names)
{
    QStringList options;
    for (const QString &name : names)
        options << u"--column"_s << name;
    return options;
}

AccessFileKind kind(AccessFormat format, RowEdits edits, Jet3Text jet3 = {})
{
    AccessFileKind result;
    result.format = format;
    result.edits = std::move(edits);
    result.jet3 = jet3;
    return result;
}

} // namespace

// A reader asked for chosen columns streams exactly those of the whole read with the pages its rows are at home on;
// a reader asked for the rows at places taken from those pages streams exactly those rows; a bad request ends in its
// error.
class tst_reader_requests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void chosenColumnsAndPlaces_data();
    void chosenColumnsAndPlaces();
    void refused_data();
    void refused();

private:
    QString write(const QString &name, const AccessFileKind &kind);

    QTemporaryDir m_dir;
    QByteArray m_csv;
    QString m_edited;
    QList<PageRows> m_editedLayout;
};

void tst_reader_requests::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_csv = generatedDirectoryCsv(kRows, kSeed);
    m_edited = write(u"edited"_s, kind(AccessFormat::Jet4, kEdits));
    const Read edited = read(m_edited, columnOptions({u"PHONE"_s}));
    QCOMPARE(edited.error, 0);
    m_editedLayout = edited.layout;
    QVERIFY(m_editedLayout.size() > 2);
}

QString tst_reader_requests::write(const QString &name, const AccessFileKind &kind)
{
    const QString path = m_dir.filePath(name + u".mdb"_s);
    QString error;
    if (!writeAccessFile(m_csv, path, kind, &error))
        qFatal("writing %s failed: %s", qPrintable(path), qPrintable(error));
    return path;
}

void tst_reader_requests::chosenColumnsAndPlaces_data()
{
    QTest::addColumn<AccessFileKind>("kind");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("picked");

    QList<int> everyRow;
    for (int row = 0; row < kRows; ++row)
        everyRow.append(row);
    const Jet3Text russianGeneral {1252, 1033, 1251};
    QTest::newRow("jet4 moved and deleted")
        << kind(AccessFormat::Jet4, kEdits) << QStringList {u"address"_s, u"Abonent"_s} << QList {2, 0};
    QTest::newRow("jet4 every row moved") << kind(AccessFormat::Jet4, {everyRow, {}})
                                          << QStringList {u"NO_TYPE"_s, u"no_type"_s, u"abonent"_s} << QList {4, 4, 0};
    QTest::newRow("ace16 moved and deleted")
        << kind(AccessFormat::Ace16, kEdits) << QStringList {u"no_type"_s, u"PHONE"_s, u"comment"_s} << QList {4, 1, 3};
    QTest::newRow("jet3 general sort order, cyrillic texts, moved and deleted")
        << kind(AccessFormat::Jet3, kEdits, russianGeneral) << QStringList {u"COMMENT"_s, u"ADDRESS"_s} << QList {3, 2};
    QTest::newRow("jet3 cyrillic sort order")
        << kind(AccessFormat::Jet3, {}, {1251, 1049, 1251}) << QStringList {u"Abonent"_s, u"abonent"_s} << QList {0, 0};
}

void tst_reader_requests::chosenColumnsAndPlaces()
{
    QFETCH(AccessFileKind, kind);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, picked);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).remove(u',').replace(u' ', u'-');
    const QString path = write(name, kind);
    const Read whole = read(path, {});
    QCOMPARE(whole.error, 0);
    QCOMPARE(whole.rows.size(), kRows - kind.edits.deleted.size());

    const Read chosen = read(path, columnOptions(names));
    QCOMPARE(chosen.error, 0);
    QCOMPARE(chosen.rows.size(), whole.rows.size());
    for (qsizetype row = 0; row < whole.rows.size(); ++row) {
        Row expected;
        for (const int column : picked)
            expected.append(whole.rows[row][column]);
        QCOMPARE(chosen.rows[row], expected);
    }
    for (qsizetype i = 0; i < picked.size(); ++i)
        QCOMPARE(chosen.columns[i].toUpper(), names[i].toUpper());

    // Moved rows count at their home page: the layout is the unedited file's, less the deleted rows.
    AccessFileKind unedited = kind;
    unedited.edits = {};
    const Read plain = read(write(name + u"-plain"_s, unedited), columnOptions({u"PHONE"_s}));
    QList<PageRows> expectedLayout;
    int generated = 0;
    for (const auto &[page, rows] : plain.layout) {
        int kept = 0;
        for (const int stop = generated + rows; generated < stop; ++generated)
            kept += kind.edits.deleted.contains(generated) ? 0 : 1;
        if (kept > 0)
            expectedLayout.append({page, kept});
    }
    QCOMPARE(chosen.layout, expectedLayout);

    // The places of every third row, the moved ones and the last, from the page records.
    QList<int> written;
    for (int row = 0; row < kRows; ++row) {
        if (!kind.edits.deleted.contains(row))
            written.append(row);
    }
    QList<int> sample;
    QList<quint32> places;
    for (int row = 0; const auto &[page, rows] : chosen.layout) {
        for (int number = 0; number < rows; ++number, ++row) {
            if (row % 3 == 0 || kind.edits.moved.contains(written[row]) || row == whole.rows.size() - 1) {
                sample.append(row);
                places.append(page << 8 | quint32(number));
            }
        }
    }
    const Read placed = read(path, {u"--rows"_s}, placesInput(places));
    QCOMPARE(placed.error, 0);
    QCOMPARE(placed.columns, whole.columns);
    QVERIFY(placed.layout.isEmpty());
    QCOMPARE(placed.rows.size(), sample.size());
    for (qsizetype i = 0; i < sample.size(); ++i)
        QCOMPARE(placed.rows[i], whole.rows[sample[i]]);
}

void tst_reader_requests::refused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("rows");

    const auto [first, firstRows] = m_editedLayout.first();
    const quint32 filePages = quint32(QFileInfo(m_edited).size() / test::kJet4PageSize);
    const QStringList rows {u"--rows"_s};
    const int unreadable = int(ReaderError::RowUnreadable);
    const int usage = int(ReaderError::Usage);
    QTest::newRow("unknown column") << columnOptions({u"ABONENT"_s, u"ABONENTS"_s}) << QByteArray()
                                    << int(ReaderError::ColumnNotFound) << 0;
    QTest::newRow("no places") << rows << placesInput({}) << 0 << 0;
    QTest::newRow("number past the page's rows")
        << rows << placesInput({first << 8, first << 8 | quint32(firstRows)}) << unreadable << 1;
    QTest::newRow("the header page") << rows << placesInput({0}) << unreadable << 0;
    // Appended to the table by the edits: moved rows' data, no home slot.
    QTest::newRow("the file's last page") << rows << placesInput({(filePages - 1) << 8}) << unreadable << 0;
    QTest::newRow("past the file") << rows << placesInput({filePages << 8}) << unreadable << 0;
    QTest::newRow("not ascending") << rows << placesInput({first << 8 | 1, first << 8}) << usage << 0;
    QTest::newRow("repeated") << rows << placesInput({first << 8, first << 8}) << usage << 0;
    QTest::newRow("short") << rows << placesInput({first << 8}, 2) << usage << 0;
    QTest::newRow("bytes over") << rows << placesInput({first << 8}) + "x" << usage << 0;
    QTest::newRow("count too high") << rows << placesInput({}, reader_protocol::kMaxPlaces + 1) << usage << 0;
    QTest::newRow("no stdin") << rows << QByteArray() << usage << 0;
    QTest::newRow("rows and a column") << QStringList {u"--rows"_s, u"--column"_s, u"PHONE"_s} << placesInput({})
                                       << usage << 0;
    QTest::newRow("column without a name") << QStringList {u"--column"_s} << QByteArray() << usage << 0;
    QTest::newRow("empty column name") << columnOptions({u"PHONE"_s, QString()}) << QByteArray() << usage << 0;
}

void tst_reader_requests::refused()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(int, error);
    QFETCH(int, rows);
    const Read result = read(m_edited, options, input);
    QCOMPARE(result.error, error);
    QCOMPARE(result.rows.size(), rows);
}

QTEST_GUILESS_MAIN(tst_reader_requests)
#include "tst_reader_requests.moc"
