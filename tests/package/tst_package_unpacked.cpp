#include "app/CommandLine.h"
#include "places/ProgramPlaces.h"
#include "search/RunWideValues.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// Runs from the usr/bin folder of an unpacked package (packaging/check-package.sh puts it there): the program's
// places resolve into the unpacked tree, and a search over the packaged sample reads it with the packaged reader.
class tst_package_unpacked : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void placesLieInTheInstalledLayout_data();
    void placesLieInTheInstalledLayout();
    void searchOverThePackagedSample();

private:
    QString m_usr;
};

void tst_package_unpacked::initTestCase()
{
    m_usr = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/.."_s);
    QVERIFY2(!QFileInfo::exists(QCoreApplication::applicationDirPath() + u"/velkaro-reader"_s),
        "run from the usr/bin folder of an unpacked package, not from the build folder");
}

void tst_package_unpacked::placesLieInTheInstalledLayout_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("underUsr");
    QTest::addColumn<bool>("packaged");
    QTest::newRow("reader") << velkaro::places::readerProgram() << u"libexec/velkaro/velkaro-reader"_s << true;
    QTest::newRow("help page") << velkaro::places::helpPage() << u"share/velkaro/help.html"_s << true;
    // Not a file of the package: postinst makes it on the target machine.
    QTest::newRow("default directory") << velkaro::places::defaultDatabasePath() << u"var/lib/velkaro/base.mdb"_s
                                       << false;
}

void tst_package_unpacked::placesLieInTheInstalledLayout()
{
    QFETCH(QString, place);
    QFETCH(QString, underUsr);
    QFETCH(bool, packaged);
    QCOMPARE(place, m_usr + u'/' + underUsr);
    QCOMPARE(QFileInfo::exists(place), packaged);
}

void tst_package_unpacked::searchOverThePackagedSample()
{
    const auto commandLine = velkaro::app::readCommandLine({u"velkaro"_s, m_usr + u"/share/velkaro/base.mdb"_s});
    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    velkaro::ui::frmFinder finder(
        std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::app::useDatabaseFile(commandLine);
    finder.findChild<QLineEdit *>(u"txtPhone"_s)->setText(u"370-87-67"_s);
    QTest::mouseClick(finder.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);

    QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
    const auto *list = finder.findChild<velkaro::ui::ResultListBox *>(u"lstAbs"_s);
    QStringList shown;
    for (int row = 0; row < list->ListCount(); ++row)
        shown.append(list->List(row));
    const QStringList expected {QString(), u"   Абонент:"_s + QString(16, u' ') + u"ИВАНОВ В.В."_s,
        u"   Телефон:"_s + QString(14, u' ') + u"3708767"_s,
        u"   Адрес:"_s + QString(19, u' ') + u"УЛ. ШКОЛЬНАЯ Д. 94"_s,
        u"   Тип:"_s + QString(25, u' ') + u"МТС (через код 911)"_s, u"   Примечания:"_s + QString(8, u' ')};
    QCOMPARE(shown, expected);
}

QTEST_MAIN(tst_package_unpacked)
#include "tst_package_unpacked.moc"
