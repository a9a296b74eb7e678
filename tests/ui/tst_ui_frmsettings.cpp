#include "database/connection/ConnectionString.h"
#include "places/ProgramPlaces.h"
#include "search/SearchPorts.h"
#include "support/WindowRecorders.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/Drives.h"
#include "ui/FileListBox.h"
#include "ui/Twips.h"
#include "ui/frmSettings.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using velkaro::MessageIcon;
using velkaro::ui::DirListBox;
using velkaro::ui::DriveListBox;
using velkaro::ui::FileListBox;
using velkaro::ui::frmSettings;
using velkaro::ui::systemDriveRoot;

namespace {

const QString kDriverPrefix = u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s;

// Drives of the test: the system drive ("/", on Windows "C:/") and drives inside the test's tree; those named in
// `unreadable` cannot be read.
class FakeDrives : public velkaro::ui::Drives
{
public:
    FakeDrives(QStringList roots, const QStringList &unreadable)
        : m_roots(std::move(roots))
        , m_unreadable(unreadable)
    { }
    QStringList roots() const override { return m_roots; }
    bool isReadable(const QString &root) const override { return !m_unreadable.contains(root); }

private:
    QStringList m_roots;
    const QStringList &m_unreadable;
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

} // namespace

class tst_ui_frmsettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loadSteps_data();
    void loadSteps();
    void folderListShowsChainAndSubfolders();
    void doubleClickMakesFolderCurrent_data();
    void doubleClickMakesFolderCurrent();
    void fileListOffersEveryFile();
    void selectingFileFillsPath_data();
    void selectingFileFillsPath();
    void pathInFolderUsesOneSeparator_data();
    void pathInFolderUsesOneSeparator();
    void eachDriveKeepsItsCurrentFolder();
    void assigningCurrentValueRunsNothing();
    void cancelKeepsConnectionAndTypedText();
    void okWithEmptyPathGivesDriverPrefix();
    void keysAndCloseBoxApplyNothing_data();
    void keysAndCloseBoxApplyNothing();
    void enterPressesFocusedButton_data();
    void enterPressesFocusedButton();
    void unreadableDrive_data();
    void unreadableDrive();
    void unreadableDriveShowsStopBox();
    void tabOrderStartsOnCancel();
    void layoutInTwipsSurvivesResize_data();
    void layoutInTwipsSurvivesResize();
    void look();

private:
    std::unique_ptr<frmSettings> openDialog();
    QString inTree(const QString &relative) const;
    QString driveRoot(const QString &name) const;
    void chooseDrive(const QString &root);
    void doubleClickFolder(const QString &text);
    void clickFile(const QString &name);

    QTemporaryDir m_dir;
    QString m_tree;
    QString m_startFolder;
    QStringList m_unreadable;
    QList<RecordedMessage> m_messages;
    std::unique_ptr<frmSettings> m_dialog;
    DriveListBox *drvBase = nullptr;
    DirListBox *dirBase = nullptr;
    FileListBox *flBase = nullptr;
    QLineEdit *txtPath = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};

void tst_ui_frmsettings::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tree = QDir(m_dir.path()).canonicalPath();
    // The tree stands for folders of the system drive.
    QVERIFY2(velkaro::ui::isSameOrBelow(m_tree, systemDriveRoot()), qPrintable(m_tree));
    m_startFolder = QDir::currentPath();
    const QDir tree(m_tree);
    for (const QString &folder : {u"alpha/inner"_s, u"beta"_s, u"usb/sub"_s})
        QVERIFY(tree.mkpath(folder));
    for (const QString &file : {u"top.txt"_s, u"alpha/phones.mdb"_s, u"alpha/Notes.txt"_s, u"alpha/zeta.dat"_s,
             u"alpha/inner/deep.mdb"_s, u"usb/sub/other.mdb"_s}) {
        QFile f(tree.filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

void tst_ui_frmsettings::init()
{
    velkaro::database::initialiseConnectionString();
    m_unreadable.clear();
    m_messages.clear();
    QVERIFY(QDir::setCurrent(m_tree));
}

void tst_ui_frmsettings::cleanup()
{
    m_dialog.reset();
    QDir::setCurrent(m_startFolder);
}

QString tst_ui_frmsettings::inTree(const QString &relative) const
{
    return QDir::cleanPath(m_tree + u'/' + relative);
}

// The system drive for "system", or the test's drive of that name.
QString tst_ui_frmsettings::driveRoot(const QString &name) const
{
    return name == u"system"_s ? systemDriveRoot() : inTree(name);
}

// The dialog over the system drive and the test's drives "usb" (readable unless listed) and "gone", shown and active.
std::unique_ptr<frmSettings> tst_ui_frmsettings::openDialog()
{
    const QStringList roots {systemDriveRoot(), inTree(u"usb"_s), inTree(u"gone"_s)};
    auto dialog = std::make_unique<frmSettings>(
        std::make_unique<FakeDrives>(roots, m_unreadable), std::make_unique<MessageRecorder>(m_messages));
    drvBase = dialog->findChild<DriveListBox *>(u"drvBase"_s);
    dirBase = dialog->findChild<DirListBox *>(u"dirBase"_s);
    flBase = dialog->findChild<FileListBox *>(u"flBase"_s);
    txtPath = dialog->findChild<QLineEdit *>(u"txtPath"_s);
    cmdOK = dialog->findChild<QPushButton *>(u"cmdOK"_s);
    cmdCancel = dialog->findChild<QPushButton *>(u"cmdCancel"_s);
    dialog->show();
    dialog->activateWindow();
    return dialog;
}

void tst_ui_frmsettings::chooseDrive(const QString &root)
{
    const int index = drvBase->findData(root);
    QVERIFY(index >= 0);
    drvBase->setCurrentIndex(index);
}

void tst_ui_frmsettings::doubleClickFolder(const QString &text)
{
    const QList<QTreeWidgetItem *> found = dirBase->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    dirBase->scrollToItem(found.first());
    // A double-click as the platform sends it: press, release, double-click, release.
    const QPoint centre = dirBase->visualItemRect(found.first()).center();
    QTest::mouseClick(dirBase->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(dirBase->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(dirBase->viewport(), Qt::LeftButton, {}, centre);
}

void tst_ui_frmsettings::clickFile(const QString &name)
{
    const QList<QListWidgetItem *> found = flBase->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    flBase->scrollToItem(found.first());
    QTest::mouseClick(flBase->viewport(), Qt::LeftButton, {}, flBase->visualItemRect(found.first()).center());
}

void tst_ui_frmsettings::loadSteps_data()
{
    QTest::addColumn<QString>("workingFolder");
    QTest::addColumn<QString>("expectedFolder");
    QTest::addColumn<bool>("keepsDefaultPath");

    QTest::newRow("working folder on the system drive") << u"alpha"_s << u"alpha"_s << true;
    QTest::newRow("working folder on another drive") << u"usb/sub"_s << u"system"_s << false;
}

void tst_ui_frmsettings::loadSteps()
{
    QFETCH(QString, workingFolder);
    QFETCH(QString, expectedFolder);
    QFETCH(bool, keepsDefaultPath);
    QVERIFY(QDir::setCurrent(inTree(workingFolder)));
    const QString folder = driveRoot(expectedFolder);

    m_dialog = openDialog();

    QCOMPARE(drvBase->drive(), systemDriveRoot());
    QCOMPARE(dirBase->path(), folder);
    QCOMPARE(flBase->path(), folder);
    QCOMPARE(txtPath->text(), keepsDefaultPath ? velkaro::places::defaultDatabasePath() : native(folder));
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + velkaro::places::defaultDatabasePath());
}

void tst_ui_frmsettings::folderListShowsChainAndSubfolders()
{
    QVERIFY(QDir::setCurrent(inTree(u"alpha"_s)));
    m_dialog = openDialog();

    QCOMPARE(dirBase->topLevelItemCount(), 1);
    QStringList chain;
    const QTreeWidgetItem *item = dirBase->topLevelItem(0);
    while (item != dirBase->currentItem()) {
        chain.append(item->text(0));
        QCOMPARE(item->childCount(), 1);
        item = item->child(0);
    }
    const QString root = systemDriveRoot();
    QCOMPARE(chain, QStringList {native(root)} + m_tree.mid(root.size()).split(u'/', Qt::SkipEmptyParts));
    QCOMPARE(item->text(0), u"alpha"_s);
    QCOMPARE(item->childCount(), 1);
    QCOMPARE(item->child(0)->text(0), u"inner"_s);
}

void tst_ui_frmsettings::doubleClickMakesFolderCurrent_data()
{
    QTest::addColumn<QString>("workingFolder");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("expectedFolder");
    QTest::addColumn<QStringList>("expectedFiles");

    QTest::newRow("down into a subfolder")
        << u"."_s << u"alpha"_s << u"alpha"_s << QStringList {u"Notes.txt"_s, u"phones.mdb"_s, u"zeta.dat"_s};
    QTest::newRow("up to an ancestor") << u"alpha/inner"_s << QFileInfo(m_tree).fileName() << u"."_s
                                       << QStringList {u"top.txt"_s};
}

void tst_ui_frmsettings::doubleClickMakesFolderCurrent()
{
    QFETCH(QString, workingFolder);
    QFETCH(QString, folderText);
    QFETCH(QString, expectedFolder);
    QFETCH(QStringList, expectedFiles);
    QVERIFY(QDir::setCurrent(inTree(workingFolder)));
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));

    doubleClickFolder(folderText);

    QCOMPARE(dirBase->path(), inTree(expectedFolder));
    QCOMPARE(flBase->path(), inTree(expectedFolder));
    QCOMPARE(itemTexts(flBase), expectedFiles);
    QCOMPARE(txtPath->text(), native(inTree(expectedFolder)));

    cmdOK->click();
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + native(inTree(expectedFolder)));
    QVERIFY(m_dialog->isHidden());
}

void tst_ui_frmsettings::fileListOffersEveryFile()
{
    QVERIFY(QDir::setCurrent(inTree(u"alpha"_s)));
    m_dialog = openDialog();

    QCOMPARE(itemTexts(flBase), (QStringList {u"Notes.txt"_s, u"phones.mdb"_s, u"zeta.dat"_s}));
    QVERIFY(flBase->selectedItems().isEmpty());
}

void tst_ui_frmsettings::selectingFileFillsPath_data()
{
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("database file") << u"system"_s << u"alpha"_s << u"phones.mdb"_s;
    QTest::newRow("file of another type") << u"system"_s << u"alpha"_s << u"zeta.dat"_s;
    QTest::newRow("file on another drive") << u"usb"_s << u"usb/sub"_s << u"other.mdb"_s;
}

void tst_ui_frmsettings::selectingFileFillsPath()
{
    QFETCH(QString, drive);
    QFETCH(QString, folder);
    QFETCH(QString, fileName);
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    chooseDrive(driveRoot(drive));
    doubleClickFolder(QFileInfo(folder).fileName());

    clickFile(fileName);

    const QString expected = native(inTree(folder + u'/' + fileName));
    QCOMPARE(txtPath->text(), expected);
    cmdOK->click();
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + expected);
}

void tst_ui_frmsettings::pathInFolderUsesOneSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root") << native(QDir::rootPath()) << native(QDir::rootPath() + u"base.mdb"_s);
    QTest::newRow("folder") << native(u"/srv/phones"_s) << native(u"/srv/phones/base.mdb"_s);
    QTest::newRow("folder with blanks") << native(u"/srv/my phones "_s) << native(u"/srv/my phones /base.mdb"_s);
}

void tst_ui_frmsettings::pathInFolderUsesOneSeparator()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(velkaro::ui::pathInFolder(folder, u"base.mdb"_s), expected);
}

void tst_ui_frmsettings::eachDriveKeepsItsCurrentFolder()
{
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));

    doubleClickFolder(u"beta"_s);
    chooseDrive(inTree(u"usb"_s));
    QCOMPARE(dirBase->path(), inTree(u"usb"_s));
    QCOMPARE(txtPath->text(), native(inTree(u"usb"_s)));
    doubleClickFolder(u"sub"_s);

    chooseDrive(systemDriveRoot());
    QCOMPARE(dirBase->path(), inTree(u"beta"_s));
    QCOMPARE(flBase->path(), inTree(u"beta"_s));
    QCOMPARE(txtPath->text(), native(inTree(u"beta"_s)));

    chooseDrive(inTree(u"usb"_s));
    QCOMPARE(dirBase->path(), inTree(u"usb/sub"_s));
    QCOMPARE(itemTexts(flBase), QStringList {u"other.mdb"_s});
    QVERIFY(m_messages.isEmpty());
}

void tst_ui_frmsettings::assigningCurrentValueRunsNothing()
{
    m_dialog = openDialog();
    txtPath->setText(u"typed"_s);

    drvBase->setDrive(drvBase->drive());
    dirBase->setPath(dirBase->driveRoot(), dirBase->path());
    flBase->setPath(flBase->path());

    QCOMPARE(txtPath->text(), u"typed"_s);
    QCOMPARE(dirBase->path(), m_tree);
}

void tst_ui_frmsettings::cancelKeepsConnectionAndTypedText()
{
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    doubleClickFolder(u"alpha"_s);
    txtPath->clear();
    const QString typed = u" /srv/other base.mdb "_s;
    QTest::keyClicks(txtPath, typed);

    QTest::mouseClick(cmdCancel, Qt::LeftButton);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + velkaro::places::defaultDatabasePath());

    m_dialog->show();
    QCOMPARE(txtPath->text(), typed);
    QCOMPARE(dirBase->path(), inTree(u"alpha"_s));

    QTest::mouseClick(cmdOK, Qt::LeftButton);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + typed);
}

void tst_ui_frmsettings::okWithEmptyPathGivesDriverPrefix()
{
    m_dialog = openDialog();
    txtPath->clear();
    QTest::mouseClick(cmdOK, Qt::LeftButton);
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix);
}

void tst_ui_frmsettings::keysAndCloseBoxApplyNothing_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("key");

    QTest::newRow("Esc") << u"txtPath"_s << int(Qt::Key_Escape);
    QTest::newRow("Enter in the text box") << u"txtPath"_s << int(Qt::Key_Return);
    QTest::newRow("Enter on the file list") << u"flBase"_s << int(Qt::Key_Return);
    QTest::newRow("Esc on OK") << u"cmdOK"_s << int(Qt::Key_Escape);
}

void tst_ui_frmsettings::keysAndCloseBoxApplyNothing()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    txtPath->setText(u"/srv/typed.mdb"_s);
    auto *control = m_dialog->findChild<QWidget *>(target);
    control->setFocus();

    QTest::keyClick(control, Qt::Key(key));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + velkaro::places::defaultDatabasePath());

    m_dialog->close();
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + velkaro::places::defaultDatabasePath());
    QCOMPARE(txtPath->text(), u"/srv/typed.mdb"_s);
}

void tst_ui_frmsettings::enterPressesFocusedButton_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("applies");

    QTest::newRow("Return on OK") << u"cmdOK"_s << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter on OK") << u"cmdOK"_s << int(Qt::Key_Enter) << true;
    QTest::newRow("Return on Отмена") << u"cmdCancel"_s << int(Qt::Key_Return) << false;
}

void tst_ui_frmsettings::enterPressesFocusedButton()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    QFETCH(bool, applies);
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    txtPath->setText(u"/srv/typed.mdb"_s);
    auto *button = m_dialog->findChild<QPushButton *>(target);
    button->setFocus();

    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(button, Qt::Key(key), modifiers);

    QVERIFY(m_dialog->isHidden());
    QCOMPARE(velkaro::database::ConnectionString(),
        kDriverPrefix + (applies ? u"/srv/typed.mdb"_s : velkaro::places::defaultDatabasePath()));
}

void tst_ui_frmsettings::unreadableDrive_data()
{
    QTest::addColumn<QStringList>("unreadable");
    QTest::addColumn<QString>("startDrive");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expectedFolder");

    // The test's tree is the system drive's current folder, "usb" the other drive's top folder.
    QTest::newRow("drive gone") << QStringList {u"gone"_s} << u"system"_s << u"gone"_s << u"."_s;
    QTest::newRow("drive unreadable") << QStringList {u"usb"_s} << u"system"_s << u"usb"_s << u"."_s;
    QTest::newRow("system drive unreadable too")
        << QStringList {u"gone"_s, u"system"_s} << u"usb"_s << u"gone"_s << u"usb"_s;
    QTest::newRow("system drive chosen and unreadable")
        << QStringList {u"system"_s} << u"usb"_s << u"system"_s << u"usb"_s;
}

void tst_ui_frmsettings::unreadableDrive()
{
    QFETCH(QStringList, unreadable);
    QFETCH(QString, startDrive);
    QFETCH(QString, chosen);
    QFETCH(QString, expectedFolder);
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    chooseDrive(driveRoot(startDrive));
    for (const QString &drive : unreadable)
        m_unreadable.append(driveRoot(drive));
    const QString pathBefore = txtPath->text();

    chooseDrive(driveRoot(chosen));

    const QList<RecordedMessage> oneMessage {{u"Этот диск недоступен!"_s, u"Ошибка !"_s, MessageIcon::Critical}};
    QCOMPARE(m_messages, oneMessage);
    QCOMPARE(drvBase->drive(), systemDriveRoot());
    QCOMPARE(dirBase->path(), inTree(expectedFolder));
    QCOMPARE(flBase->path(), inTree(expectedFolder));
    QCOMPARE(txtPath->text(), pathBefore);
    QCOMPARE(velkaro::database::ConnectionString(), kDriverPrefix + velkaro::places::defaultDatabasePath());

    // The dialog stays usable.
    doubleClickFolder(dirBase->currentItem()->child(0)->text(0));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(QFileInfo(dirBase->path()).path(), inTree(expectedFolder));
}

// The real message box, once: found while it is open, then closed with its OK button.
void tst_ui_frmsettings::unreadableDriveShowsStopBox()
{
    m_unreadable.append(inTree(u"gone"_s));
    const QStringList roots {systemDriveRoot(), inTree(u"gone"_s)};
    m_dialog = std::make_unique<frmSettings>(std::make_unique<FakeDrives>(roots, m_unreadable));
    m_dialog->show();
    auto *drives = m_dialog->findChild<DriveListBox *>(u"drvBase"_s);

    QStringList seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&seen] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen.append(box->windowTitle() + u'|' + box->text() + u'|' + QString::number(box->icon()) + u'|'
                + QString::number(box->buttons().size()));
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    drives->setCurrentIndex(drives->findData(inTree(u"gone"_s)));
    poll.stop();

    const QString expected = u"Ошибка !|Этот диск недоступен!|"_s + QString::number(QMessageBox::Critical) + u"|1"_s;
    QCOMPARE(seen, QStringList {expected});
    QCOMPARE(drives->drive(), systemDriveRoot());
}

void tst_ui_frmsettings::tabOrderStartsOnCancel()
{
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));

    QStringList order {QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order,
        (QStringList {
            u"cmdCancel"_s, u"cmdOK"_s, u"dirBase"_s, u"flBase"_s, u"drvBase"_s, u"txtPath"_s, u"cmdCancel"_s}));
}

void tst_ui_frmsettings::layoutInTwipsSurvivesResize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("dirBase") << u"dirBase"_s << QRect(240, 240, 3375, 3240);
    QTest::newRow("flBase") << u"flBase"_s << QRect(4080, 240, 2415, 3210);
    QTest::newRow("drvBase") << u"drvBase"_s << QRect(240, 3600, 3375, 315);
    QTest::newRow("дидЗфер") << u"дидЗфер"_s << QRect(0, 4320, 1215, 255);
    QTest::newRow("txtPath") << u"txtPath"_s << QRect(1200, 4200, 3375, 375);
    QTest::newRow("cmdOK") << u"cmdOK"_s << QRect(4800, 4320, 735, 375);
    QTest::newRow("cmdCancel") << u"cmdCancel"_s << QRect(5640, 4320, 975, 375);
}

void tst_ui_frmsettings::layoutInTwipsSurvivesResize()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    m_dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    const auto *control = m_dialog->findChild<QWidget *>(name);

    QCOMPARE(m_dialog->size(), QSize(446, 327));
    QCOMPARE(control->geometry(), expected);
    m_dialog->resize(800, 600);
    QCOMPARE(m_dialog->size(), QSize(800, 600));
    QCOMPARE(control->geometry(), expected);
    m_dialog->resize(200, 150);
    QCOMPARE(control->geometry(), expected);
}

void tst_ui_frmsettings::look()
{
    m_dialog = openDialog();
    const auto *label = m_dialog->findChild<QLabel *>(u"дидЗфер"_s);

    QCOMPARE(m_dialog->windowTitle(), u"Настройки"_s);
    QCOMPARE(m_dialog->parentWidget(), nullptr);
    QCOMPARE(m_dialog->windowModality(), Qt::NonModal);
    QCOMPARE(m_dialog->palette().color(QPalette::Window), QGuiApplication::palette().color(QPalette::Highlight));
    QCOMPARE(label->text(), u"Путь к базе:"_s);
    QCOMPARE(label->buddy(), txtPath);
    QCOMPARE(label->palette().color(QPalette::WindowText), QGuiApplication::palette().color(QPalette::HighlightedText));
    QVERIFY(!label->autoFillBackground());
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSizeF(), 8.25);
    QCOMPARE(label->font().family(), u"MS Sans Serif"_s);
    QCOMPARE(cmdOK->text(), u"OK"_s);
    QCOMPARE(cmdCancel->text(), u"Отмена"_s);
    for (const QPushButton *button : {cmdOK, cmdCancel}) {
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    for (const QString &name :
        {u"drvBase"_s, u"dirBase"_s, u"flBase"_s, u"txtPath"_s, u"cmdOK"_s, u"cmdCancel"_s, u"дидЗфер"_s})
        QCOMPARE(m_dialog->findChild<QWidget *>(name)->accessibleDescription(), name);
}

QTEST_MAIN(tst_ui_frmsettings)
#include "tst_ui_frmsettings.moc"
