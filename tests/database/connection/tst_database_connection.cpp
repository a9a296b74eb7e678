#include "database/connection/Connection.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/Recordset.h"
#include "database/core/DatabaseError.h"
#include "database/evaluation/Statement.h"
#include "database/table/Table.h"
#include "database/table/TableCache.h"
#include "places/ProgramPlaces.h"
#include "support/RunState.h"

#include "MkBase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::database;

namespace {

const QString accessDriver = u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s;

// ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE; an unquoted empty field is null.
const QByteArray directoryCsv = u"ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n"
                                "ИВАНОВ И.И.,2345678,УЛ. САДОВАЯ Д. 5 КВ.12,АПТЕКА,21\n"
                                "Иванова А.П., 2345679 ,УЛ. САДОВАЯ Д. 7,,41\n"
                                "ПЕТРОВ П.П.,3456789,\"\",ФАКС,\n"_s.toUtf8();

QByteArray withPetrovRenamed(const QByteArray &csv)
{
    // Same lengths, so the file keeps its size.
    return QString::fromUtf8(csv).replace(u"ПЕТРОВ"_s, u"СИДОРВ"_s).toUtf8();
}

} // namespace

class tst_database_connection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void connectionStringDefaults();
    void recordsetWalksTheResult();
    void emptyResult();
    void misuseThrows();
    void reopenAfterClose();
    void fieldNamesFollowTheOpenedFile();
    void connectionTexts_data();
    void connectionTexts();
    void rejectedFiles_data();
    void rejectedFiles();
    void unchangedFileKept();
    void changedFileReadAgain();

private:
    QString writeBase(const QByteArray &csv, const QString &name = u"base.mdb"_s, const QString &table = u"Base"_s,
        const QString &columns = QString());

    std::unique_ptr<QTemporaryDir> m_folder;
};

void tst_database_connection::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    velkaro::testing::resetRunState();
}

void tst_database_connection::cleanup()
{
    velkaro::testing::resetRunState();
    m_folder.reset();
}

QString tst_database_connection::writeBase(
    const QByteArray &csv, const QString &name, const QString &table, const QString &columns)
{
    const QString path = m_folder->filePath(name);
    QString error;
    if (!velkaro::mkbase::writeMdbFromCsv(csv, path, &error, table, columns))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

void tst_database_connection::connectionStringDefaults()
{
    initialiseConnectionString();
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    QCOMPARE(velkaro::places::programFolder(), folder);
    QCOMPARE(velkaro::places::defaultDatabasePath(), folder + QDir::separator() + u"base.mdb"_s);
    QCOMPARE(ConnectionString(), accessDriver + folder + QDir::separator() + u"base.mdb"_s);
    setDatabaseFile(u"no such folder/x.mdb"_s);
    QCOMPARE(ConnectionString(), accessDriver + u"no such folder/x.mdb"_s);
    initialiseConnectionString();
    QCOMPARE(ConnectionString(), accessDriver + velkaro::places::defaultDatabasePath());
}

void tst_database_connection::recordsetWalksTheResult()
{
    Connection connection;
    connection.Open(accessDriver + writeBase(directoryCsv));
    Recordset records;
    records.Open(u"SELECT * FROM Base WHERE ABONENT LIKE '%ИВАНОВ%' "_s, connection, adOpenStatic, adLockOptimistic);
    QCOMPARE(records.RecordCount(), 2);
    QVERIFY(!records.isEOF());
    QVERIFY(!records.isBOF());
    QCOMPARE(records.Fields(u"ABONENT"_s), QVariant(u"ИВАНОВ И.И."_s));
    QCOMPARE(records.Fields(u"PHONE"_s), QVariant(u"2345678"_s));
    QCOMPARE(records.Fields(u"ADDRESS"_s), QVariant(u"УЛ. САДОВАЯ Д. 5 КВ.12"_s));
    QCOMPARE(records.Fields(u"COMMENT"_s), QVariant(u"АПТЕКА"_s));
    QCOMPARE(records.Fields(u"NO_TYPE"_s), QVariant(21.0));
    QCOMPARE(records.Fields(u"no_type"_s).typeId(), QMetaType::Double);
    records.MoveNext();
    QVERIFY(!records.isEOF());
    QCOMPARE(records.Fields(u"ABONENT"_s), QVariant(u"Иванова А.П."_s));
    QCOMPARE(records.Fields(u"PHONE"_s), QVariant(u" 2345679 "_s));
    QVERIFY(!records.Fields(u"COMMENT"_s).isValid());
    records.MoveNext();
    QVERIFY(records.isEOF());
    QCOMPARE(records.RecordCount(), 2);
    records.Close();
    connection.Close();
}

void tst_database_connection::emptyResult()
{
    Connection connection;
    connection.Open(accessDriver + writeBase(directoryCsv));
    Recordset records;
    records.Open(u"SELECT * FROM Base WHERE PHONE='0000000'"_s, connection);
    QCOMPARE(records.RecordCount(), 0);
    QVERIFY(records.isEOF());
    QVERIFY(records.isBOF());
    records.Close();

    records.Open(u"SELECT * FROM Base WHERE PHONE='3456789'"_s, connection);
    QCOMPARE(records.RecordCount(), 1);
    QCOMPARE(records.Fields(u"ADDRESS"_s), QVariant(QString()));
    QVERIFY(records.Fields(u"ADDRESS"_s).isValid());
    QVERIFY(!records.Fields(u"NO_TYPE"_s).isValid());
}

void tst_database_connection::misuseThrows()
{
    Connection connection;
    Recordset records;
    const QString phone = u"SELECT * FROM Base WHERE PHONE='2345678'"_s;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.Close());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Open(phone, connection));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Close());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.RecordCount());

    const QString text = accessDriver + writeBase(directoryCsv);
    connection.Open(text);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.Open(text));
    QVERIFY(connection.isOpen());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Open(u"SELECT * FROM Base WHERE "_s, connection));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Open(u"SELECT * FROM Other WHERE PHONE='1'"_s, connection));
    QVERIFY(!records.isOpen());

    records.Open(phone, connection);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Open(phone, connection));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Fields(u"NAME"_s));
    records.MoveNext();
    QVERIFY(records.isEOF());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.MoveNext());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.Fields(u"ABONENT"_s));
    records.Close();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, records.isEOF());
}

void tst_database_connection::reopenAfterClose()
{
    const QString text = accessDriver + writeBase(directoryCsv);
    Connection connection;
    Recordset records;
    for (const QString &phone : {u"2345678"_s, u"3456789"_s}) {
        connection.Open(text);
        records.Open(u"SELECT * FROM Base WHERE PHONE='"_s + phone + u"'"_s, connection);
        QCOMPARE(records.RecordCount(), 1);
        QCOMPARE(records.Fields(u"PHONE"_s), QVariant(phone));
        records.Close();
        connection.Close();
    }
    QVERIFY(!connection.isOpen());
    QVERIFY(!records.isOpen());
}

void tst_database_connection::fieldNamesFollowTheOpenedFile()
{
    // Enough records that reading runs ahead of the current one; the second file keeps its columns in
    // reverse order and a text NO_TYPE.
    QString usual = u"ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n"_s;
    QString reversed = u"NO_TYPE,COMMENT,ADDRESS,PHONE,ABONENT\n"_s;
    for (int i = 0; i < 40; ++i) {
        usual += u"АБОНЕНТ %1,%1,УЛ. %1,,%1\n"_s.arg(i);
        reversed += u"%1,Прим %1,ул. %1,%1,Абонент %1\n"_s.arg(i);
    }
    const QString usualText = accessDriver + writeBase(usual.toUtf8(), u"usual.mdb"_s);
    const QString reversedColumns = u"NO_TYPE:text,COMMENT:text,ADDRESS:text,PHONE:text,ABONENT:text"_s;
    const QString reversedText =
        accessDriver + writeBase(reversed.toUtf8(), u"reversed.mdb"_s, u"Base"_s, reversedColumns);
    const QString abonent = u"ABONENT"_s;
    const QString comment = u"COMMENT"_s;
    const QString noType = u"NO_TYPE"_s;
    Connection connection;
    Recordset records;
    for (const bool reversedFile : {false, true, false}) {
        connection.Open(reversedFile ? reversedText : usualText);
        records.Open(u"SELECT * FROM Base WHERE ADDRESS LIKE 'УЛ.%'"_s, connection);
        QCOMPARE(records.RecordCount(), 40);
        for (int i = 0; i < 40; ++i) {
            const QString number = QString::number(i);
            QCOMPARE(records.Fields(abonent), QVariant((reversedFile ? u"Абонент "_s : u"АБОНЕНТ "_s) + number));
            QCOMPARE(records.Fields(comment), reversedFile ? QVariant(u"Прим "_s + number) : QVariant());
            QCOMPARE(records.Fields(noType), reversedFile ? QVariant(number) : QVariant(double(i)));
            QCOMPARE(records.Fields(u"address"_s), QVariant((reversedFile ? u"ул. "_s : u"УЛ. "_s) + number));
            records.MoveNext();
        }
        QVERIFY(records.isEOF());
        records.Close();
        connection.Close();
    }
}

void tst_database_connection::connectionTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("opens");
    const QString file = u"@FILE@"_s;
    QTest::newRow("program's own form") << u"DRIVER=Microsoft Access Driver (*.mdb);DBQ=@FILE@"_s << true;
    QTest::newRow("driver in braces") << u"Driver={Microsoft Access Driver (*.mdb)};Dbq=@FILE@"_s << true;
    QTest::newRow("keys in lower case, blanks") << u" driver = Microsoft Access Driver (*.mdb) ; dbq=@FILE@;"_s << true;
    QTest::newRow("path in braces") << u"DRIVER=Microsoft Access Driver (*.mdb);DBQ={@FILE@}"_s << true;
    QTest::newRow("other attributes") << u"DBQ=@FILE@;UID=admin;DRIVER={Microsoft Access Driver (*.mdb)}"_s << true;
    QTest::newRow("other driver") << u"DRIVER=SQL Server;DBQ=@FILE@"_s << false;
    QTest::newRow("no driver") << u"DBQ=@FILE@"_s << false;
    QTest::newRow("no DBQ") << u"DRIVER=Microsoft Access Driver (*.mdb);"_s << false;
    QTest::newRow("empty DBQ") << u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s << false;
    QTest::newRow("missing file") << u"DRIVER=Microsoft Access Driver (*.mdb);DBQ=@FILE@.missing"_s << false;
    QTest::newRow("folder") << u"DRIVER=Microsoft Access Driver (*.mdb);DBQ=@FOLDER@"_s << false;
    QTest::newRow("unclosed brace") << u"DRIVER={Microsoft Access Driver (*.mdb);DBQ=@FILE@"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_database_connection::connectionTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, opens);
    const QString path = writeBase(directoryCsv, u"a;b.mdb"_s);
    const bool braced = text.contains(u"{@FILE@}"_s);
    text.replace(u"@FILE@"_s, braced ? path : m_folder->filePath(u"base.mdb"_s));
    text.replace(u"@FOLDER@"_s, m_folder->path());
    writeBase(directoryCsv);
    Connection connection;
    if (opens) {
        connection.Open(text);
        QVERIFY(connection.isOpen());
        Recordset records;
        records.Open(u"SELECT * FROM base WHERE ABONENT LIKE '%'"_s, connection);
        QCOMPARE(records.RecordCount(), 3);
    } else {
        QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.Open(text));
        QVERIFY(!connection.isOpen());
    }
}

void tst_database_connection::rejectedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");
    QTest::newRow("no table Base") << directoryCsv << u"Other"_s << QString();
    QTest::newRow("no column COMMENT") << u"ABONENT,PHONE,ADDRESS,NO_TYPE\nИВАНОВ,1,УЛ.,2\n"_s.toUtf8() << u"Base"_s
                                       << u"ABONENT:text,PHONE:text(50),ADDRESS:text,NO_TYPE:long"_s;
    QTest::newRow("not an Access file") << QByteArray() << QString() << QString();
}

void tst_database_connection::rejectedFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, table);
    QFETCH(QString, columns);
    QString path = m_folder->filePath(u"base.mdb"_s);
    if (table.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    } else {
        path = writeBase(content, u"base.mdb"_s, table, columns);
    }
    Connection connection;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.Open(accessDriver + path));
    QVERIFY(!connection.isOpen());
}

void tst_database_connection::unchangedFileKept()
{
    const QString text = accessDriver + writeBase(directoryCsv);
    const auto kept = directoryTable(text.section(u"DBQ="_s, 1));
    Connection connection;
    connection.Open(text);
    const Selection selection = connection.select(parseStatement(u"SELECT * FROM Base WHERE PHONE='3456789'"_s));
    QCOMPARE(selection.table, kept);
    QCOMPARE(selection.rows, std::vector<std::uint32_t> {2});
}

void tst_database_connection::changedFileReadAgain()
{
    const QString path = writeBase(directoryCsv);
    const QString text = accessDriver + path;
    const QString petrov = u"SELECT * FROM Base WHERE ABONENT LIKE 'ПЕТРОВ%'"_s;
    Connection connection;
    Recordset records;
    connection.Open(text);
    records.Open(petrov, connection);
    QCOMPARE(records.RecordCount(), 1);
    records.Close();
    connection.Close();

    const QFileInfo before(path);
    writeBase(withPetrovRenamed(directoryCsv));
    // File times may not move between two quick writes; the writer's next write surely lands later.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(before.lastModified().addSecs(2), QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(QFileInfo(path).size(), before.size());

    connection.Open(text);
    records.Open(petrov, connection);
    QCOMPARE(records.RecordCount(), 0);
    records.Close();
    records.Open(u"SELECT * FROM Base WHERE ABONENT LIKE 'СИДОРВ%'"_s, connection);
    QCOMPARE(records.RecordCount(), 1);
    records.Close();
    connection.Close();

    QVERIFY(QFile::remove(path));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.Open(text));
}

QTEST_GUILESS_MAIN(tst_database_connection)
#include "tst_database_connection.moc"
