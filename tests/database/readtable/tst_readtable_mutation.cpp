#include "database/readtable/ReadTableFixtures.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/TableSource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kRows = 400;
constexpr int kMutants = 300;

void truncate(QByteArray &bytes, QRandomGenerator &random)
{
    bytes.truncate(qsizetype(random.bounded(quint32(bytes.size()))));
}

void flipBits(QByteArray &bytes, QRandomGenerator &random)
{
    const int flips = 1 + int(random.bounded(8));
    for (int i = 0; i < flips; ++i)
        bytes[random.bounded(quint32(bytes.size()))] ^= char(1 << random.bounded(8));
}

void swapPages(QByteArray &bytes, QRandomGenerator &random)
{
    const quint32 pages = quint32(bytes.size() / kJet4PageSize);
    const qsizetype a = qsizetype(random.bounded(pages)) * kJet4PageSize;
    const qsizetype b = qsizetype(random.bounded(pages)) * kJet4PageSize;
    const QByteArray first = bytes.mid(a, kJet4PageSize);
    bytes.replace(a, kJet4PageSize, bytes.mid(b, kJet4PageSize));
    bytes.replace(b, kJet4PageSize, first);
}

// One byte of the table definition's counts or column descriptors set to a random value.
void damageDefinition(QByteArray &bytes, QRandomGenerator &random)
{
    const qsizetype definition = qsizetype(findTableDefinitionPage(bytes, u"ABONENT"_s)) * kJet4PageSize;
    // Column counts at 41 to 46, then five descriptors of 25 bytes from 63.
    const quint32 at = random.bounded(6 + 5 * 25);
    bytes[definition + (at < 6 ? 41 + at : 63 + at - 6)] = char(random.bounded(256));
}

// One data page of the table copied over another.
void duplicatePage(QByteArray &bytes, QRandomGenerator &random)
{
    const quint32 definition = quint32(findTableDefinitionPage(bytes, u"ABONENT"_s));
    QList<qsizetype> pages;
    for (qsizetype page = 1; page < bytes.size() / kJet4PageSize; ++page) {
        if (bytes.at(page * kJet4PageSize) == 0x01 && readU32(bytes, page * kJet4PageSize + 4) == definition)
            pages.append(page * kJet4PageSize);
    }
    const qsizetype from = pages.at(random.bounded(pages.size()));
    const qsizetype to = pages.at(random.bounded(pages.size()));
    bytes.replace(to, kJet4PageSize, bytes.mid(from, kJet4PageSize));
}

} // namespace

// Damaged copies of a written file either fail cleanly or still yield the whole table.
class tst_readtable_mutation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mutatedCopies();
};

void tst_readtable_mutation::mutatedCopies()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString originalPath = writeDirectory(dir.filePath(u"original.mdb"_s), kRows, 5);
    const QByteArray original = readFile(originalPath);
    RecordingSink whole;
    readTable(originalPath, u"Base"_s, whole);

    QRandomGenerator random(20240611);
    const QString path = dir.filePath(u"mutant.mdb"_s);
    int failed = 0;
    for (int i = 0; i < kMutants; ++i) {
        QByteArray bytes = original;
        const quint32 kind = random.bounded(5);
        switch (kind) {
        case 0:
            truncate(bytes, random);
            break;
        case 1:
            flipBits(bytes, random);
            break;
        case 2:
            swapPages(bytes, random);
            break;
        case 3:
            damageDefinition(bytes, random);
            break;
        default:
            duplicatePage(bytes, random);
            break;
        }
        writeFile(path, bytes);
        RecordingSink sink;
        try {
            readTable(path, u"Base"_s, sink, impatientReader());
            QCOMPARE(sink.m_rows.size(), kRows);
            QCOMPARE(sink.m_columns, whole.m_columns);
            // A definition read whole reads every value as it was written.
            if (kind == 3)
                QCOMPARE(sink.m_rows, whole.m_rows);
        } catch (const DatabaseError &) {
            ++failed;
        }
        QCOMPARE(readerChildren(), 0);
    }
    qInfo("%d of %d mutants refused, the others read whole", failed, kMutants);
}

QTEST_GUILESS_MAIN(tst_readtable_mutation)
#include "tst_readtable_mutation.moc"
