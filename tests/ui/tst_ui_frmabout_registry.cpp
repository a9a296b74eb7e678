#include "support/AboutFakes.h"
#include "ui/DesktopLauncher.h"
#include "ui/frmAbout.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace Qt::StringLiterals;
using velkaro::ui::DesktopLauncher;
using velkaro::ui::EmptyKeyValueError;
using velkaro::ui::frmAbout;
using velkaro::ui::makeSystemSettingsStore;

namespace {

const char *const kTestKey = "SOFTWARE\\Velkaro Test";
const QString kUnavailable = u"System Information Is Unavailable At This Time"_s;

// Writes a value into the machine's registry (the Wine prefix's under Wine), creating its key.
void writeValue(const char *keyName, const char *valueName, DWORD type, const QByteArray &data)
{
    HKEY key = nullptr;
    QCOMPARE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    QCOMPARE(
        RegSetValueExA(key, valueName, 0, type, reinterpret_cast<const BYTE *>(data.constData()), DWORD(data.size())),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

// Wine's RegQueryValueExA wants room for a NUL after a text stored without one; Windows does not.
bool underWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

void removeKeys()
{
    for (const char *key : {kTestKey, kSysInfoPathKey.constData(), kSysInfoFolderKey.constData()})
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
}

} // namespace

// The About dialog's steps over the real registry and real program starts.
class tst_ui_frmabout_registry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { removeKeys(); }
    void cleanup() { removeKeys(); }
    void getKeyValueReadsTheRegistry_data();
    void getKeyValueReadsTheRegistry();
    void valueOfZeroBytesIsAnError();
    void startSysInfo_data();
    void startSysInfo();
    void mainWindowsDialogReadsTheRegistry();
};

void tst_ui_frmabout_registry::getKeyValueReadsTheRegistry_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("expectedResult");
    QTest::addColumn<QString>("expectedValue");
    QTest::newRow("text with its NUL") << int(REG_SZ) << QByteArray("C:\\T\\MSINFO32.EXE", 18) << true
                                       << u"C:\\T\\MSINFO32.EXE"_s;
    QTest::newRow("text without NUL") << int(REG_SZ) << QByteArray("C:\\T") << true << u"C:\\T"_s;
    QTest::newRow("1024 bytes without NUL, whole")
        << int(REG_SZ) << QByteArray(1024, 'x') << true << QString(1024, u'x');
    QTest::newRow("1025 bytes fail") << int(REG_SZ) << QByteArray(1025, 'x') << false << QString();
    QTest::newRow("number") << int(REG_DWORD) << QByteArray("\x78\x56\x34\x12", 4) << true << u"305419896"_s;
    QTest::newRow("binary leaves the text") << int(REG_BINARY) << QByteArray("abc") << true << u"previous"_s;
}

void tst_ui_frmabout_registry::getKeyValueReadsTheRegistry()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, expectedResult);
    QFETCH(QString, expectedValue);
    writeValue(kTestKey, "Value", DWORD(type), data);
    DesktopLauncher launcher;
    frmAbout about(makeSystemSettingsStore(), launcher, std::make_unique<RecordingMessages>());
    QString value = u"previous"_s;
    if (underWine() && data.size() == 1024 && !data.endsWith('\0'))
        QEXPECT_FAIL("", "Wine's registry fails a text of the buffer's size stored without NUL", Abort);
    QCOMPARE(about.GetKeyValue(0x80000002, QString::fromLatin1(kTestKey), u"Value"_s, value), expectedResult);
    QCOMPARE(value, expectedValue);
}

void tst_ui_frmabout_registry::valueOfZeroBytesIsAnError()
{
    writeValue(kTestKey, "Value", REG_BINARY, {});
    DesktopLauncher launcher;
    frmAbout about(makeSystemSettingsStore(), launcher, std::make_unique<RecordingMessages>());
    QString value;
    QVERIFY_THROWS_EXCEPTION(
        EmptyKeyValueError, about.GetKeyValue(0x80000002, QString::fromLatin1(kTestKey), u"Value"_s, value));
}

void tst_ui_frmabout_registry::startSysInfo_data()
{
    // path: the "PATH" value, %T standing for a copy of a console program, %F for the "MSINFO" folder; empty for
    // none. toolInFolder: that folder holds MSINFO32.EXE (again a copy of the program).
    QTest::addColumn<QString>("path");
    // toolAttributes: the file attributes MSINFO32.EXE gets.
    QTest::addColumn<bool>("toolInFolder");
    QTest::addColumn<int>("toolAttributes");
    QTest::addColumn<bool>("message");
    QTest::newRow("path of a program: started") << u"%T"_s << false << 0 << false;
    QTest::newRow("path of a missing file: start fails, folder not consulted")
        << u"%F\\missing.exe"_s << true << 0 << true;
    QTest::newRow("no path, folder with the tool: started") << QString() << true << 0 << false;
    QTest::newRow("no path, read-only tool: started") << QString() << true << int(FILE_ATTRIBUTE_READONLY) << false;
    QTest::newRow("no path, hidden tool") << QString() << true << int(FILE_ATTRIBUTE_HIDDEN) << true;
    QTest::newRow("no path, system file as the tool") << QString() << true << int(FILE_ATTRIBUTE_SYSTEM) << true;
    QTest::newRow("no path, folder without the tool") << QString() << false << 0 << true;
}

void tst_ui_frmabout_registry::startSysInfo()
{
    QFETCH(QString, path);
    QFETCH(bool, toolInFolder);
    QFETCH(int, toolAttributes);
    QFETCH(bool, message);

    // The tool stand-in exits at once.
    const QString program = QDir::toNativeSeparators(QStandardPaths::findExecutable(u"hostname"_s));
    QVERIFY(!program.isEmpty());
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString folder = QDir::toNativeSeparators(temporary.path());
    const QString copy = folder + u"\\tool.exe"_s;
    const QString tool = folder + u"\\MSINFO32.EXE"_s;
    QVERIFY(QFile::copy(program, copy));
    if (toolInFolder)
        QVERIFY(QFile::copy(program, tool));
    // The copies keep the system file's read-only mark, which would keep the folder from going.
    for (const QString &file : {copy, tool})
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto wideTool = reinterpret_cast<const wchar_t *>(tool.utf16());
    // Marked files would keep the folder from going.
    const auto unmark = qScopeGuard([wideTool] { SetFileAttributesW(wideTool, FILE_ATTRIBUTE_NORMAL); });
    if (toolInFolder && toolAttributes != 0)
        QVERIFY(SetFileAttributesW(wideTool, DWORD(toolAttributes)));

    if (!path.isEmpty()) {
        const QString value = QString(path).replace(u"%T"_s, copy).replace(u"%F"_s, folder);
        writeValue(kSysInfoPathKey.constData(), "PATH", REG_SZ, value.toLocal8Bit().append('\0'));
    }
    writeValue(kSysInfoFolderKey.constData(), "MSINFO", REG_SZ, folder.toLocal8Bit().append('\0'));

    DesktopLauncher launcher;
    auto messages = std::make_unique<RecordingMessages>();
    const RecordingMessages *shown = messages.get();
    frmAbout about(makeSystemSettingsStore(), launcher, std::move(messages));
    about.StartSysInfo();
    QCOMPARE(shown->messages.size(), message ? 1 : 0);
    if (message)
        QCOMPARE(shown->messages.first().text, kUnavailable);
}

// Opened from the menu without a store of the test's, the About window reads the registry.
void tst_ui_frmabout_registry::mainWindowsDialogReadsTheRegistry()
{
    const QString path = u"C:\\Tools\\Сведения\\msinfo32.exe"_s;
    writeValue(kSysInfoPathKey.constData(), "PATH", REG_SZ, path.toLocal8Bit().append('\0'));
    QCOMPARE(programsStartedByMainWindowsAbout(), (QList {std::make_pair(path, 1)}));
}

QTEST_MAIN(tst_ui_frmabout_registry)
#include "tst_ui_frmabout_registry.moc"
