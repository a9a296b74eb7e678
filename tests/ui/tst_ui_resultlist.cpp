#include "MkBase.h"
#include "database/connection/Connection.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/Recordset.h"
#include "search/RunWideValues.h"
#include "search/SearchCommand.h"
#include "support/RunState.h"
#include "support/SearchRecorders.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using velkaro::search::SearchInputs;
using velkaro::ui::frmFinder;
using velkaro::ui::ResultListBox;

namespace {

// Codes without a catalogue entry (0, 99), a null code, blanks around a phone, null fields, mixed case.
const QByteArray directoryCsv = R"(ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE
"ИВАНОВ В.В.","  3708767 ","УЛ. ШКОЛЬНАЯ Д. 94",,21
"ПЕТРОВ П.П.","7704455","УЛ. ШКОЛЬНАЯ Д. 71 КВ.44","ТАКСОФОН У ВХОДА",0
"ИВАНОВА А.П.","5551234","УЛ. САДОВАЯ Д. 5 КВ.12","АПТЕКА",99
"СИДОРОВ С.С.",,,"СКЛАД",
"Ивановский И.и.","5550000","ул. Садовая д. 7","Тир",41
)";

SearchInputs byAbonent(const QString &ab)
{
    return {{}, {}, {}, {}, ab, {}, {}};
}

SearchInputs byComment(const QString &comment)
{
    return {{}, {}, {}, {}, {}, {}, comment};
}

// The seven boxes of the window, by name, as SearchInputs names them.
void typeInto(frmFinder &window, const SearchInputs &in)
{
    const std::pair<const char *, QString> boxes[] = {{"txtStreet", in.street}, {"txtHouse", in.house},
        {"txtKorp", in.korp}, {"txtFlat", in.flat}, {"txtAb", in.ab}, {"txtPhone", in.phone},
        {"txtComment", in.comment}};
    for (const auto &[name, text] : boxes)
        window.findChild<QLineEdit *>(QString::fromLatin1(name))->setText(text);
}

} // namespace

Q_DECLARE_METATYPE(QList<SearchInputs>)

class tst_ui_resultlist : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void linesAsTheCommandGaveThem_data();
    void linesAsTheCommandGaveThem();
    void keysMoveTheOneSelectedLine();
    void endReachesTheLastOfManyLines();
    void failedSearchOnAnotherFileKeepsTheLines();

private:
    QTemporaryDir m_folder;
    QString m_base;
};

void tst_ui_resultlist::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_base = m_folder.filePath(u"directory.mdb"_s);
    QString error;
    QVERIFY2(velkaro::mkbase::writeMdbFromCsv(directoryCsv, m_base, &error), qPrintable(error));
    velkaro::database::setDatabaseFile(m_base);
}

void tst_ui_resultlist::linesAsTheCommandGaveThem_data()
{
    QTest::addColumn<QList<SearchInputs>>("searches"); // run one after another
    QTest::addColumn<int>("lineCount");

    QTest::newRow("subscriber") << QList {byAbonent(u"иванов"_s)} << 18;
    QTest::newRow("phone with blanks stored") << QList {SearchInputs {{}, {}, {}, {}, {}, u"770-44-55"_s, {}}} << 6;
    QTest::newRow("codes 0 and 99 after 21") << QList {byAbonent(u"в"_s)} << 30;
    QTest::newRow("null code and fields") << QList {byComment(u"склад"_s)} << 6;
    QTest::newRow("second search clears the first") << QList {byAbonent(u"иванов"_s), byAbonent(u"п"_s)} << 12;
    QTest::newRow("nothing found clears") << QList {byAbonent(u"иванов"_s), byAbonent(u"кузнецов"_s)} << 0;
}

// What the command hands to a plain list of lines is what lstAbs shows, what it gives by index, and what a
// screen reader reads from it.
void tst_ui_resultlist::linesAsTheCommandGaveThem()
{
    QFETCH(QList<SearchInputs>, searches);
    QFETCH(int, lineCount);

    velkaro::testing::resetRunState();
    velkaro::database::setDatabaseFile(m_base);
    velkaro::database::Connection connection;
    velkaro::database::Recordset recordset;
    velkaro::search::SearchCommand command(connection, recordset);
    velkaro::search::testing::RecordingList plain;
    velkaro::search::testing::RecordingMessages plainMessages;
    for (const SearchInputs &search : searches)
        command.run(velkaro::search::testing::FixedInputs(search), plain, plainMessages);
    QVERIFY(plainMessages.messages.isEmpty());
    QCOMPARE(plain.lines.size(), lineCount);

    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::database::setDatabaseFile(m_base);
    auto *list = window.findChild<ResultListBox *>(u"lstAbs"_s);
    for (const SearchInputs &search : searches) {
        typeInto(window, search);
        QTest::mouseClick(window.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);
    }
    QVERIFY(messages.isEmpty());

    QStringList byIndex;
    QStringList shown;
    QStringList read;
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(list);
    QCOMPARE(accessible->role(), QAccessible::List);
    QCOMPARE(accessible->childCount(), list->ListCount());
    for (int row = 0; row < list->ListCount(); ++row) {
        byIndex.append(list->List(row));
        shown.append(list->model()->index(row, 0).data().toString());
        read.append(accessible->child(row)->text(QAccessible::Name));
    }
    QCOMPARE(byIndex, plain.lines);
    QCOMPARE(shown, plain.lines);
    QCOMPARE(read, plain.lines);
    QCOMPARE(list->List(list->ListCount()), QString());
}

void tst_ui_resultlist::keysMoveTheOneSelectedLine()
{
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::database::setDatabaseFile(m_base);
    typeInto(window, byAbonent(u"иванов"_s));
    QTest::mouseClick(window.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);
    auto *list = window.findChild<ResultListBox *>(u"lstAbs"_s);
    list->AddItem(u"последняя"_s);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    list->setFocus();

    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(list->currentIndex().data().toString(), u"последняя"_s);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(list->currentIndex().row(), 17);
    QCOMPARE(list->currentIndex().data().toString(), u"   Примечания:"_s + QString(8, u' ') + u"Тир"_s);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->currentIndex().row(), 0);
}

// Many more lines than the view places at once are placed between events; End then reaches the last one.
void tst_ui_resultlist::endReachesTheLastOfManyLines()
{
    ResultListBox list;
    QStringList lines;
    for (int line = 0; line <= 120000; ++line)
        lines.append(QString::number(line));
    list.append(lines);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setFocus();
    QTRY_VERIFY((QTest::keyClick(&list, Qt::Key_End), list.currentIndex().row() == 120000));
    QCOMPARE(list.currentIndex().data().toString(), u"120000"_s);
    QCOMPARE(list.verticalScrollBar()->value(), list.verticalScrollBar()->maximum());
}

// Before another file is read the list lets go of the table its lines come from; they stay as they were.
void tst_ui_resultlist::failedSearchOnAnotherFileKeepsTheLines()
{
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::database::setDatabaseFile(m_base);
    typeInto(window, byAbonent(u"в"_s));
    auto *find = window.findChild<QPushButton *>(u"cmdFind"_s);
    QTest::mouseClick(find, Qt::LeftButton);
    auto *list = window.findChild<ResultListBox *>(u"lstAbs"_s);
    QStringList before;
    for (int row = 0; row < list->ListCount(); ++row)
        before.append(list->List(row));
    QCOMPARE(before.size(), 30);

    velkaro::database::setDatabaseFile(m_folder.filePath(u"missing.mdb"_s));
    QTest::mouseClick(find, Qt::LeftButton);

    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, u"Ошибка при подключении к базе данных !"_s);
    QStringList after;
    for (int row = 0; row < list->ListCount(); ++row)
        after.append(list->List(row));
    QCOMPARE(after, before);
    velkaro::database::setDatabaseFile(m_base);
}

QTEST_MAIN(tst_ui_resultlist)
#include "tst_ui_resultlist.moc"
