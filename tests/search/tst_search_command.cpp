#include "support/RunState.h"
#include "support/SearchRecorders.h"

#include "MkBase.h"
#include "database/connection/Connection.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/Recordset.h"
#include "search/RunWideValues.h"
#include "search/SearchCommand.h"
#include "search/mdlFunc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <new>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace velkaro;
using namespace velkaro::search;
using namespace velkaro::search::testing;

namespace {

const QString textNoType = u"ABONENT:text(255),PHONE:text(50),ADDRESS:text(255),COMMENT:text(255),NO_TYPE:text(10)"_s;
const QString header = u"ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n"_s;

// Six entries: blanks around a stored phone, an apostrophe, a building, a record of nulls.
const QString directoryCsv = header
    + u"ИВАНОВ ИВАН ИВАНОВИЧ,  1234567 ,САДОВАЯ УЛ. Д. 5 КВ.12,АПТЕКА,21\n"
      "ПЕТРОВ ПЁТР,7654321,САДОВАЯ УЛ. Д. 5 КОРП. 2 КВ.12,,41\n"
      "О'НИЛ ДЖОН,5550001,НЕВСКИЙ ПР. Д. 7,,21\n"
      "ОНИЛОВ ОЛЕГ,5550002,САДОВАЯ УЛ. Д. 5,,\n"
      ",1112233,,,\n"
      "СИДОРОВ СИДОР,2223344,САДОВАЯ УЛ. Д. 15 КВ.3,АПТЕКА,53\n"_s;

const QString abonentLabel = u"   Абонент:"_s + QString(16, u' ');
const QString phoneLabel = u"   Телефон:"_s + QString(14, u' ');
const QString addressLabel = u"   Адрес:"_s + QString(19, u' ');
const QString typeLabel = u"   Тип:"_s + QString(25, u' ');
const QString commentLabel = u"   Примечания:"_s + QString(8, u' ');

const RecordedMessage databaseFailure {
    u"Ошибка при подключении к базе данных !"_s, u"Ошибка !"_s, MessageIcon::Critical};
const RecordedMessage moreDetail {u"Введите более точные данные!"_s, u"Ошибка !"_s, MessageIcon::Warning};
const RecordedMessage noStartingData {u"Отсутствуют начальные данные!"_s, u"Ошибка!"_s, MessageIcon::Critical};

SearchInputs byAbonent(const QString &ab)
{
    return {{}, {}, {}, {}, ab, {}, {}};
}

SearchInputs byComment(const QString &comment)
{
    return {{}, {}, {}, {}, {}, {}, comment};
}

// The lines of one result block, labels included.
QStringList block(
    const QString &abonent, const QString &phone, const QString &address, const QString &type, const QString &comment)
{
    return {QString(), abonentLabel + abonent, phoneLabel + phone, addressLabel + address, typeLabel + type,
        commentLabel + comment};
}

// The text after the label in every line that starts with `label`.
QStringList valuesOf(const QStringList &lines, const QString &label)
{
    QStringList values;
    for (const QString &line : lines) {
        if (line.startsWith(label))
            values << line.mid(label.size());
    }
    return values;
}

} // namespace

class tst_search_command : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void inputChecks_data();
    void inputChecks();
    void searchKinds_data();
    void searchKinds();
    void sixLinesOfAnEntry();
    void nullFieldsGiveLabelsAlone();
    void numbersInTextLines();
    void textRulesOfTheInput_data();
    void textRulesOfTheInput();
    void lineTypePerRecord_data();
    void lineTypePerRecord();
    void emptyResultClearsTheList();
    void largeResultArrivesInFewBatches();
    void badFile_data();
    void badFile();
    void searchAfterFailedSearch_data();
    void searchAfterFailedSearch();
    void searchAfterTheDatabaseFileChanges();
    void fileChangedBetweenSearches();
    void failureOfAnyKind_data();
    void failureOfAnyKind();

private:
    QString writeBase(
        const QString &name, const QString &csv, const QString &columns = textNoType, const QString &table = u"Base"_s);
    void runSearch(const SearchInputs &inputs);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<database::Connection> m_connection;
    std::unique_ptr<database::Recordset> m_recordset;
    RecordingList m_list;
    RecordingMessages m_messages;
};

QString tst_search_command::writeBase(
    const QString &name, const QString &csv, const QString &columns, const QString &table)
{
    const QString path = m_dir->filePath(name);
    QString error;
    if (!mkbase::writeMdbFromCsv(csv.toUtf8(), path, &error, table, columns))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

void tst_search_command::runSearch(const SearchInputs &inputs)
{
    SearchCommand command(*m_connection, *m_recordset);
    command.run(FixedInputs(inputs), m_list, m_messages);
}

void tst_search_command::init()
{
    velkaro::testing::resetRunState();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_connection = std::make_unique<database::Connection>();
    m_recordset = std::make_unique<database::Recordset>();
    m_list = RecordingList();
    m_messages = RecordingMessages();
    database::setDatabaseFile(writeBase(u"base.mdb"_s, directoryCsv));
}

void tst_search_command::inputChecks_data()
{
    QTest::addColumn<SearchInputs>("inputs");
    QTest::addColumn<RecordedMessage>("message");
    const QString e;
    const QString street = u"садовая"_s;

    QTest::newRow("street and flat without house") << SearchInputs {street, e, e, u"12"_s, e, e, e} << moreDetail;
    QTest::newRow("street, building, flat without house")
        << SearchInputs {street, e, u"2"_s, u"12"_s, e, e, e} << moreDetail;
    QTest::newRow("building without house, subscriber given")
        << SearchInputs {e, e, u"2"_s, e, u"иванов"_s, e, e} << moreDetail;
    QTest::newRow("building alone: second check comes before the third")
        << SearchInputs {e, e, u"2"_s, e, e, e, e} << moreDetail;
    QTest::newRow("nothing") << SearchInputs {} << noStartingData;
    QTest::newRow("house alone") << SearchInputs {e, u"5"_s, e, e, e, e, e} << noStartingData;
    QTest::newRow("house, building and flat") << SearchInputs {e, u"5"_s, u"2"_s, u"12"_s, e, e, e} << noStartingData;
    QTest::newRow("flat alone") << SearchInputs {e, e, e, u"12"_s, e, e, e} << noStartingData;
    QTest::newRow("street alone") << SearchInputs {street, e, e, e, e, e, e} << moreDetail;
    QTest::newRow("street, house, building without flat")
        << SearchInputs {street, u"5"_s, u"2"_s, e, e, e, e} << moreDetail;
}

void tst_search_command::inputChecks()
{
    QFETCH(SearchInputs, inputs);
    QFETCH(RecordedMessage, message);

    runSearch(byAbonent(u"иванов"_s));
    QCOMPARE(m_messages.messages.size(), 0);
    const QStringList previousLines = m_list.lines;
    const SearchCriteria previousCriteria = runWideValues().searchCriteria;
    const QString previousType = runWideValues().LineTypeDescription;
    const int clears = m_list.clearCount;
    const int appends = m_list.appendCount;

    runSearch(inputs);

    QCOMPARE(m_messages.messages, QList<RecordedMessage> {message});
    QCOMPARE(m_list.lines, previousLines);
    QCOMPARE(m_list.clearCount, clears);
    QCOMPARE(m_list.appendCount, appends);
    QVERIFY(runWideValues().searchCriteria == previousCriteria);
    QCOMPARE(runWideValues().LineTypeDescription, previousType);
    QVERIFY(!m_connection->isOpen());
}

void tst_search_command::searchKinds_data()
{
    QTest::addColumn<SearchInputs>("inputs");
    QTest::addColumn<QStringList>("abonents");
    const QString e;
    const QString street = u"садовая"_s;

    QTest::newRow("phone with dashes and blanks")
        << SearchInputs {e, e, e, e, e, u" 765-43-21 "_s, e} << QStringList {u"ПЕТРОВ ПЁТР"_s};
    QTest::newRow("subscriber, lower case part") << byAbonent(u"онил"_s) << QStringList {u"ОНИЛОВ ОЛЕГ"_s};
    QTest::newRow("subscriber with apostrophe") << byAbonent(u"о'нил"_s) << QStringList {u"О'НИЛ ДЖОН"_s};
    QTest::newRow("apostrophe cannot add a condition") << byAbonent(u"' OR ABONENT LIKE '%"_s) << QStringList {};
    QTest::newRow("street and house") << SearchInputs {street, u"5"_s, e, e, e, e, e} << QStringList {u"ОНИЛОВ ОЛЕГ"_s};
    QTest::newRow("street, house and flat") << SearchInputs {street, u"5"_s, e, u"12"_s, e, e, e}
                                            << QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s, u"ПЕТРОВ ПЁТР"_s};
    QTest::newRow("street, house, building and flat")
        << SearchInputs {street, u"5"_s, u"2"_s, u"12"_s, e, e, e} << QStringList {u"ПЕТРОВ ПЁТР"_s};
    QTest::newRow("remark") << byComment(u"аптека"_s) << QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s, u"СИДОРОВ СИДОР"_s};
    QTest::newRow("remark wins over subscriber") << SearchInputs {e, e, e, e, u"петров"_s, e, u"аптека"_s}
                                                 << QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s, u"СИДОРОВ СИДОР"_s};
}

void tst_search_command::searchKinds()
{
    QFETCH(SearchInputs, inputs);
    QFETCH(QStringList, abonents);

    runSearch(inputs);

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(m_list.clearCount, 1);
    QCOMPARE(m_list.lines.size(), 6 * abonents.size());
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), abonents);
    SearchCriteria expected;
    mdlFunc::deriveCriteria(inputs, expected);
    QVERIFY(runWideValues().searchCriteria == expected);
    QVERIFY(!m_recordset->isOpen());
    QVERIFY(!m_connection->isOpen());
}

void tst_search_command::sixLinesOfAnEntry()
{
    runSearch(byAbonent(u"иванов"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(m_list.lines,
        block(u"ИВАНОВ ИВАН ИВАНОВИЧ"_s, u"1234567"_s, u"САДОВАЯ УЛ. Д. 5 КВ.12"_s, u"ЛИЧНЫЙ"_s, u"АПТЕКА"_s));
    QCOMPARE(runWideValues().lineTypeCode, 21);
    QCOMPARE(runWideValues().LineTypeDescription, u"ЛИЧНЫЙ"_s);
}

void tst_search_command::nullFieldsGiveLabelsAlone()
{
    runSearch(SearchInputs {{}, {}, {}, {}, {}, u"111-22-33"_s, {}});

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(m_list.lines, block({}, u"1112233"_s, {}, {}, {}));
}

void tst_search_command::numbersInTextLines()
{
    database::setDatabaseFile(writeBase(u"numbers.mdb"_s, header + u"ПЕТРОВ,1234567,,2.5,41\n"_s,
        u"ABONENT:text,PHONE:long,ADDRESS:text,COMMENT:double,NO_TYPE:long"_s));

    runSearch(byAbonent(u"петров"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(m_list.lines, block(u"ПЕТРОВ"_s, u"1234567"_s, {}, u"ТАКСОФОН"_s, u"2.5"_s));
}

void tst_search_command::textRulesOfTheInput_data()
{
    QTest::addColumn<SearchInputs>("inputs");
    QTest::addColumn<QStringList>("abonents");
    QTest::addColumn<bool>("fails");

    QTest::newRow("ß typed as stored") << byAbonent(u"straße"_s) << QStringList {u"Straße Anna"_s} << false;
    QTest::newRow("ss finds no ß") << byAbonent(u"strasse"_s) << QStringList {u"STRASSE OLGA"_s} << false;
    QTest::newRow("ligature typed as stored") << byAbonent(u"ﬁrma"_s) << QStringList {u"ﬁrma ВЕКТОР"_s} << false;
    QTest::newRow("remark typed as stored") << byComment(u"weiß"_s) << QStringList {u"Straße Anna"_s} << false;
    QTest::newRow("unclosed list") << byAbonent(u"[север"_s) << QStringList {} << true;
}

void tst_search_command::textRulesOfTheInput()
{
    QFETCH(SearchInputs, inputs);
    QFETCH(QStringList, abonents);
    QFETCH(bool, fails);
    database::setDatabaseFile(
        writeBase(u"texts.mdb"_s, header + u"Straße Anna,1,,Weiß,21\nSTRASSE OLGA,2,,,21\nﬁrma ВЕКТОР,3,,,21\n"_s));

    runSearch(inputs);

    QCOMPARE(m_messages.messages, fails ? QList<RecordedMessage> {databaseFailure} : QList<RecordedMessage> {});
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), abonents);
}

void tst_search_command::lineTypePerRecord_data()
{
    QTest::addColumn<QString>("noTypeColumn");
    QTest::addColumn<QString>("noType"); // CSV field of the second record
    QTest::addColumn<QString>("type"); // its type line after the label

    QTest::newRow("21 after 41") << u"text(10)"_s << u"21"_s << u"ЛИЧНЫЙ"_s;
    QTest::newRow("code 0") << u"text(10)"_s << u"0"_s << QString();
    QTest::newRow("code 1") << u"text(10)"_s << u"1"_s << QString();
    QTest::newRow("code 99") << u"text(10)"_s << u"99"_s << QString();
    QTest::newRow("null") << u"text(10)"_s << QString() << QString();
    QTest::newRow("no number") << u"text(10)"_s << u"abc"_s << QString();
    QTest::newRow("negative") << u"text(10)"_s << u"-5"_s << QString();
    QTest::newRow("over 255") << u"text(10)"_s << u"300"_s << QString();
    QTest::newRow("leading number of a text")
        << u"text(10)"_s << u" 12 xyz"_s << u"КОЛЛЕКТИВНЫЙ  (справок не давать)"_s;
    QTest::newRow("text fraction rounds half up to even")
        << u"text(10)"_s << u"19.5"_s << u"КОММУНАЛЬНЫЙ через Pairspan"_s;
    QTest::newRow("long 53") << u"long"_s << u"53"_s << u"УЧРЕЖД.ЧЕРЕЗ PAIRSPAN  СЛУЖЕБНЫЙ"_s;
    QTest::newRow("long null") << u"long"_s << QString() << QString();
    QTest::newRow("long 256") << u"long"_s << u"256"_s << QString();
    QTest::newRow("byte 70") << u"byte"_s << u"70"_s << u"FORA"_s;
    QTest::newRow("double rounds half down to even")
        << u"double"_s << u"18.5"_s << u"КОЛЛЕКТИВНЫЙ через АВУ н/ч  (справок не давать)"_s;
    QTest::newRow("double 255.5 rounds out of range") << u"double"_s << u"255.5"_s << QString();
    QTest::newRow("largest double") << u"double"_s << u"1.7976931348623157e308"_s << QString();
}

void tst_search_command::lineTypePerRecord()
{
    QFETCH(QString, noTypeColumn);
    QFETCH(QString, noType);
    QFETCH(QString, type);
    const QString columns = u"ABONENT:text,PHONE:text,ADDRESS:text,COMMENT:text,NO_TYPE:"_s + noTypeColumn;
    database::setDatabaseFile(
        writeBase(u"types.mdb"_s, header + u"ПЕРВЫЙ,1,,Т,41\nВТОРОЙ,2,,Т,"_s + noType + u"\n"_s, columns));

    runSearch(byComment(u"т"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), (QStringList {u"ПЕРВЫЙ"_s, u"ВТОРОЙ"_s}));
    QCOMPARE(valuesOf(m_list.lines, typeLabel), (QStringList {u"ТАКСОФОН"_s, type}));
}

void tst_search_command::emptyResultClearsTheList()
{
    runSearch(byAbonent(u"иванов"_s));
    QCOMPARE(m_list.lines.size(), 6);

    runSearch(byAbonent(u"нет такого"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(m_list.clearCount, 2);
    QVERIFY(m_list.lines.isEmpty());
    QVERIFY(!m_connection->isOpen());
}

void tst_search_command::largeResultArrivesInFewBatches()
{
    QString csv = header;
    for (int i = 0; i < 10000; ++i)
        csv += u"АБОНЕНТ %1,%1,,МНОГО,21\n"_s.arg(i);
    database::setDatabaseFile(writeBase(u"large.mdb"_s, csv));

    runSearch(byComment(u"много"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(m_list.lines.size(), 60000);
    QCOMPARE(m_list.lines.at(6 * 9999 + 1), abonentLabel + u"АБОНЕНТ 9999"_s);
    QVERIFY2(m_list.appendCount <= 10, qPrintable(QString::number(m_list.appendCount)));
}

void tst_search_command::badFile_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"missing file", "folder", "fifo", "device", "empty file", "all zeros", "random bytes",
             "text file", "truncated mdb", "damaged mdb", "no table Base", "Base without COMMENT", "accdb"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void tst_search_command::badFile()
{
    QFETCH(QString, kind);
    const QString good = database::ConnectionString().section(u"DBQ="_s, 1);
    QByteArray goodBytes;
    {
        QString error;
        QVERIFY(mkbase::generateDirectory(3000, 7, m_dir->filePath(u"big.mdb"_s), &error));
        QFile big(m_dir->filePath(u"big.mdb"_s));
        QVERIFY(big.open(QIODevice::ReadOnly));
        goodBytes = big.readAll();
    }
    auto writeBytes = [this](const QString &name, const QByteArray &bytes) {
        QFile file(m_dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    };

    QString path;
    if (kind == u"missing file") {
        path = m_dir->filePath(u"missing.mdb"_s);
    } else if (kind == u"folder") {
        path = m_dir->filePath(u"folder.mdb"_s);
        QVERIFY(QDir().mkdir(path));
    } else if (kind == u"fifo") {
        path = m_dir->filePath(u"fifo.mdb"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"device") {
        path = u"/dev/zero"_s;
    } else if (kind == u"empty file") {
        path = writeBytes(u"empty.mdb"_s, {});
    } else if (kind == u"all zeros") {
        path = writeBytes(u"zeros.mdb"_s, QByteArray(64 * 1024, '\0'));
    } else if (kind == u"random bytes") {
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        QRandomGenerator random(42);
        random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        path = writeBytes(u"random.mdb"_s, bytes);
    } else if (kind == u"text file") {
        path = writeBytes(u"text.mdb"_s, directoryCsv.toUtf8());
    } else if (kind == u"truncated mdb") {
        path = writeBytes(u"truncated.mdb"_s, goodBytes.left(goodBytes.size() / 2));
    } else if (kind == u"damaged mdb") {
        QByteArray bytes = goodBytes;
        for (qsizetype at = 4096; at < bytes.size(); at += 4096)
            bytes.replace(at + 8, 64, QByteArray(64, '\xA5'));
        path = writeBytes(u"damaged.mdb"_s, bytes);
    } else if (kind == u"no table Base") {
        path = writeBase(u"other.mdb"_s, directoryCsv, textNoType, u"Other"_s);
    } else if (kind == u"Base without COMMENT") {
        path = writeBase(u"nocomment.mdb"_s, u"ABONENT,PHONE,ADDRESS,NO_TYPE\nИВАНОВ,1,,21\n"_s,
            u"ABONENT:text,PHONE:text,ADDRESS:text,NO_TYPE:text(10)"_s);
    } else if (kind == u"accdb") {
        QByteArray bytes = goodBytes;
        bytes[0x14] = 2; // engine version of the Access 2007 format
        path = writeBytes(u"base.accdb"_s, bytes);
    }

    database::setDatabaseFile(path);
    runSearch(byAbonent(u"иванов"_s));
    QCOMPARE(m_messages.messages, QList<RecordedMessage> {databaseFailure});

    database::setDatabaseFile(good);
    runSearch(byAbonent(u"иванов"_s));
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s});
}

void tst_search_command::searchAfterFailedSearch_data()
{
    QTest::addColumn<bool>("recordsetLeftOpen");
    QTest::newRow("connection left open") << false;
    QTest::newRow("connection and result set left open") << true;
}

void tst_search_command::searchAfterFailedSearch()
{
    QFETCH(bool, recordsetLeftOpen);
    const QString good = database::ConnectionString().section(u"DBQ="_s, 1);
    runSearch(byAbonent(u"петров"_s));
    const QStringList previousLines = m_list.lines;
    QCOMPARE(previousLines.size(), 6);

    database::setDatabaseFile(m_dir->filePath(u"missing.mdb"_s));
    runSearch(byAbonent(u"иванов"_s));
    QCOMPARE(m_messages.messages, QList<RecordedMessage> {databaseFailure});
    QCOMPARE(m_list.lines, previousLines);
    QCOMPARE(m_list.clearCount, 1);

    // What a failure while reading records leaves behind.
    database::setDatabaseFile(good);
    m_connection->Open(database::ConnectionString());
    if (recordsetLeftOpen)
        m_recordset->Open(u"SELECT * FROM Base WHERE PHONE='7654321'"_s, *m_connection);

    runSearch(byAbonent(u"иванов"_s));

    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s});
    QVERIFY(!m_connection->isOpen());
    QVERIFY(!m_recordset->isOpen());
}

void tst_search_command::searchAfterTheDatabaseFileChanges()
{
    runSearch(byAbonent(u"о"_s));
    QCOMPARE(m_list.lines.size(), 6 * 5);

    database::setDatabaseFile(writeBase(u"second.mdb"_s, header + u"ОРЛОВ,9,,,\n"_s));
    runSearch(byAbonent(u"о"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), QStringList {u"ОРЛОВ"_s});
}

void tst_search_command::fileChangedBetweenSearches()
{
    const QString path = writeBase(u"changing.mdb"_s, directoryCsv);
    const QDateTime modified = QFileInfo(path).lastModified();
    database::setDatabaseFile(path);
    runSearch(byAbonent(u"иван"_s));
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s});

    // Same length of every value, so only the content and the modification time tell the files apart.
    QVERIFY(QFile::remove(path));
    writeBase(u"changing.mdb"_s, QString(directoryCsv).replace(u"ИВАНОВ ИВАН"_s, u"ПЕТРОВ ИВАН"_s));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified.addSecs(2), QFileDevice::FileModificationTime));
    file.close();
    runSearch(byAbonent(u"иван"_s));

    QCOMPARE(m_messages.messages.size(), 0);
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), QStringList {u"ПЕТРОВ ИВАН ИВАНОВИЧ"_s});
}

void tst_search_command::failureOfAnyKind_data()
{
    QTest::addColumn<bool>("outOfMemory");
    QTest::newRow("std::bad_alloc") << true;
    QTest::newRow("std::runtime_error") << false;
}

void tst_search_command::failureOfAnyKind()
{
    // The list running out of memory for a huge result, which no test file can make happen.
    struct FailingList : RecordingList
    {
        bool outOfMemory = false;
        void append(const QStringList &) override
        {
            outOfMemory ? throw std::bad_alloc() : throw std::runtime_error("list failed");
        }
    } failing;
    QFETCH(bool, outOfMemory);
    failing.outOfMemory = outOfMemory;
    SearchCommand(*m_connection, *m_recordset).run(FixedInputs(byComment(u"аптека"_s)), failing, m_messages);
    QCOMPARE(m_messages.messages, QList<RecordedMessage> {databaseFailure});

    runSearch(byComment(u"аптека"_s));
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(valuesOf(m_list.lines, abonentLabel), (QStringList {u"ИВАНОВ ИВАН ИВАНОВИЧ"_s, u"СИДОРОВ СИДОР"_s}));
}

QTEST_GUILESS_MAIN(tst_search_command)
#include "tst_search_command.moc"
