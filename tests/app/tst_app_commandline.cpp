#include "MkBase.h"
#include "app/CommandLine.h"
#include "database/connection/ConnectionString.h"
#include "database/table/TableCache.h"
#include "places/ProgramPlaces.h"
#include "search/RunWideValues.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <QtTest>

using namespace Qt::StringLiterals;
using velkaro::app::CommandLine;

namespace {

// As the program writes to a terminal: in the local code page, lines ending in CR LF on Windows.
QString consoleText(const QByteArray &bytes)
{
    return QString::fromLocal8Bit(bytes).replace(u"\r\n"_s, u"\n"_s);
}

} // namespace

class tst_app_commandline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersOnATerminalWithoutDisplay_data();
    void answersOnATerminalWithoutDisplay();
    void fileActsAsIfChosenInSettings_data();
    void fileActsAsIfChosenInSettings();
    void fileIsReadAheadAndTheDefaultNot();
    void qtTextsAreRussian();
};

void tst_app_commandline::answersOnATerminalWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on stdout when the exit code is 0, else on stderr
    QTest::newRow("--help") << QStringList {u"--help"_s} << 0 << u"Использование:"_s;
    QTest::newRow("-h names the file") << QStringList {u"-h"_s} << 0 << u"[ФАЙЛ.mdb]"_s;
    QTest::newRow("--version") << QStringList {u"--version"_s} << 0 << u"Velkaro, версия 1.0.0\n"_s;
    QTest::newRow("unknown option") << QStringList {u"--bogus"_s} << 2 << u"bogus"_s;
    QTest::newRow("two files") << QStringList {u"a.mdb"_s, u"b.mdb"_s} << 2 << u"b.mdb"_s;
}

// No display and the X11 platform forced: touching the window system would end the program with a fatal error.
void tst_app_commandline::answersOnATerminalWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QProcess velkaro;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    velkaro.setProcessEnvironment(environment);
    velkaro.start(QStringLiteral(VELKARO_PROGRAM), arguments);
    QVERIFY(velkaro.waitForFinished(30000));
    const QString out = consoleText(velkaro.readAllStandardOutput());
    const QString err = consoleText(velkaro.readAllStandardError());

    QCOMPARE(velkaro.exitStatus(), QProcess::NormalExit);
    QCOMPARE(velkaro.exitCode(), exitCode);
    QCOMPARE((exitCode == 0 ? err : out), QString());
    const QString &answer = exitCode == 0 ? out : err;
    QVERIFY2(answer.contains(said), qPrintable(answer));
    if (exitCode != 0)
        QCOMPARE(answer.count(u'\n'), 1);
}

void tst_app_commandline::fileActsAsIfChosenInSettings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("readable");
    QTest::newRow("a directory file") << u"city.mdb"_s << true;
    QTest::newRow("a folder") << u"."_s << false;
    QTest::newRow("no such file") << u"missing/city.mdb"_s << false;
}

// Given relative to the working folder, the file becomes the absolute path the settings dialog would have set.
void tst_app_commandline::fileActsAsIfChosenInSettings()
{
    QFETCH(QString, file);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    QString error;
    QVERIFY2(
        velkaro::mkbase::writeMdbFromCsv("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n\"СИДОРОВ С.С.\",\"2223344\",,,21\n",
            dir.filePath(u"city.mdb"_s), &error),
        qPrintable(error));
    const QString startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const CommandLine commandLine = velkaro::app::readCommandLine({u"velkaro"_s, u"./"_s + file});
    QVERIFY(QDir::setCurrent(startFolder));
    QCOMPARE(commandLine.outcome, CommandLine::Outcome::Start);
    QCOMPARE(commandLine.databaseFile, QDir::toNativeSeparators(QDir::cleanPath(dir.filePath(file))));

    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    velkaro::ui::frmFinder finder(
        std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::app::useDatabaseFile(commandLine);
    QCOMPARE(velkaro::database::ConnectionString(),
        u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + commandLine.databaseFile);
    finder.findChild<QLineEdit *>(u"txtAb"_s)->setText(u"сидоров"_s);
    QTest::mouseClick(finder.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);

    QCOMPARE(finder.findChild<velkaro::ui::ResultListBox *>(u"lstAbs"_s)->ListCount(), readable ? 6 : 0);
    QCOMPARE(messages.size(), readable ? 0 : 1);
    if (!readable)
        QCOMPARE(messages[0].text, u"Ошибка при подключении к базе данных !"_s);
}

// The window reads ahead once the event loop runs, by when the named file has replaced the default.
void tst_app_commandline::fileIsReadAheadAndTheDefaultNot()
{
    const QString defaultFile = velkaro::places::defaultDatabasePath();
    QVERIFY2(QFileInfo::exists(defaultFile), qPrintable(defaultFile));
    QTemporaryDir dir;
    const QString named = dir.filePath(u"city.mdb"_s);
    QString error;
    QVERIFY2(velkaro::mkbase::generateDirectory(1000, 3, named, &error), qPrintable(error));

    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    velkaro::ui::frmFinder finder(
        std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    // Time enough for a read ahead started with the window to have begun.
    QThread::msleep(200);
    QVERIFY(!velkaro::database::directoryTableKept(defaultFile));
    velkaro::app::useDatabaseFile(velkaro::app::readCommandLine({u"velkaro"_s, named}));

    QTRY_VERIFY(velkaro::database::directoryTableKept(named));
    QVERIFY(!velkaro::database::directoryTableKept(defaultFile));
    QVERIFY(messages.isEmpty());
}

void tst_app_commandline::qtTextsAreRussian()
{
    QTranslator translator;
    QVERIFY(velkaro::app::installQtRussian(translator));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Отмена"_s);
}

QTEST_MAIN(tst_app_commandline)
#include "tst_app_commandline.moc"
