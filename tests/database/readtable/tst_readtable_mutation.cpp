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
    const QByteArray original = readFile(writeDirectory(dir.filePath(u"original.mdb"_s), kRows, 5));

    QRandomGenerator random(20240611);
    const QString path = dir.filePath(u"mutant.mdb"_s);
    int failed = 0;
    for (int i = 0; i < kMutants; ++i) {
        QByteArray bytes = original;
        switch (random.bounded(3)) {
        case 0:
            truncate(bytes, random);
            break;
        case 1:
            flipBits(bytes, random);
            break;
        default:
            swapPages(bytes, random);
            break;
        }
        writeFile(path, bytes);
        CountingSink sink;
        try {
            readTable(path, u"Base"_s, sink, impatientReader());
            QCOMPARE(sink.m_rows, kRows);
            QCOMPARE(sink.m_columns.size(), std::size_t(5));
        } catch (const DatabaseError &) {
            ++failed;
        }
        QCOMPARE(readerChildren(), 0);
    }
    qInfo("%d of %d mutants refused, the others read whole", failed, kMutants);
}

QTEST_GUILESS_MAIN(tst_readtable_mutation)
#include "tst_readtable_mutation.moc"
