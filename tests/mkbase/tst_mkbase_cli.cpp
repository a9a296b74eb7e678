#include "LibMdbTable.h"
#include "MkBase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace velkaro::mkbase;

namespace {

const QByteArray kHeader = "ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n";

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The command line of velkaro-mkbase, run in-process: options, column lists and every kind of bad input.
class tst_mkbase_cli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void badInput_data();
    void badInput();
    void failureKeepsAnExistingOutput();
    void usageErrors_data();
    void usageErrors();
    void columnList_data();
    void columnList();
    void tableAndColumnsOptions();
    void generateIsDeterministic();
    void failedFinalWriteNamesTheReason();

private:
    int run(const QStringList &arguments);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_errors;
};

void tst_mkbase_cli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_errors.clear();
}

int tst_mkbase_cli::run(const QStringList &arguments)
{
    QTextStream errors(&m_errors);
    return runMkBase(QStringList {u"velkaro-mkbase"_s} + arguments, errors);
}

void tst_mkbase_cli::badInput_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");

    QTest::newRow("unclosed quote") << kHeader + "a,1,x,,2\n\"b,1,x,,2\nc,1,x,,2\n"
                                    << QStringList() << 3 << u"never closed"_s;
    QTest::newRow("quote inside unquoted field") << kHeader + "a,1,x,,2\nb,1\"2,x,,2\n"
                                                 << QStringList() << 3 << u"quote inside an unquoted field"_s;
    QTest::newRow("text after closing quote") << kHeader + "\"a\"b,1,x,,2\n"
                                              << QStringList() << 2 << u"closing quote"_s;
    QTest::newRow("line counted across quoted line breaks")
        << kHeader + "\"a\nb\",1,x,,2\nc,1,x,,2,9\n"
        << QStringList() << 4 << u"6 fields where the header has 5"_s;
    QTest::newRow("too few fields") << kHeader + "a,1,x,2\n"
                                    << QStringList() << 2 << u"4 fields where the header has 5"_s;
    QTest::newRow("unknown column") << QByteArray("ABONENT,PHONE,ADRES,COMMENT,NO_TYPE\n") << QStringList() << 1
                                    << u"unknown column \"ADRES\""_s;
    QTest::newRow("column missing from header")
        << QByteArray("ABONENT,PHONE,ADDRESS,COMMENT\n") << QStringList() << 1 << u"lacks column NO_TYPE"_s;
    QTest::newRow("text longer than column") << kHeader + "a," + QByteArray(51, '7') + ",x,,2\n"
                                             << QStringList() << 2 << u"longer than column PHONE allows (50)"_s;
    QTest::newRow("cyrillic text longer than column") << kHeader + "a,1,x," + QString(u"Я"_s.repeated(256)).toUtf8()
            + ",2\n" << QStringList() << 2 << u"column COMMENT allows (255)"_s;
    QTest::newRow("word in numeric column")
        << kHeader + "a,1,x,,abc\n"
        << QStringList() << 2 << u"\"abc\" in column NO_TYPE is not a whole number"_s;
    QTest::newRow("fraction in long column") << kHeader + "a,1,x,,2.5\n"
                                             << QStringList() << 2 << u"not a whole number"_s;
    QTest::newRow("empty text in numeric column") << kHeader + "a,1,x,,\"\"\n"
                                                  << QStringList() << 2 << u"not a whole number"_s;
    QTest::newRow("word in double column")
        << QByteArray("D\n1.5\n2.5x\n") << QStringList {u"--columns"_s, u"D:double"_s} << 3 << u"is not a number"_s;
    QTest::newRow("byte out of range") << QByteArray("B\n256\n") << QStringList {u"--columns"_s, u"B:byte"_s} << 2
                                       << u"outside the range of column B (0 to 255)"_s;
    QTest::newRow("long out of range") << kHeader + "a,1,x,,2147483648\n"
                                       << QStringList() << 2 << u"outside the range of column NO_TYPE"_s;
    QTest::newRow("cyrillic text in a western Access 97 file")
        << kHeader + "a,1,x,,2\n" + u"Ж,1,x,,2\n"_s.toUtf8() << QStringList {u"--format"_s, u"jet3"_s} << 3
        << u"code page 1252 cannot store"_s;
    QTest::newRow("invalid UTF-8") << kHeader + "a\xFF,1,x,,2\n" << QStringList() << 2 << u"not UTF-8"_s;
    QTest::newRow("empty file") << QByteArray() << QStringList() << 1 << u"header row"_s;
    QTest::newRow("U+0000 in a text") << kHeader + "a,1,x,,2\n" + QByteArray("b\0c,1,x,,2\n", 11) << QStringList() << 3
                                      << u"column ABONENT holds the character U+0000"_s;
    QTest::newRow("control characters in a column name shown escaped") << QByteArray(
        "\"AB\r\nC\x1B[2J\x7F\",PHONE\n") << QStringList() << 1 << uR"(unknown column "AB\r\nC\e[2J\x7f")"_s;
    QTest::newRow("10 MB value cut short") << kHeader + "a,1,x,," + QByteArray(10'000'000, '7') + "x\n"
                                           << QStringList() << 2 << u"\"7777777777"_s;
}

void tst_mkbase_cli::badInput()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, options);
    QFETCH(int, line);
    QFETCH(QString, message);

    const QString input = m_dir->filePath(u"input.csv"_s);
    const QString output = m_dir->filePath(u"out.mdb"_s);
    QVERIFY(writeFile(input, csv));
    QVERIFY(run(options + QStringList {input, output}) != 0);
    QVERIFY2(m_errors.startsWith(u"velkaro-mkbase: %1, line %2: "_s.arg(input).arg(line)), qPrintable(m_errors));
    QVERIFY2(m_errors.contains(message), qPrintable(m_errors));
    QVERIFY(m_errors.endsWith(u'\n'));
    QCOMPARE(m_errors.count(u'\n'), 1);
    QVERIFY2(m_errors.size() < input.size() + 300, qPrintable(m_errors.left(400)));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {u"input.csv"_s});
}

void tst_mkbase_cli::failureKeepsAnExistingOutput()
{
    const QString input = m_dir->filePath(u"input.csv"_s);
    const QString output = m_dir->filePath(u"out.mdb"_s);
    QVERIFY(writeFile(input, kHeader + "a,1,x,,2\nb,1,x,,oops\n"));
    QVERIFY(writeFile(output, "previous file"));
    QVERIFY(run({input, output}) != 0);
    QCOMPARE(readFile(output), QByteArray("previous file"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);

    QVERIFY(writeFile(input, kHeader + "a,1,x,,2\n"));
    QCOMPARE(run({input, output}), 0);
    QVERIFY(readFile(output).startsWith(QByteArray("\0\1\0\0Standard Jet DB", 19)));
}

void tst_mkbase_cli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unreadable input") << QStringList {u"missing.csv"_s, u"out.mdb"_s} << u"cannot read missing.csv"_s;
    QTest::newRow("unwritable output") << QStringList {u"INPUT"_s, u"no-such-folder/out.mdb"_s}
                                       << u"cannot write no-such-folder/out.mdb"_s;
    QTest::newRow("no files") << QStringList() << u"expected INPUT.csv and OUTPUT.mdb"_s;
    QTest::newRow("unknown option") << QStringList {u"--colums"_s, u"x"_s} << u"colums"_s;
    QTest::newRow("bad column list") << QStringList {u"--columns"_s, u"A:memo"_s, u"INPUT"_s, u"out.mdb"_s}
                                     << u"unknown type \"memo\""_s;
    QTest::newRow("generate with columns")
        << QStringList {u"--generate"_s, u"5"_s, u"--columns"_s, u"A:long"_s, u"out.mdb"_s} << u"cannot be combined"_s;
    QTest::newRow("generate without a count")
        << QStringList {u"--generate"_s, u"many"_s, u"out.mdb"_s} << u"needs a number of entries"_s;
    QTest::newRow("line break in a table name")
        << QStringList {u"--table"_s, u"Ba\nse"_s, u"INPUT"_s, u"out.mdb"_s} << uR"(name "Ba\nse")"_s;
    QTest::newRow("table name outside the name index's order")
        << QStringList {u"--table"_s, u"Ωmega"_s, u"INPUT"_s, u"out.mdb"_s} << u"cannot sort"_s;
    QTest::newRow("reserved table name") << QStringList {u"--table"_s, u"MSysBase"_s, u"INPUT"_s, u"out.mdb"_s}
                                         << u"reserved"_s;
    QTest::newRow("unknown format") << QStringList {u"--format"_s, u"jet5"_s, u"INPUT"_s, u"out.mdb"_s}
                                    << u"--format takes"_s;
    QTest::newRow("code page of a Jet 4 file")
        << QStringList {u"--code-page"_s, u"1251"_s, u"INPUT"_s, u"out.mdb"_s} << u"only applies to --format jet3"_s;
    QTest::newRow("code page not a number") << QStringList {u"--format"_s, u"jet3"_s, u"--sort-order"_s, u"Cyrillic"_s,
        u"INPUT"_s, u"out.mdb"_s} << u"--sort-order needs a number"_s;
    QTest::newRow("unknown text code page") << QStringList {u"--format"_s, u"jet3"_s, u"--text-code-page"_s, u"9999"_s,
        u"INPUT"_s, u"out.mdb"_s} << u"code page 9999 is not known"_s;
}

void tst_mkbase_cli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QString input = m_dir->filePath(u"input.csv"_s);
    QVERIFY(writeFile(input, kHeader));
    QVERIFY(QDir::setCurrent(m_dir->path()));
    arguments.replaceInStrings(u"INPUT"_s, input);
    QVERIFY(run(arguments) != 0);
    QVERIFY2(m_errors.startsWith(u"velkaro-mkbase: "_s) && m_errors.contains(message), qPrintable(m_errors));
    QCOMPARE(m_errors.count(u'\n'), 1);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {u"input.csv"_s});
}

void tst_mkbase_cli::columnList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QList<ColumnDefinition>>("expected");
    QTest::addColumn<QString>("error");

    QTest::newRow("empty means default") << QString() << defaultColumns() << QString();
    QTest::newRow("default written out")
        << u"ABONENT:text(255),PHONE:text(50),ADDRESS:text(255),COMMENT:text(255),NO_TYPE:long"_s << defaultColumns()
        << QString();
    QTest::newRow("every type") << u"A:text, B:TEXT(1),C:byte,D:integer,E:long,Ж:double"_s
                                << QList<ColumnDefinition> {{u"A"_s, ColumnType::Text, 255},
                                       {u"B"_s, ColumnType::Text, 1}, {u"C"_s, ColumnType::Byte, 0},
                                       {u"D"_s, ColumnType::Integer, 0}, {u"E"_s, ColumnType::LongInteger, 0},
                                       {u"Ж"_s, ColumnType::Double, 0}}
                                << QString();
    QTest::newRow("text(0)") << u"A:text(0)"_s << QList<ColumnDefinition>() << u"unknown type"_s;
    QTest::newRow("text(256)") << u"A:text(256)"_s << QList<ColumnDefinition>() << u"unknown type"_s;
    QTest::newRow("no type") << u"A"_s << QList<ColumnDefinition>() << u"has no type"_s;
    QTest::newRow("duplicate") << u"A:long,a:byte"_s << QList<ColumnDefinition>() << u"named twice"_s;
    QTest::newRow("bad name") << u"A.B:long"_s << QList<ColumnDefinition>() << u"does not allow"_s;
}

void tst_mkbase_cli::columnList()
{
    QFETCH(QString, list);
    QFETCH(QList<ColumnDefinition>, expected);
    QFETCH(QString, error);

    QList<ColumnDefinition> columns;
    QString message;
    const bool ok = parseColumnList(list, &columns, &message);
    QCOMPARE(ok, error.isEmpty());
    if (ok)
        QVERIFY(columns == expected);
    else
        QVERIFY2(message.contains(error), qPrintable(message));
}

void tst_mkbase_cli::tableAndColumnsOptions()
{
    const QString input = m_dir->filePath(u"input.csv"_s);
    const QString output = m_dir->filePath(u"out.mdb"_s);
    QVERIFY(writeFile(input, "NO_TYPE,ABONENT\r\n\"21.5\",\"ИВАНОВ\"\r\n\r\n7,\r\n"));
    QCOMPARE(
        run({u"--table"_s, u"Абоненты"_s, u"--columns"_s, u"ABONENT:text(10),NO_TYPE:double"_s, input, output}), 0);
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors));
    LibMdbTable table;
    QString error;
    QVERIFY2(readWithLibMdb(output, u"Абоненты"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.columns.size(), 2);
    QCOMPARE(table.columns.at(0).name, u"ABONENT"_s);
    QCOMPARE(table.rows.size(), 2);
    QVERIFY(table.rows.at(0) == (LibMdbRow {u"ИВАНОВ"_s, u"21.5"_s}));
    QVERIFY(table.rows.at(1) == (LibMdbRow {std::nullopt, u"7"_s}));
}

void tst_mkbase_cli::generateIsDeterministic()
{
    const QString first = m_dir->filePath(u"first.mdb"_s);
    const QString second = m_dir->filePath(u"second.mdb"_s);
    const QString other = m_dir->filePath(u"other.mdb"_s);
    QCOMPARE(run({u"--generate"_s, u"3000"_s, u"--seed"_s, u"5"_s, first}), 0);
    QCOMPARE(run({u"--generate"_s, u"3000"_s, u"--seed"_s, u"5"_s, second}), 0);
    QCOMPARE(run({u"--generate"_s, u"3000"_s, u"--seed"_s, u"6"_s, other}), 0);
    QVERIFY(readFile(first).size() > 3000 * 40);
    QVERIFY(readFile(first) == readFile(second));
    QVERIFY(readFile(first) != readFile(other));
    LibMdbTable table;
    QString error;
    QVERIFY2(readWithLibMdb(first, u"Base"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.rows.size(), 3000);
}

void tst_mkbase_cli::failedFinalWriteNamesTheReason()
{
    // A file-size limit one page short of the file fails the last write the way a full disk does.
    const QString first = m_dir->filePath(u"first.mdb"_s);
    const QString second = m_dir->filePath(u"second.mdb"_s);
    const QStringList arguments = {u"--generate"_s, u"3000"_s};
    QCOMPARE(run(arguments + QStringList {first}), 0);
    rlimit previous {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = rlim_t(QFileInfo(first).size() - 4096);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int code = run(arguments + QStringList {second});
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(code != 0);
    QVERIFY2(m_errors.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(m_errors));
    QVERIFY(!QFile::exists(second));
}

QTEST_GUILESS_MAIN(tst_mkbase_cli)
#include "tst_mkbase_cli.moc"
