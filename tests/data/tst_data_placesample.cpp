#include "MkBase.h"
#include "support/Files.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using velkaro::testing::readFile;

// The build's step that puts the sample beside the program, run as the build runs it.
class tst_data_placesample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void userFileSurvivesRebuild_data();
    void userFileSurvivesRebuild();

private:
    QTemporaryDir m_dir;
    QMap<QString, QString> m_files; // earlier sample, new sample, user's file
};

void tst_data_placesample::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const QString &abonent : {u"earlier"_s, u"new"_s, u"user"_s}) {
        m_files[abonent] = m_dir.filePath(abonent + u".mdb"_s);
        QString error;
        QVERIFY2(
            velkaro::mkbase::writeMdbFromCsv(
                "ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n" + abonent.toUtf8() + ",1,,,21\n", m_files[abonent], &error),
            qPrintable(error));
    }
}

void tst_data_placesample::userFileSurvivesRebuild_data()
{
    QTest::addColumn<QString>("before"); // the file beside the program before the build, if any
    QTest::addColumn<bool>("earlierBuildWroteIt"); // the last build wrote the earlier sample there
    QTest::addColumn<bool>("replaced");
    QTest::newRow("no file") << QString() << false << true;
    QTest::newRow("the build's earlier sample") << u"earlier"_s << true << true;
    QTest::newRow("the user's file") << u"user"_s << true << false;
    QTest::newRow("a sample this build did not write") << u"earlier"_s << false << false;
}

void tst_data_placesample::userFileSurvivesRebuild()
{
    QFETCH(QString, before);
    QFETCH(bool, earlierBuildWroteIt);
    QFETCH(bool, replaced);
    QTemporaryDir buildFolder;
    const QString target = buildFolder.filePath(u"base.mdb"_s);
    const QString stamp = buildFolder.filePath(u"base.mdb.written.sha256"_s);
    if (!before.isEmpty())
        QVERIFY(QFile::copy(m_files[before], target));
    QFile written(stamp);
    if (earlierBuildWroteIt && written.open(QIODevice::WriteOnly))
        written.write(QCryptographicHash::hash(readFile(m_files[u"earlier"_s]), QCryptographicHash::Sha256).toHex());
    written.close();
    const QByteArray userBytes = readFile(target);

    const auto build = [&](const QString &sample) {
        QProcess cmake;
        cmake.start(QStringLiteral(VELKARO_CMAKE),
            {u"-DSAMPLE="_s + sample, u"-DTARGET="_s + target, u"-DSTAMP="_s + stamp, u"-P"_s,
                QStringLiteral(VELKARO_PLACE_SAMPLE)});
        return cmake.waitForFinished(30000) && cmake.exitCode() == 0
            ? QString::fromUtf8(cmake.readAllStandardError() + cmake.readAllStandardOutput())
            : u"cmake failed"_s;
    };
    const QString said = build(m_files[u"new"_s]);
    if (!replaced) {
        QCOMPARE(readFile(target), userBytes);
        QCOMPARE(said.count(u'\n'), 1);
        QVERIFY2(said.contains(target), qPrintable(said));
        return;
    }
    QCOMPARE(said, QString());
    QCOMPARE(readFile(target), readFile(m_files[u"new"_s]));
    // What this build wrote is its own to replace on the next one.
    QCOMPARE(build(m_files[u"earlier"_s]), QString());
    QCOMPARE(readFile(target), readFile(m_files[u"earlier"_s]));
}

QTEST_GUILESS_MAIN(tst_data_placesample)
#include "tst_data_placesample.moc"
