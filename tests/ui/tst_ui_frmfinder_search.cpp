#include "MkBase.h"
#include "database/connection/ConnectionString.h"
#include "search/RunWideValues.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using velkaro::ui::frmFinder;
using velkaro::ui::ResultListBox;

namespace {

const QByteArray directoryCsv = R"(ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE
"ИВАНОВ В.В.","  3708767 ","УЛ. ШКОЛЬНАЯ Д. 94",,21
"ПЕТРОВ П.П.","7704455","УЛ. ШКОЛЬНАЯ Д. 71 КВ.44",,41
"ИВАНОВА А.П.","5551234","УЛ. САДОВАЯ Д. 5 КВ.12","АПТЕКА",21
)";

QStringList block(
    const QString &abonent, const QString &phone, const QString &address, const QString &type, const QString &comment)
{
    return {QString(), u"   Абонент:"_s + QString(16, u' ') + abonent, u"   Телефон:"_s + QString(14, u' ') + phone,
        u"   Адрес:"_s + QString(19, u' ') + address, u"   Тип:"_s + QString(25, u' ') + type,
        u"   Примечания:"_s + QString(8, u' ') + comment};
}

QStringList lines(const ResultListBox &list)
{
    QStringList shown;
    for (int row = 0; row < list.ListCount(); ++row)
        shown.append(list.List(row));
    return shown;
}

// Types text as a person would, key by key (QTest::keyClicks takes ASCII only).
void type(QWidget *box, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

class tst_ui_frmfinder_search : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void typedSearchFillsTheList_data();
    void typedSearchFillsTheList();
    void clearThenFindRepeatsTheSearch();

private:
    QTemporaryDir m_folder;
    QString m_base;
};

void tst_ui_frmfinder_search::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_base = m_folder.filePath(u"directory.mdb"_s);
    QString error;
    QVERIFY2(velkaro::mkbase::writeMdbFromCsv(directoryCsv, m_base, &error), qPrintable(error));
}

void tst_ui_frmfinder_search::typedSearchFillsTheList_data()
{
    QTest::addColumn<QStringList>("boxes"); // box name, typed text, box name, typed text ...
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("subscriber") << QStringList {u"txtAb"_s, u"иванов"_s}
                                << block(u"ИВАНОВ В.В."_s, u"3708767"_s, u"УЛ. ШКОЛЬНАЯ Д. 94"_s, u"ЛИЧНЫЙ"_s, {})
            + block(u"ИВАНОВА А.П."_s, u"5551234"_s, u"УЛ. САДОВАЯ Д. 5 КВ.12"_s, u"ЛИЧНЫЙ"_s, u"АПТЕКА"_s);
    QTest::newRow("street, house and flat")
        << QStringList {u"txtStreet"_s, u"садовая"_s, u"txtHouse"_s, u"5"_s, u"txtFlat"_s, u"12"_s}
        << block(u"ИВАНОВА А.П."_s, u"5551234"_s, u"УЛ. САДОВАЯ Д. 5 КВ.12"_s, u"ЛИЧНЫЙ"_s, u"АПТЕКА"_s);
    QTest::newRow("phone with dashes") << QStringList {u"txtPhone"_s,
        u"770-44-55"_s} << block(u"ПЕТРОВ П.П."_s, u"7704455"_s, u"УЛ. ШКОЛЬНАЯ Д. 71 КВ.44"_s, u"ТАКСОФОН"_s, {});
    QTest::newRow("nothing found") << QStringList {u"txtAb"_s, u"сидоров"_s} << QStringList();
}

void tst_ui_frmfinder_search::typedSearchFillsTheList()
{
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, expected);

    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::database::setDatabaseFile(m_base);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QLineEdit *last = nullptr;
    for (qsizetype i = 0; i + 1 < boxes.size(); i += 2) {
        last = window.findChild<QLineEdit *>(boxes[i]);
        QVERIFY(last);
        last->setFocus();
        type(last, boxes[i + 1]);
        QCOMPARE(last->text(), boxes[i + 1]);
    }
    QTest::keyClick(last, Qt::Key_Return);

    QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages[0].text));
    QCOMPARE(lines(*window.findChild<ResultListBox *>(u"lstAbs"_s)), expected);
}

void tst_ui_frmfinder_search::clearThenFindRepeatsTheSearch()
{
    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::database::setDatabaseFile(m_base);
    auto *list = window.findChild<ResultListBox *>(u"lstAbs"_s);
    auto *find = window.findChild<QPushButton *>(u"cmdFind"_s);
    auto *clear = window.findChild<QPushButton *>(u"cmdClear"_s);
    window.findChild<QLineEdit *>(u"txtStreet"_s)->setText(u"школьная"_s);
    window.findChild<QLineEdit *>(u"txtHouse"_s)->setText(u"94"_s);

    QTest::mouseClick(find, Qt::LeftButton);
    const QStringList first = lines(*list);
    QCOMPARE(first.size(), 6);
    QCOMPARE(first[1], u"   Абонент:"_s + QString(16, u' ') + u"ИВАНОВ В.В."_s);

    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(list->ListCount(), 0);
    QCOMPARE(window.findChild<QLineEdit *>(u"txtStreet"_s)->text(), u"школьная"_s);
    QCOMPARE(window.findChild<QLineEdit *>(u"txtHouse"_s)->text(), u"94"_s);

    QTest::mouseClick(find, Qt::LeftButton);
    QCOMPARE(lines(*list), first);
    QVERIFY(messages.isEmpty());
}

QTEST_MAIN(tst_ui_frmfinder_search)
#include "tst_ui_frmfinder_search.moc"
