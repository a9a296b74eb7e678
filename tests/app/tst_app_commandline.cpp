#include "FinderRecorders.h"
#include "MkBase.h"
#include "app/CommandLine.h"
#include "database/ConnectionString.h"
#include "frmFinder.h"
#include "search/RunWideValues.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using velkaro::app::CommandLine;

class tst_app_commandline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void answersOnATerminalWithoutDisplay_data();
    void answersOnATerminalWithoutDisplay();
    void fileActsAsIfChosenInSettings_data();
    void fileActsAsIfChosenInSettings();
    void qtTextsAreRussian();

private:
    QTemporaryDir m_dir;
};

void tst_app_commandline::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QVERIFY2(velkaro::mkbase::writeMdbFromCsv("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n"
                                              "\"СИДОРОВ С.С.\",\"2223344\",\"УЛ. ЛЕСНАЯ Д. 3 КВ.7\",\"СКЛАД\",21\n",
                 m_dir.filePath(u"city.mdb"_s), &error),
        qPrintable(error));
    QFile notADirectory(m_dir.filePath(u"notes.mdb"_s));
    QVERIFY(notADirectory.open(QIODevice::WriteOnly));
    notADirectory.write("not an Access file\n");
}

// No display and the X11 platform forced: a window system touched would end the program with a fatal error.
void tst_app_commandline::answersOnATerminalWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("--help") << QStringList {u"--help"_s} << 0 << u"Использование:"_s << QString();
    QTest::newRow("-h names the file argument") << QStringList {u"-h"_s} << 0 << u"[ФАЙЛ.mdb]"_s << QString();
    QTest::newRow("--version") << QStringList {u"--version"_s} << 0 << u"Velkaro, версия 1.0.0\n"_s << QString();
    QTest::newRow("unknown option") << QStringList {u"--bogus"_s} << 2 << QString() << u"bogus"_s;
    QTest::newRow("two files") << QStringList {u"a.mdb"_s, u"b.mdb"_s} << 2 << QString() << u"b.mdb"_s;
}

void tst_app_commandline::answersOnATerminalWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);

    QProcess velkaro;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    velkaro.setProcessEnvironment(environment);
    velkaro.start(QStringLiteral(VELKARO_PROGRAM), arguments);
    QVERIFY(velkaro.waitForFinished(30000));
    const QString out = QString::fromUtf8(velkaro.readAllStandardOutput());
    const QString err = QString::fromUtf8(velkaro.readAllStandardError());

    QCOMPARE(velkaro.exitStatus(), QProcess::NormalExit);
    QCOMPARE(velkaro.exitCode(), exitCode);
    if (exitCode == 0) {
        QVERIFY2(out.contains(stdoutHas), qPrintable(out));
        QCOMPARE(err, QString());
    } else {
        QCOMPARE(out, QString());
        QCOMPARE(err.count(u'\n'), 1);
        QVERIFY(err.endsWith(u'\n'));
        QVERIFY2(err.contains(stderrHas), qPrintable(err));
    }
}

void tst_app_commandline::fileActsAsIfChosenInSettings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("readable");
    QTest::newRow("a directory file") << u"city.mdb"_s << true;
    QTest::newRow("not an Access file") << u"notes.mdb"_s << false;
    QTest::newRow("no such file") << u"missing/city.mdb"_s << false;
}

// Given relative to the working folder, the file becomes the absolute path the settings dialog would have set.
void tst_app_commandline::fileActsAsIfChosenInSettings()
{
    QFETCH(QString, file);
    QFETCH(bool, readable);
    const QString startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const CommandLine commandLine = velkaro::app::readCommandLine({u"velkaro"_s, u"./"_s + file});
    QVERIFY(QDir::setCurrent(startFolder));
    QCOMPARE(commandLine.outcome, CommandLine::Outcome::Start);
    QCOMPARE(commandLine.databaseFile, QDir::toNativeSeparators(m_dir.filePath(file)));

    velkaro::search::resetRunWideValues();
    QList<RecordedMessage> messages;
    QList<LaunchedPage> pages;
    velkaro::ui::frmFinder finder(std::make_unique<LaunchRecorder>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::app::useDatabaseFile(commandLine);
    QCOMPARE(velkaro::database::ConnectionString(),
        u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + commandLine.databaseFile);

    finder.findChild<QLineEdit *>(u"txtAb"_s)->setText(u"сидоров"_s);
    QTest::mouseClick(finder.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);
    const auto *list = finder.findChild<QListWidget *>(u"lstAbs"_s);
    if (readable) {
        QVERIFY(messages.isEmpty());
        QCOMPARE(list->count(), 6);
        QCOMPARE(list->item(1)->text(), u"   Абонент:"_s + QString(16, u' ') + u"СИДОРОВ С.С."_s);
        return;
    }
    QCOMPARE(list->count(), 0);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, u"Ошибка при подключении к базе данных !"_s);
    QCOMPARE(messages[0].title, u"Ошибка !"_s);
}

void tst_app_commandline::qtTextsAreRussian()
{
    QTranslator translator;
    QVERIFY(velkaro::app::installQtRussian(translator));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Отмена"_s);
}

QTEST_MAIN(tst_app_commandline)
#include "tst_app_commandline.moc"
