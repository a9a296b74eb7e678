#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// Where the program looks for its default directory file on Windows: its folder + "\base.mdb", so that a program in
// a drive root looks for "M:\\base.mdb", with the separator doubled.
class tst_app_driveroot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultFileBesideTheProgram_data();
    void defaultFileBesideTheProgram();
};

void tst_app_driveroot::defaultFileBesideTheProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("defaultFile");
    const QString build = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    QTest::newRow("a folder") << QCoreApplication::applicationDirPath() << build << build + u"\\base.mdb"_s;
    // The drive the Wine test runner maps to a folder.
    const QString root = qEnvironmentVariable("VELKARO_TEST_MAPPED_DRIVE");
    QTest::newRow("a drive root") << root << QDir::toNativeSeparators(root)
                                  << QDir::toNativeSeparators(root) + u"\\base.mdb"_s;
}

void tst_app_driveroot::defaultFileBesideTheProgram()
{
    QFETCH(QString, folder);
    QFETCH(QString, programFolder);
    QFETCH(QString, defaultFile);
    const QString built = QCoreApplication::applicationDirPath() + u"/places-probe.exe"_s;
    const QString probe = QDir(folder).filePath(u"places-probe.exe"_s);
    if (probe != built) {
        QFile::remove(probe);
        QVERIFY(QFile::copy(built, probe));
    }
    QProcess run;
    run.start(probe, {});
    QVERIFY(run.waitForFinished(30000));
    if (probe != built)
        QFile::remove(probe);
    QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).remove(u'\r').split(u'\n').mid(0, 2),
        (QStringList {programFolder, defaultFile}));
}

QTEST_GUILESS_MAIN(tst_app_driveroot)
#include "tst_app_driveroot.moc"
