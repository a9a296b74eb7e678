#include "MkBase.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray directoryCsv(const QString &abonent)
{
    return "ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n\"" + abonent.toUtf8() + "\",\"2223344\",\"УЛ. ЛЕСНАЯ Д. 3\",,21\n";
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The build's step that puts the sample beside the program, run as the build runs it.
class tst_data_placesample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void userFileSurvivesRebuild_data();
    void userFileSurvivesRebuild();

private:
    QString writeDirectory(const QString &name, const QString &abonent);
    QTemporaryDir m_dir;
    QString m_earlierSample;
    QString m_newSample;
    QString m_userFile;
};

QString tst_data_placesample::writeDirectory(const QString &name, const QString &abonent)
{
    const QString path = m_dir.filePath(name);
    QString error;
    if (!velkaro::mkbase::writeMdbFromCsv(directoryCsv(abonent), path, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

void tst_data_placesample::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_earlierSample = writeDirectory(u"earlier-sample.mdb"_s, u"ИВАНОВ И.И."_s);
    m_newSample = writeDirectory(u"new-sample.mdb"_s, u"ПЕТРОВ П.П."_s);
    m_userFile = writeDirectory(u"city.mdb"_s, u"СИДОРОВ С.С."_s);
}

void tst_data_placesample::userFileSurvivesRebuild_data()
{
    QTest::addColumn<QString>("before"); // the file beside the program before the build; empty: none
    QTest::addColumn<bool>("earlierBuildWroteIt"); // the last build wrote the earlier sample there
    QTest::addColumn<bool>("replaced");
    QTest::newRow("no file") << QString() << false << true;
    QTest::newRow("the build's earlier sample") << m_earlierSample << true << true;
    QTest::newRow("the user's file") << m_userFile << true << false;
    QTest::newRow("the user's file, no earlier build") << m_userFile << false << false;
    QTest::newRow("a sample the build did not write") << m_earlierSample << false << false;
}

void tst_data_placesample::userFileSurvivesRebuild()
{
    QFETCH(QString, before);
    QFETCH(bool, earlierBuildWroteIt);
    QFETCH(bool, replaced);
    QTemporaryDir buildFolder;
    QVERIFY(buildFolder.isValid());
    const QString target = buildFolder.filePath(u"base.mdb"_s);
    const QString stamp = buildFolder.filePath(u"base.mdb.written.sha256"_s);
    if (!before.isEmpty())
        QVERIFY(QFile::copy(before, target));
    if (earlierBuildWroteIt) {
        QFile written(stamp);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(QCryptographicHash::hash(contents(m_earlierSample), QCryptographicHash::Sha256).toHex());
    }
    const QByteArray userBytes = contents(target);

    const auto build = [&](const QString &sample) {
        QProcess cmake;
        cmake.start(QStringLiteral(VELKARO_CMAKE),
            {u"-DSAMPLE="_s + sample, u"-DTARGET="_s + target, u"-DSTAMP="_s + stamp, u"-P"_s,
                QStringLiteral(VELKARO_PLACE_SAMPLE)});
        return cmake.waitForFinished(30000) && cmake.exitCode() == 0
            ? QString::fromUtf8(cmake.readAllStandardError() + cmake.readAllStandardOutput())
            : u"cmake failed"_s;
    };

    const QString said = build(m_newSample);
    if (replaced) {
        QCOMPARE(said, QString());
        QCOMPARE(contents(target), contents(m_newSample));
        // What this build wrote is its own to replace on the next one.
        QCOMPARE(build(m_earlierSample), QString());
        QCOMPARE(contents(target), contents(m_earlierSample));
        return;
    }
    QCOMPARE(contents(target), userBytes);
    QCOMPARE(said.count(u'\n'), 1);
    QVERIFY2(said.contains(target), qPrintable(said));
}

QTEST_GUILESS_MAIN(tst_data_placesample)
#include "tst_data_placesample.moc"
