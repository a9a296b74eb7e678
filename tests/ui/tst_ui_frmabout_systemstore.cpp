#include "support/AboutFakes.h"
#include "ui/frmAbout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using velkaro::ui::frmAbout;
using velkaro::ui::makeSystemSettingsStore;
using velkaro::ui::SettingsStore;

// The desktop's settings store answers the tool's path key with a system information program found on PATH.
class tst_ui_frmabout_systemstore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void pathNamesFirstToolFound_data();
    void pathNamesFirstToolFound();
    void mainWindowsDialogReadsTheDesktopsStore();
    void hiddenToolIsPassedOver();

private:
    QByteArray m_path;
};

void tst_ui_frmabout_systemstore::initTestCase()
{
    m_path = qgetenv("PATH");
}

void tst_ui_frmabout_systemstore::cleanupTestCase()
{
    qputenv("PATH", m_path);
}

void tst_ui_frmabout_systemstore::pathNamesFirstToolFound_data()
{
    QTest::addColumn<QStringList>("executables");
    QTest::addColumn<QStringList>("plainFiles");
    QTest::addColumn<QString>("expected");

    QTest::newRow("KDE and GNOME: the first of the list")
        << QStringList {u"gnome-system-monitor"_s, u"kinfocenter"_s} << QStringList() << u"kinfocenter"_s;
    QTest::newRow("hardinfo before the others")
        << QStringList {u"kinfocenter"_s, u"hardinfo"_s} << QStringList() << u"hardinfo"_s;
    QTest::newRow("a file that cannot run is passed over")
        << QStringList {u"gnome-system-monitor"_s} << QStringList {u"hardinfo"_s} << u"gnome-system-monitor"_s;
    QTest::newRow("no tool") << QStringList() << QStringList {u"kinfocenter"_s, u"msinfo32"_s} << QString();
}

void tst_ui_frmabout_systemstore::pathNamesFirstToolFound()
{
    QFETCH(QStringList, executables);
    QFETCH(QStringList, plainFiles);
    QFETCH(QString, expected);

    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const auto create = [&](const QString &name, QFile::Permissions permissions) {
        QFile file(bin.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.setPermissions(permissions);
    };
    for (const QString &name : executables)
        QVERIFY(create(name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    for (const QString &name : plainFiles)
        QVERIFY(create(name, QFile::ReadOwner | QFile::WriteOwner));
    qputenv("PATH", bin.path().toLocal8Bit());

    RecordingLauncher launcher;
    auto ownedMessages = std::make_unique<RecordingMessages>();
    RecordingMessages *messages = ownedMessages.get();
    frmAbout about(makeSystemSettingsStore(), launcher, std::move(ownedMessages));

    const QString expectedPath = expected.isEmpty() ? QString() : bin.filePath(expected);
    QString value = u"previous"_s;
    QCOMPARE(about.GetKeyValue(SettingsStore::kLocalMachine, QString::fromLatin1(kSysInfoPathKey), u"PATH"_s, value),
        !expected.isEmpty());
    QCOMPARE(value, expectedPath);
    QVERIFY(
        !about.GetKeyValue(SettingsStore::kLocalMachine, QString::fromLatin1(kSysInfoFolderKey), u"MSINFO"_s, value));

    about.StartSysInfo();
    if (expected.isEmpty()) {
        QVERIFY(launcher.programs.isEmpty());
        QCOMPARE(messages->messages.size(), 1);
        QCOMPARE(messages->messages.first().text, u"System Information Is Unavailable At This Time"_s);
    } else {
        QCOMPARE(launcher.programs.size(), 1);
        QCOMPARE(launcher.programs.first(), std::make_pair(expectedPath, 1));
        QVERIFY(messages->messages.isEmpty());
    }
}

// Opened from the menu without a store of the test's, the About window finds the desktop's tool.
void tst_ui_frmabout_systemstore::mainWindowsDialogReadsTheDesktopsStore()
{
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    QFile tool(bin.filePath(u"hardinfo"_s));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    QVERIFY(tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", bin.path().toLocal8Bit());

    QCOMPARE(programsStartedByMainWindowsAbout(), (QList {std::make_pair(bin.filePath(u"hardinfo"_s), 1)}));
}

// A Linux file is hidden by its name: the folder ".tools" joined with "\MSINFO32.EXE" names a hidden file.
void tst_ui_frmabout_systemstore::hiddenToolIsPassedOver()
{
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString folder = temporary.filePath(u".tools"_s);
    QFile tool(folder + u"\\MSINFO32.EXE"_s);
    QVERIFY(tool.open(QIODevice::WriteOnly));
    auto store = std::make_unique<RecordingStore>();
    store->setValue(SettingsStore::kLocalMachine, kSysInfoFolderKey, "MSINFO", SettingsStore::kTypeText,
        folder.toLocal8Bit().append('\0'));
    RecordingLauncher launcher;
    auto ownedMessages = std::make_unique<RecordingMessages>();
    const RecordingMessages *messages = ownedMessages.get();
    frmAbout about(std::move(store), launcher, std::move(ownedMessages));

    about.StartSysInfo();
    QVERIFY(launcher.programs.isEmpty());
    QCOMPARE(messages->messages.size(), 1);
}

QTEST_MAIN(tst_ui_frmabout_systemstore)
#include "tst_ui_frmabout_systemstore.moc"
