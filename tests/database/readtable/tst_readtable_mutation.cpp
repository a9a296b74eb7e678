#include "database/readtable/ReadTableFixtures.h"

#include "MkBase.h"
#include "database/core/DatabaseError.h"
#include "database/readtable/TableSource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace velkaro::mkbase;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(velkaro::mkbase::AccessFileKind)

namespace {

constexpr qint64 kRows = 400;
constexpr int kMutants = 300;

// Where a format keeps what the mutations aim at.
struct Format
{
    qsizetype pageSize;
    qsizetype columnCounts; // the definition's column counts, 6 bytes
    qsizetype descriptors; // the first column descriptor of a definition without indexes
    qsizetype descriptorSize;
    qsizetype rowOffsets; // the row offset table of a data page
};

constexpr Format kJet4Format {4096, 41, 63, 25, 14};
constexpr Format kJet3Format {2048, 21, 43, 18, 10};

qsizetype definitionAt(const QByteArray &bytes, const Format &format)
{
    // A Jet 4 definition names its columns in UTF-16, a Jet 3 one in single bytes.
    const QByteArray name = format.pageSize == 4096 ? QByteArray("A\0B\0O\0N\0E\0N\0T\0", 14) : QByteArray("ABONENT");
    for (qsizetype at = format.pageSize; at < bytes.size(); at += format.pageSize) {
        if (bytes.at(at) == 0x02 && bytes.mid(at, format.pageSize).contains(name))
            return at;
    }
    qFatal("no definition");
}

QList<qsizetype> dataPages(const QByteArray &bytes, const Format &format)
{
    const quint32 definition = quint32(definitionAt(bytes, format) / format.pageSize);
    QList<qsizetype> pages;
    for (qsizetype at = format.pageSize; at + format.pageSize <= bytes.size(); at += format.pageSize) {
        if (bytes.at(at) == 0x01 && readU32(bytes, at + 4) == definition)
            pages.append(at);
    }
    return pages;
}

void truncate(QByteArray &bytes, QRandomGenerator &random, const Format &)
{
    bytes.truncate(qsizetype(random.bounded(quint32(bytes.size()))));
}

void flipBits(QByteArray &bytes, QRandomGenerator &random, const Format &)
{
    const int flips = 1 + int(random.bounded(8));
    for (int i = 0; i < flips; ++i)
        bytes[random.bounded(quint32(bytes.size()))] ^= char(1 << random.bounded(8));
}

void swapPages(QByteArray &bytes, QRandomGenerator &random, const Format &format)
{
    const quint32 pages = quint32(bytes.size() / format.pageSize);
    const qsizetype a = qsizetype(random.bounded(pages)) * format.pageSize;
    const qsizetype b = qsizetype(random.bounded(pages)) * format.pageSize;
    const QByteArray first = bytes.mid(a, format.pageSize);
    bytes.replace(a, format.pageSize, bytes.mid(b, format.pageSize));
    bytes.replace(b, format.pageSize, first);
}

// One byte of the table definition's counts or column descriptors set to a random value.
void damageDefinition(QByteArray &bytes, QRandomGenerator &random, const Format &format)
{
    const qsizetype definition = definitionAt(bytes, format);
    const quint32 at = random.bounded(quint32(6 + 5 * format.descriptorSize));
    bytes[definition + (at < 6 ? format.columnCounts + at : format.descriptors + at - 6)] = char(random.bounded(256));
}

// One data page of the table copied over another.
void duplicatePage(QByteArray &bytes, QRandomGenerator &random, const Format &format)
{
    const QList<qsizetype> pages = dataPages(bytes, format);
    const qsizetype from = pages.at(random.bounded(pages.size()));
    const qsizetype to = pages.at(random.bounded(pages.size()));
    bytes.replace(to, format.pageSize, bytes.mid(from, format.pageSize));
}

// A row slot of a data page with its flags (moved row, moved data) toggled, or, in a moved row's home slot, a byte
// of its pointer changed.
void damageSlot(QByteArray &bytes, QRandomGenerator &random, const Format &format)
{
    const QList<qsizetype> pages = dataPages(bytes, format);
    const qsizetype page = pages.at(random.bounded(pages.size()));
    const quint16 rows = readU16(bytes, page + format.rowOffsets - 2);
    const qsizetype entry = page + format.rowOffsets + 2 * qsizetype(random.bounded(quint32(qMax<quint16>(rows, 1))));
    const quint16 offset = readU16(bytes, entry);
    if ((offset & 0xC000) == 0x4000 && random.bounded(2) == 0)
        bytes[page + (offset & 0x1FFF) + random.bounded(4)] = char(random.bounded(256));
    else
        writeU16(bytes, entry, offset ^ quint16(random.bounded(1, 4) << 14));
}

using Mutation = void (*)(QByteArray &, QRandomGenerator &, const Format &);

} // namespace

// Damaged copies of a written file either fail cleanly or still yield the whole table.
class tst_readtable_mutation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mutatedCopies_data();
    void mutatedCopies();
};

void tst_readtable_mutation::mutatedCopies_data()
{
    QTest::addColumn<AccessFileKind>("kind");
    QTest::addColumn<QList<int>>("moved");
    AccessFileKind jet4;
    QTest::newRow("jet4") << jet4 << QList<int> {};
    AccessFileKind edited;
    edited.edits.moved = {0, 7, 8, 100, 250, 399};
    QTest::newRow("jet4 with moved rows") << edited << edited.edits.moved;
    AccessFileKind jet3;
    jet3.format = AccessFormat::Jet3;
    jet3.jet3 = {1252, 1033, 1251};
    jet3.edits.moved = {3, 200};
    QTest::newRow("jet3 with moved rows") << jet3 << jet3.edits.moved;
}

void tst_readtable_mutation::mutatedCopies()
{
    QFETCH(AccessFileKind, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString originalPath = dir.filePath(u"original.mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(generatedDirectoryCsv(kRows, 5), originalPath, kind, &error), qPrintable(error));
    const QByteArray original = readFile(originalPath);
    const Format &format = kind.format == AccessFormat::Jet3 ? kJet3Format : kJet4Format;
    RecordingSink whole;
    readTable(originalPath, u"Base"_s, whole);
    QCOMPARE(whole.m_rows.size(), kRows);

    static constexpr Mutation kMutations[] = {
        truncate, flipBits, swapPages, damageDefinition, duplicatePage, damageSlot};
    QRandomGenerator random(20240611);
    const QString path = dir.filePath(u"mutant.mdb"_s);
    int failed = 0;
    int otherTable = 0;
    for (int i = 0; i < kMutants; ++i) {
        QByteArray bytes = original;
        const quint32 mutation = random.bounded(quint32(std::size(kMutations)));
        kMutations[mutation](bytes, random, format);
        writeFile(path, bytes);
        RecordingSink sink;
        try {
            readTable(path, u"Base"_s, sink, impatientReader());
            // Definition pages swapped: the table's name leads to another table, read whole, without the
            // directory's columns (which the program then reports as a database error).
            if (kMutations[mutation] == swapPages && sink.m_columns != whole.m_columns) {
                ++otherTable;
                continue;
            }
            QVERIFY2(sink.m_rows.size() == kRows,
                qPrintable(u"mutant %1 (mutation %2) read %3 rows"_s.arg(i).arg(mutation).arg(sink.m_rows.size())));
            QCOMPARE(sink.m_columns, whole.m_columns);
            // A definition read whole reads every value as it was written.
            if (kMutations[mutation] == damageDefinition)
                QCOMPARE(sink.m_rows, whole.m_rows);
        } catch (const DatabaseError &) {
            ++failed;
        }
        QCOMPARE(readerChildren(), 0);
    }
    qInfo("%d of %d mutants refused, %d read another table, the others read whole", failed, kMutants, otherTable);
}

QTEST_GUILESS_MAIN(tst_readtable_mutation)
#include "tst_readtable_mutation.moc"
