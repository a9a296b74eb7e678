#include "support/AboutFakes.h"
#include "ui/frmAbout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using velkaro::MessageIcon;
using velkaro::ui::EmptyKeyValueError;
using velkaro::ui::frmAbout;
using velkaro::ui::SettingsStore;

namespace {

constexpr std::uint32_t kTypeBinary = 3; // REG_BINARY
constexpr std::uint32_t kTypeExpanded = 2; // REG_EXPAND_SZ
constexpr int kAbsentValue = -1;

const QString kUnavailable = u"System Information Is Unavailable At This Time"_s;

struct Dialog
{
    explicit Dialog(bool startResult = true)
        : launcher(startResult)
    {
        auto ownedStore = std::make_unique<RecordingStore>();
        auto ownedMessages = std::make_unique<RecordingMessages>();
        store = ownedStore.get();
        messages = ownedMessages.get();
        about = std::make_unique<frmAbout>(std::move(ownedStore), launcher, std::move(ownedMessages));
    }

    RecordingLauncher launcher;
    RecordingStore *store;
    RecordingMessages *messages;
    std::unique_ptr<frmAbout> about;
};

} // namespace

class tst_ui_frmabout_sysinfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void getKeyValue_readsValue_data();
    void getKeyValue_readsValue();
    void getKeyValue_missingKeyOrValue_data();
    void getKeyValue_missingKeyOrValue();
    void getKeyValue_zeroBytesIsAnError();
    void startSysInfo_data();
    void startSysInfo();
};

void tst_ui_frmabout_sysinfo::getKeyValue_readsValue_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("expectedResult");
    QTest::addColumn<QString>("expectedValue");

    const QString previous = u"previous"_s;
    QTest::newRow("text with its NUL") << 1 << QByteArray("C:\\WIN\\MSINFO32.EXE", 20) << true
                                       << u"C:\\WIN\\MSINFO32.EXE"_s;
    QTest::newRow("text without NUL") << 1 << QByteArray("C:\\WIN\\MSINFO32.EXE") << true << u"C:\\WIN\\MSINFO32.EXE"_s;
    QTest::newRow("only a NUL") << 1 << QByteArray(1, '\0') << true << QString();
    QTest::newRow("1024 bytes without NUL, whole") << 1 << QByteArray(1024, 'x') << true << QString(1024, u'x');
    QTest::newRow("1024 bytes ending in NUL") << 1 << QByteArray(1023, 'x').append('\0') << true << QString(1023, u'x');
    QTest::newRow("1025 bytes fail") << 1 << QByteArray(1025, 'x') << false << QString();
    QTest::newRow("1025 bytes ending in NUL fail") << 1 << QByteArray(1024, 'x').append('\0') << false << QString();
    QTest::newRow("text in the local code page")
        << 1 << u"Сведения"_s.toLocal8Bit().append('\0') << true << u"Сведения"_s;
    QTest::newRow("number") << 4 << QByteArray("\x2a\x00\x00\x00", 4) << true << u"42"_s;
    QTest::newRow("number, low byte first") << 4 << QByteArray("\x78\x56\x34\x12", 4) << true << u"305419896"_s;
    QTest::newRow("number, all bits") << 4 << QByteArray("\xff\xff\xff\xff", 4) << true << u"4294967295"_s;
    QTest::newRow("number ending in a zero byte") << 4 << QByteArray("\x01\x02\x03\x00", 4) << true << u"197121"_s;
    QTest::newRow("binary leaves the text") << int(kTypeBinary) << QByteArray("abc") << true << previous;
    QTest::newRow("expandable text leaves the text")
        << int(kTypeExpanded) << QByteArray("%WINDIR%", 9) << true << previous;
    QTest::newRow("binary over 1024 bytes fails") << int(kTypeBinary) << QByteArray(2000, 'b') << false << QString();
}

void tst_ui_frmabout_sysinfo::getKeyValue_readsValue()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, expectedResult);
    QFETCH(QString, expectedValue);

    Dialog dialog;
    dialog.store->setValue(SettingsStore::kLocalMachine, "SOFTWARE\\Test", "Value", std::uint32_t(type), data);
    QString value = u"previous"_s;
    QCOMPARE(dialog.about->GetKeyValue(SettingsStore::kLocalMachine, u"SOFTWARE\\Test"_s, u"Value"_s, value),
        expectedResult);
    QCOMPARE(value, expectedValue);
    QCOMPARE(dialog.store->closedKeys.size(), 1);
    QVERIFY(dialog.store->stillOpen.isEmpty());
}

void tst_ui_frmabout_sysinfo::getKeyValue_missingKeyOrValue_data()
{
    QTest::addColumn<std::uint32_t>("root");
    QTest::addColumn<QString>("keyName");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<bool>("keyOpens");

    QTest::newRow("missing key") << SettingsStore::kLocalMachine << u"SOFTWARE\\Other"_s << u"Value"_s << false;
    QTest::newRow("other root") << std::uint32_t(0x80000001) << u"SOFTWARE\\Test"_s << u"Value"_s << false;
    QTest::newRow("missing value") << SettingsStore::kLocalMachine << u"SOFTWARE\\Test"_s << u"Other"_s << true;
    QTest::newRow("key without values") << SettingsStore::kLocalMachine << u"SOFTWARE\\Empty"_s << u"Value"_s << true;
}

void tst_ui_frmabout_sysinfo::getKeyValue_missingKeyOrValue()
{
    QFETCH(std::uint32_t, root);
    QFETCH(QString, keyName);
    QFETCH(QString, valueName);
    QFETCH(bool, keyOpens);

    Dialog dialog;
    dialog.store->setValue(SettingsStore::kLocalMachine, "SOFTWARE\\Test", "Value", SettingsStore::kTypeText, "text");
    dialog.store->addKey(SettingsStore::kLocalMachine, "SOFTWARE\\Empty");
    QString value = u"previous"_s;
    QVERIFY(!dialog.about->GetKeyValue(root, keyName, valueName, value));
    QCOMPARE(value, QString());
    // The failed key is closed too: its handle, or 0 when it never opened.
    QCOMPARE(dialog.store->closedKeys.size(), 1);
    QCOMPARE(dialog.store->closedKeys.first() != 0, keyOpens);
    QVERIFY(dialog.store->stillOpen.isEmpty());
}

void tst_ui_frmabout_sysinfo::getKeyValue_zeroBytesIsAnError()
{
    Dialog dialog;
    dialog.store->setValue(SettingsStore::kLocalMachine, "SOFTWARE\\Test", "Value", SettingsStore::kTypeText, {});
    QString value = u"previous"_s;
    QVERIFY_THROWS_EXCEPTION(EmptyKeyValueError,
        dialog.about->GetKeyValue(SettingsStore::kLocalMachine, u"SOFTWARE\\Test"_s, u"Value"_s, value));
    QCOMPARE(value, u"previous"_s);
    QVERIFY(dialog.store->stillOpen.isEmpty());
}

void tst_ui_frmabout_sysinfo::startSysInfo_data()
{
    // pathType kAbsentValue: no "PATH" value. folder: the "MSINFO" folder below a temporary folder, empty for none;
    // entry: what the temporary folder holds under folder + "\MSINFO32.EXE" ("file", "folder" or nothing).
    // expectedStart: the program started, %F standing for the folder; "-" for no start.
    QTest::addColumn<int>("pathType");
    QTest::addColumn<QByteArray>("pathData");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("startResult");
    QTest::addColumn<QString>("expectedStart");
    QTest::addColumn<bool>("folderKeyRead");
    QTest::addColumn<bool>("message");

    const QByteArray missingTool("/opt/none/msinfo32", 19);
    QTest::newRow("path starts") << 1 << missingTool << u"tools"_s << u"file"_s << true << u"/opt/none/msinfo32"_s
                                 << false << false;
    QTest::newRow("path of a missing file: start fails, folder not read")
        << 1 << missingTool << u"tools"_s << u"file"_s << false << u"/opt/none/msinfo32"_s << false << true;
    QTest::newRow("path of another type: the empty path fails")
        << int(kTypeBinary) << QByteArray("xyz") << u"tools"_s << u"file"_s << false << QString() << false << true;
    QTest::newRow("empty path text") << 1 << QByteArray(1, '\0') << QString() << QString() << false << QString()
                                     << false << true;
    QTest::newRow("path of zero bytes: message, folder not read")
        << 1 << QByteArray() << u"tools"_s << u"file"_s << true << u"-"_s << false << true;
    QTest::newRow("path as a number") << 4 << QByteArray("\x07\x00\x00\x00", 4) << QString() << QString() << true
                                      << u"7"_s << false << false;
    QTest::newRow("no path, folder with the tool")
        << kAbsentValue << QByteArray() << u"tools"_s << u"file"_s << true << u"%F\\MSINFO32.EXE"_s << true << false;
    QTest::newRow("no path, folder with the tool, start fails")
        << kAbsentValue << QByteArray() << u"tools"_s << u"file"_s << false << u"%F\\MSINFO32.EXE"_s << true << true;
    QTest::newRow("no path, folder without the tool")
        << kAbsentValue << QByteArray() << u"tools"_s << QString() << true << u"-"_s << true << true;
    QTest::newRow("no path, a folder in place of the tool")
        << kAbsentValue << QByteArray() << u"tools"_s << u"folder"_s << true << u"-"_s << true << true;
    QTest::newRow("no path, no folder") << kAbsentValue << QByteArray() << QString() << QString() << true << u"-"_s
                                        << true << true;
    QTest::newRow("path over 1024 bytes: folder read")
        << 1 << QByteArray(1025, 'p') << u"tools"_s << u"file"_s << true << u"%F\\MSINFO32.EXE"_s << true << false;
}

void tst_ui_frmabout_sysinfo::startSysInfo()
{
    QFETCH(int, pathType);
    QFETCH(QByteArray, pathData);
    QFETCH(QString, folder);
    QFETCH(QString, entry);
    QFETCH(bool, startResult);
    QFETCH(QString, expectedStart);
    QFETCH(bool, folderKeyRead);
    QFETCH(bool, message);

    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString folderPath = temporary.filePath(folder);
    const QString toolPath = folderPath + u"\\MSINFO32.EXE"_s;
    // On Windows the joined name lies in the folder; on Linux beside it, named with a backslash.
    if (!folder.isEmpty())
        QVERIFY(QDir().mkpath(folderPath));
    if (entry == u"file") {
        QFile tool(toolPath);
        QVERIFY(tool.open(QIODevice::WriteOnly));
    } else if (entry == u"folder") {
        QVERIFY(QDir().mkpath(toolPath));
    }

    Dialog dialog(startResult);
    if (pathType != kAbsentValue)
        dialog.store->setValue(
            SettingsStore::kLocalMachine, kSysInfoPathKey, "PATH", std::uint32_t(pathType), pathData);
    else
        dialog.store->addKey(SettingsStore::kLocalMachine, kSysInfoPathKey);
    if (!folder.isEmpty()) {
        dialog.store->setValue(SettingsStore::kLocalMachine, kSysInfoFolderKey, "MSINFO", SettingsStore::kTypeText,
            folderPath.toLocal8Bit().append('\0'));
    }

    dialog.about->StartSysInfo();

    if (expectedStart == u"-") {
        QVERIFY(dialog.launcher.programs.isEmpty());
    } else {
        QCOMPARE(dialog.launcher.programs.size(), 1);
        QCOMPARE(dialog.launcher.programs.first().first, QString(expectedStart).replace(u"%F"_s, folderPath));
        QCOMPARE(dialog.launcher.programs.first().second, 1);
    }
    QCOMPARE(dialog.store->openedKeys.contains(kSysInfoFolderKey), folderKeyRead);
    QCOMPARE(dialog.store->openedKeys.first(), kSysInfoPathKey);
    QCOMPARE(dialog.messages->messages.size(), message ? 1 : 0);
    if (message) {
        const RecordedMessage &shown = dialog.messages->messages.first();
        QCOMPARE(shown.text, kUnavailable);
        QCOMPARE(shown.title, u"Velkaro"_s);
        QCOMPARE(shown.icon, MessageIcon::None);
    }
    QVERIFY(dialog.store->stillOpen.isEmpty());
    QVERIFY(dialog.launcher.pages.isEmpty());
}

QTEST_MAIN(tst_ui_frmabout_sysinfo)
#include "tst_ui_frmabout_sysinfo.moc"
