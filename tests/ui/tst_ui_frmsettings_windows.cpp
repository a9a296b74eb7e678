#include "places/ProgramPlaces.h"
#include "support/WindowRecorders.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/Drives.h"
#include "ui/FileListBox.h"
#include "ui/frmSettings.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace Qt::StringLiterals;
using velkaro::MessageIcon;
using velkaro::ui::DirListBox;
using velkaro::ui::DriveListBox;
using velkaro::ui::FileListBox;
using velkaro::ui::frmSettings;
using velkaro::ui::SystemDrives;

// The machine's drives as Windows reports them. Under Wine the test runner maps two drives of its own: one to a
// folder (VELKARO_TEST_MAPPED_DRIVE) and one to a folder that is gone (VELKARO_TEST_GONE_DRIVE), and names every
// letter of the prefix's dosdevices folder (VELKARO_WINE_DRIVE_LETTERS).
class tst_ui_frmsettings_windows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void drivesAreTheDriveLetters_data();
    void drivesAreTheDriveLetters();
    void drivesAreTheLettersWineMaps();
    void firstOpenStandsOnDriveC();
    void goneDriveIsReportedOnceAndListReturnsToC();
    void fileInADriveRootJoinsWithoutDoubledSeparator();

private:
    std::unique_ptr<frmSettings> openDialog();

    QString m_mappedDrive;
    QString m_goneDrive;
    QList<RecordedMessage> m_messages;
};

void tst_ui_frmsettings_windows::initTestCase()
{
    m_mappedDrive = qEnvironmentVariable("VELKARO_TEST_MAPPED_DRIVE");
    m_goneDrive = qEnvironmentVariable("VELKARO_TEST_GONE_DRIVE");
    if (m_mappedDrive.isEmpty() || m_goneDrive.isEmpty())
        QSKIP("needs the two drives the Wine test runner maps");
}

void tst_ui_frmsettings_windows::drivesAreTheDriveLetters_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<bool>("readable");
    QTest::newRow("system drive") << u"C:/"_s << true;
    QTest::newRow("Wine's drive for the Linux root") << u"Z:/"_s << true;
    QTest::newRow("drive mapped to a folder") << m_mappedDrive << true;
    QTest::newRow("drive mapped to a folder that is gone") << m_goneDrive << false;
}

void tst_ui_frmsettings_windows::drivesAreTheDriveLetters()
{
    QFETCH(QString, root);
    QFETCH(bool, readable);
    const SystemDrives drives;
    const QStringList roots = drives.roots();
    QVERIFY2(roots.contains(root), qPrintable(roots.join(u' ')));
    QCOMPARE(drives.isReadable(root), readable);
    QStringList sorted = roots;
    sorted.sort();
    QCOMPARE(roots, sorted);
}

void tst_ui_frmsettings_windows::drivesAreTheLettersWineMaps()
{
    const QString letters = qEnvironmentVariable("VELKARO_WINE_DRIVE_LETTERS");
    if (letters.isEmpty())
        QSKIP("runs under Wine only");
    QStringList expected;
    for (const QChar letter : letters)
        expected.append(letter + u":/"_s);
    QCOMPARE(SystemDrives().roots(), expected);
}

std::unique_ptr<frmSettings> tst_ui_frmsettings_windows::openDialog()
{
    m_messages.clear();
    auto dialog = std::make_unique<frmSettings>(nullptr, std::make_unique<MessageRecorder>(m_messages));
    dialog->show();
    return dialog;
}

// The test runs from a folder on Z:, so the load steps move the lists to drive C: and its current folder.
void tst_ui_frmsettings_windows::firstOpenStandsOnDriveC()
{
    const auto dialog = openDialog();
    const auto *drvBase = dialog->findChild<DriveListBox *>(u"drvBase"_s);
    QCOMPARE(drvBase->currentText(), u"C:\\"_s);
    QCOMPARE(drvBase->drive(), u"C:/"_s);
    QCOMPARE(dialog->findChild<QLineEdit *>(u"txtPath"_s)->text(), u"C:\\"_s);
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(velkaro::places::defaultDatabasePath(), velkaro::places::programFolder() + u"\\base.mdb"_s);
}

void tst_ui_frmsettings_windows::goneDriveIsReportedOnceAndListReturnsToC()
{
    const auto dialog = openDialog();
    auto *drvBase = dialog->findChild<DriveListBox *>(u"drvBase"_s);
    drvBase->setCurrentIndex(drvBase->findData(m_goneDrive));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.first().text, u"Этот диск недоступен!"_s);
    QCOMPARE(m_messages.first().title, u"Ошибка !"_s);
    QCOMPARE(m_messages.first().icon, MessageIcon::Critical);
    QCOMPARE(drvBase->drive(), u"C:/"_s);
    QCOMPARE(drvBase->currentText(), u"C:\\"_s);
    QVERIFY(velkaro::ui::isSameOrBelow(dialog->findChild<DirListBox *>(u"dirBase"_s)->path(), u"C:/"_s));
    QCOMPARE(dialog->findChild<QLineEdit *>(u"txtPath"_s)->text(), u"C:\\"_s);
}

void tst_ui_frmsettings_windows::fileInADriveRootJoinsWithoutDoubledSeparator()
{
    QFile file(m_mappedDrive + u"phones.mdb"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const auto dialog = openDialog();
    auto *drvBase = dialog->findChild<DriveListBox *>(u"drvBase"_s);
    drvBase->setCurrentIndex(drvBase->findData(m_mappedDrive));
    QVERIFY(m_messages.isEmpty());
    auto *flBase = dialog->findChild<FileListBox *>(u"flBase"_s);
    const QList<QListWidgetItem *> found = flBase->findItems(u"phones.mdb"_s, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    QTest::mouseClick(flBase->viewport(), Qt::LeftButton, {}, flBase->visualItemRect(found.first()).center());
    QCOMPARE(dialog->findChild<QLineEdit *>(u"txtPath"_s)->text(), QString(m_mappedDrive.at(0)) + u":\\phones.mdb"_s);
    QVERIFY(file.remove());
}

QTEST_MAIN(tst_ui_frmsettings_windows)
#include "tst_ui_frmsettings_windows.moc"
