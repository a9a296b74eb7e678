#include "MkBase.h"
#include "database/connection/ConnectionString.h"
#include "places/ProgramPlaces.h"
#include "search/RunWideValues.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"
#include "ui/frmSettings.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using velkaro::ui::frmFinder;
using velkaro::ui::frmSettings;

namespace {

const QByteArray secondDirectoryCsv = R"(ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE
"СИДОРОВ С.С.","2223344","УЛ. ЛЕСНАЯ Д. 3 КВ.7","СКЛАД",21
)";

QList<frmSettings *> settingsWindows()
{
    QList<frmSettings *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *settings = qobject_cast<frmSettings *>(widget))
            found.append(settings);
    }
    return found;
}

// A click or double-click on a list row as the platform sends it.
void clickRow(QAbstractItemView *view, const QModelIndex &index, bool twice)
{
    const QPoint centre = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    if (twice) {
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, centre);
    }
}

} // namespace

class tst_ui_frmsettings_open : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void secondOpenShowsTheSameWindow();
    void chosenFileIsSearched();
    void chosenFolderMakesSearchFail();
    void closingMainWindowEndsProgramWithDialogOpen();

private:
    frmSettings *openSettings();
    void search(const QString &abonent);

    QTemporaryDir m_dir;
    QString m_startFolder;
    QList<RecordedMessage> m_messages;
    QList<Launch> m_pages;
    std::unique_ptr<frmFinder> m_window;
};

void tst_ui_frmsettings_open::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_startFolder = QDir::currentPath();
    QVERIFY(QDir(m_dir.path()).mkpath(u"folder"_s));
    QString error;
    QVERIFY2(velkaro::mkbase::writeMdbFromCsv(secondDirectoryCsv, m_dir.filePath(u"second.mdb"_s), &error),
        qPrintable(error));
}

// The settings dialog starts in the working folder, which holds second.mdb.
void tst_ui_frmsettings_open::init()
{
    velkaro::testing::resetRunState();
    m_messages.clear();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    m_window = std::make_unique<frmFinder>(
        std::make_unique<RecordingLauncher>(m_pages), std::make_unique<MessageRecorder>(m_messages));
    m_window->show();
}

void tst_ui_frmsettings_open::cleanup()
{
    m_window.reset();
    QDir::setCurrent(m_startFolder);
}

frmSettings *tst_ui_frmsettings_open::openSettings()
{
    m_window->findChild<QAction *>(u"mSettings"_s)->trigger();
    const QList<frmSettings *> windows = settingsWindows();
    return windows.size() == 1 ? windows.first() : nullptr;
}

void tst_ui_frmsettings_open::search(const QString &abonent)
{
    m_window->findChild<QLineEdit *>(u"txtAb"_s)->setText(abonent);
    QTest::mouseClick(m_window->findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);
}

void tst_ui_frmsettings_open::secondOpenShowsTheSameWindow()
{
    QVERIFY(settingsWindows().isEmpty());
    frmSettings *settings = openSettings();
    QVERIFY(settings);
    QVERIFY(settings->isVisible());
    QCOMPARE(settings->parentWidget(), nullptr);
    QVERIFY(!settings->isModal());
    auto *path = settings->findChild<QLineEdit *>(u"txtPath"_s);
    path->setText(u"/srv/typed.mdb"_s);

    QCOMPARE(openSettings(), settings);
    QVERIFY(settings->isVisible());

    QTest::mouseClick(settings->findChild<QPushButton *>(u"cmdCancel"_s), Qt::LeftButton);
    QVERIFY(settings->isHidden());
    QCOMPARE(openSettings(), settings);
    QVERIFY(settings->isVisible());
    QCOMPARE(path->text(), u"/srv/typed.mdb"_s);
    QCOMPARE(velkaro::database::ConnectionString(),
        u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + velkaro::places::defaultDatabasePath());
}

void tst_ui_frmsettings_open::chosenFileIsSearched()
{
    frmSettings *settings = openSettings();
    QVERIFY(settings);
    QVERIFY(QTest::qWaitForWindowExposed(settings));
    auto *files = settings->findChild<QListWidget *>(u"flBase"_s);
    const QList<QListWidgetItem *> found = files->findItems(u"second.mdb"_s, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);

    clickRow(files, files->indexFromItem(found.first()), false);
    QCOMPARE(settings->findChild<QLineEdit *>(u"txtPath"_s)->text(),
        QDir::toNativeSeparators(m_dir.filePath(u"second.mdb"_s)));
    QTest::mouseClick(settings->findChild<QPushButton *>(u"cmdOK"_s), Qt::LeftButton);
    QVERIFY(settings->isHidden());
    search(u"СИДОРОВ"_s);

    QVERIFY2(m_messages.isEmpty(), m_messages.isEmpty() ? "" : qPrintable(m_messages.first().text));
    const auto *list = m_window->findChild<velkaro::ui::ResultListBox *>(u"lstAbs"_s);
    QCOMPARE(list->ListCount(), 6);
    QCOMPARE(list->List(1), u"   Абонент:"_s + QString(16, u' ') + u"СИДОРОВ С.С."_s);
    QCOMPARE(list->List(5), u"   Примечания:"_s + QString(8, u' ') + u"СКЛАД"_s);
}

void tst_ui_frmsettings_open::chosenFolderMakesSearchFail()
{
    frmSettings *settings = openSettings();
    QVERIFY(settings);
    QVERIFY(QTest::qWaitForWindowExposed(settings));
    auto *folders = settings->findChild<QTreeWidget *>(u"dirBase"_s);
    const QList<QTreeWidgetItem *> found = folders->findItems(u"folder"_s, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);

    clickRow(folders, folders->indexFromItem(found.first()), true);
    QCOMPARE(
        settings->findChild<QLineEdit *>(u"txtPath"_s)->text(), QDir::toNativeSeparators(m_dir.filePath(u"folder"_s)));
    QTest::mouseClick(settings->findChild<QPushButton *>(u"cmdOK"_s), Qt::LeftButton);
    search(u"СИДОРОВ"_s);

    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.first().text, u"Ошибка при подключении к базе данных !"_s);
    QCOMPARE(m_messages.first().title, u"Ошибка !"_s);
    QCOMPARE(m_messages.first().icon, velkaro::MessageIcon::Critical);
}

// Closing the main window ends the event loop with code 0 and hides the open settings window.
void tst_ui_frmsettings_open::closingMainWindowEndsProgramWithDialogOpen()
{
    frmSettings *settings = openSettings();
    QVERIFY(settings);
    QVERIFY(QTest::qWaitForWindowExposed(settings));

    QTimer::singleShot(0, m_window.get(), [this] { m_window->close(); });
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    deadline.start(10000);

    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!settings->isVisible());
}

QTEST_MAIN(tst_ui_frmsettings_open)
#include "tst_ui_frmsettings_open.moc"
