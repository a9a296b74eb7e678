#include "CsvReader.h"
#include "places/ProgramPlaces.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// Runs from the folder the Windows installer filled (packaging/windows/check-installer.sh puts it there): the
// program's places are that folder, and a search through the window over the installed sample reads it with the
// installed reader.
class tst_package_installed : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void placesLieBesideTheProgram_data();
    void placesLieBesideTheProgram();
    void subscriberSearchFindsEveryIvanov();
};

void tst_package_installed::initTestCase()
{
    QVERIFY2(QFileInfo::exists(QCoreApplication::applicationDirPath() + u"/velkaro.exe"_s),
        "run from the folder the installer filled");
}

void tst_package_installed::placesLieBesideTheProgram_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("reader") << QDir::toNativeSeparators(velkaro::places::readerProgram()) << u"velkaro-reader.exe"_s;
    QTest::newRow("help page") << velkaro::places::helpPage() << u"help.html"_s;
    QTest::newRow("default directory") << velkaro::places::defaultDatabasePath() << u"base.mdb"_s;
}

void tst_package_installed::placesLieBesideTheProgram()
{
    QFETCH(QString, place);
    QFETCH(QString, fileName);
    QCOMPARE(place, velkaro::places::programFolder() + u'\\' + fileName);
    QVERIFY(QFileInfo::exists(place));
}

namespace {

// The subscribers of the sample whose name holds "иванов" in any case, in the file's order, read from its CSV.
QStringList ivanovsOfTheSample()
{
    QFile csv(QStringLiteral(VELKARO_SAMPLE_CSV));
    if (!csv.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = csv.readAll();
    velkaro::mkbase::CsvReader reader(data);
    QList<velkaro::mkbase::CsvField> fields;
    QString error;
    QStringList names;
    reader.next(&fields, &error);
    while (reader.next(&fields, &error) == velkaro::mkbase::CsvReader::Result::Record) {
        const QString name = QString::fromUtf8(fields.first().value);
        if (name.contains(u"иванов"_s, Qt::CaseInsensitive))
            names.append(name);
    }
    return names;
}

} // namespace

void tst_package_installed::subscriberSearchFindsEveryIvanov()
{
    const QStringList expected = ivanovsOfTheSample();
    QVERIFY(!expected.isEmpty());
    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    velkaro::ui::frmFinder finder(
        std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    finder.show();
    auto *subscriber = finder.findChild<QLineEdit *>(u"txtAb"_s);
    subscriber->setFocus();
    // QTest::keyClicks sends Latin-1 only.
    for (const QChar letter : u"иванов"_s)
        QTest::sendKeyEvent(QTest::Click, subscriber, Qt::Key_unknown, QString(letter), Qt::NoModifier);
    QCOMPARE(subscriber->text(), u"иванов"_s);
    QTest::mouseClick(finder.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);

    QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
    const auto *list = finder.findChild<velkaro::ui::ResultListBox *>(u"lstAbs"_s);
    QStringList found;
    for (int row = 0; row < list->ListCount(); ++row) {
        if (list->List(row).startsWith(u"   Абонент:"_s))
            found.append(list->List(row).mid(11).trimmed());
    }
    QCOMPARE(found, expected);
    QCOMPARE(list->ListCount(), 6 * expected.size());
}

QTEST_MAIN(tst_package_installed)
#include "tst_package_installed.moc"
