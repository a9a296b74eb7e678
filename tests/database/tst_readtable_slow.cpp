#include "ReadTableFixtures.h"

#include "database/DatabaseError.h"
#include "database/ReadTableSettings.h"
#include "database/ReaderRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kRows = 300;
constexpr int kStallMs = 1000;

} // namespace

// A reader that waits, as on a slow disk or share, is given its wait limit; one that keeps the CPU busy without
// output is a hang after the stall limit. Readers are started through a shell script standing in for them.
class TestReadTableSlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void slowReader_data();
    void slowReader();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestReadTableSlow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_file = writeDirectory(m_dir.filePath(u"directory.mdb"_s), kRows, 9);
    setReaderStallTimeout(std::chrono::milliseconds(kStallMs));
}

void TestReadTableSlow::slowReader_data()
{
    QTest::addColumn<QByteArray>("script"); // the reader is $READER
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<int>("minMs"); // how long the read takes at least and at most
    QTest::addColumn<int>("maxMs");

    QTest::newRow("bytes delayed past the stall limit")
        << QByteArray("\"$READER\" \"$@\" | { sleep 3; exec cat; }") << 30000 << true << 3 * kStallMs << 30000;
    QTest::newRow("busy without output") << QByteArray("while :; do :; done") << 30000 << false << kStallMs << 25000;
    QTest::newRow("waiting without end") << QByteArray("exec sleep 600") << 3000 << false << 3000 << 25000;
}

void TestReadTableSlow::slowReader()
{
    QFETCH(QByteArray, script);
    QFETCH(int, waitMs);
    QFETCH(bool, whole);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    const QString program = m_dir.filePath(u"reader.sh"_s);
    const QByteArray reader = QFile::encodeName(QCoreApplication::applicationDirPath() + u"/velkaro-reader"_s);
    writeFile(program, "#!/bin/sh\nREADER='" + reader + "'\n" + script + "\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QElapsedTimer timer;
    timer.start();
    CountingSink sink;
    bool failed = false;
    try {
        const std::atomic<bool> never = false;
        ReaderRun run(m_file, u"Base"_s, {}, {program, std::chrono::milliseconds(waitMs)});
        run.run(sink, never);
    } catch (const DatabaseError &) {
        failed = true;
    }
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(failed, !whole);
    if (whole)
        QCOMPARE(sink.m_rows, kRows);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed) + u" ms"_s));
}

QTEST_GUILESS_MAIN(TestReadTableSlow)
#include "tst_readtable_slow.moc"
