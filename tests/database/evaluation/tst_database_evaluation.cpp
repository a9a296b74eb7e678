#include "database/evaluation/DirectoryTableFixture.h"

#include "database/core/DatabaseError.h"
#include "database/evaluation/BoundCondition.h"
#include "database/evaluation/Evaluators.h"
#include "database/evaluation/Statement.h"
#include "support/BothPaths.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::database;
using velkaro::database::testing::directoryTableOf;

Q_DECLARE_METATYPE(velkaro::database::Statement)

namespace {

using Rows = QList<std::uint32_t>;

QString longAddress(const QString &flat)
{
    // Over 127 Cyrillic letters before the flat, so the flat lies beyond the first 255 bytes of UTF-8.
    return u"САДОВАЯ УЛ. "_s + QString(200, u'Ж') + u" Д. 5 КВ."_s + flat;
}

std::shared_ptr<const Table> sampleTable()
{
    const std::nullopt_t null = std::nullopt;
    return directoryTableOf({
        {u"ИВАНОВ И.И."_s, u"2345678"_s, u"САДОВАЯ УЛ. Д. 5 КВ.12"_s, u"АПТЕКА"_s, u"21"_s},
        {u"иванова а.п."_s, u"234-56-78"_s, u"садовая ул. д. 5 корп. 2 кв.12"_s, u"аптека N 5"_s, u"41"_s},
        {u"Ёлкин Ё.Ё."_s, u" 1234567 "_s, u"ЛЕНИНА УЛ. Д. 15"_s, null, null},
        {u"ЕЛКИН"_s, u"1234567"_s, u"ЛЕНИНА УЛ. Д. 5"_s, u""_s, u"0"_s},
        {u"Smith John"_s, u"7654321"_s, u"Baker street 221b"_s, u"fax"_s, u"70"_s},
        {u"O'BRIEN"_s, u"1111111"_s, null, u"ФАКС"_s, u"2"_s},
        {u""_s, u"2222222"_s, u""_s, u"ПРИЕМНАЯ"_s, u"3"_s},
        {null, null, null, null, null},
        {u"АБВ_ГД"_s, u"3333333"_s, longAddress(u"12"_s), u"50% СКИДКА"_s, u"4"_s},
        {u"АБВЖГД"_s, u"4444444"_s, longAddress(u"123"_s), u"50 СКИДКА"_s, u"5"_s},
        {u"Я"_s, u"6666666"_s, u"МИРА УЛ. Д. 1"_s, null, u"1"_s},
        {u"ёж"_s, u"5555555"_s, u"Ёлочная"_s, u"ночью"_s, u"6"_s},
        {u"[Вектор] Straße ﬁrma"_s, u"7777777"_s, u"Ёлочная Д. 1"_s, u"a-b"_s, u"7"_s},
    });
}

Rows evaluated(const Table &table, const QString &sql, bool fast)
{
    const auto conditions = bindConditions(table, parseStatement(sql));
    const auto rows = fast ? evaluateFast(table, conditions) : evaluatePlain(table, conditions);
    return Rows(rows.begin(), rows.end());
}

} // namespace

class tst_database_evaluation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchingRows_data();
    void matchingRows();
    void rejectedStatements_data();
    void rejectedStatements();
    void parsedStatements_data();
    void parsedStatements();
    void originalTextsKept();
};

void tst_database_evaluation::matchingRows_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<Rows>("expected");

    QTest::newRow("like Cyrillic substring") << u"ABONENT LIKE '%ИВАНОВ%'"_s << Rows {0, 1};
    QTest::newRow("like pattern in lower case") << u"ABONENT LIKE '%иванов%'"_s << Rows {0, 1};
    QTest::newRow("like pattern in mixed case") << u"ABONENT LIKE '%иВаНоВ%'"_s << Rows {0, 1};
    QTest::newRow("like takes the whole text") << u"ABONENT LIKE 'ИВАНОВ'"_s << Rows {};
    QTest::newRow("like prefix") << u"ABONENT LIKE 'ИВАНОВ%'"_s << Rows {0, 1};
    QTest::newRow("like suffix") << u"ABONENT LIKE '%И.И.'"_s << Rows {0};
    QTest::newRow("Ё matches ё") << u"ABONENT LIKE '%ЁЛКИН%'"_s << Rows {2};
    QTest::newRow("ё matches Ё") << u"ABONENT LIKE 'ё%'"_s << Rows {2, 11};
    QTest::newRow("Е is not Ё") << u"ABONENT LIKE 'Е%'"_s << Rows {3};
    QTest::newRow("Latin case ignored") << u"ABONENT LIKE '%smith j%'"_s << Rows {4};
    QTest::newRow("underscore is one Cyrillic letter") << u"ABONENT LIKE '_ВАНОВ%'"_s << Rows {0, 1};
    QTest::newRow("two underscores are two letters") << u"ABONENT LIKE '__ВАНОВ%'"_s << Rows {};
    QTest::newRow("underscore alone: one-letter texts") << u"ABONENT LIKE '_'"_s << Rows {10};
    QTest::newRow("two underscores: two-letter texts") << u"ABONENT LIKE '__'"_s << Rows {11};
    QTest::newRow("underscore in the data is a letter") << u"ABONENT LIKE 'АБВ_ГД'"_s << Rows {8, 9};
    QTest::newRow("percent alone: every non-null text")
        << u"ABONENT LIKE '%'"_s << Rows {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12};
    QTest::newRow("empty pattern: the empty text only") << u"ABONENT LIKE ''"_s << Rows {6};
    QTest::newRow("percent runs") << u"ABONENT LIKE '%%ИВ%%ОВ%%'"_s << Rows {0, 1};
    QTest::newRow("equal whole text") << u"ABONENT='ИВАНОВ И.И.'"_s << Rows {0};
    QTest::newRow("equal ignores case") << u"ABONENT='иванов и.и.'"_s << Rows {0};
    QTest::newRow("equal is no substring") << u"ABONENT='ИВАНОВ'"_s << Rows {};
    QTest::newRow("equal empty text is not null") << u"ABONENT=''"_s << Rows {6};
    QTest::newRow("equal phone") << u"PHONE='2345678'"_s << Rows {0};
    QTest::newRow("equal phone keeps blanks") << u"PHONE='1234567'"_s << Rows {3};
    QTest::newRow("absent phone") << u"PHONE='9999999'"_s << Rows {};
    QTest::newRow("doubled apostrophe in like") << u"ABONENT LIKE 'O''BRIEN'"_s << Rows {5};
    QTest::newRow("doubled apostrophe in equal") << u"ABONENT='o''brien'"_s << Rows {5};
    QTest::newRow("address with flat, long texts too") << u"ADDRESS LIKE '%САДОВАЯ%Д% 5%КВ%.12'"_s << Rows {0, 1, 8};
    QTest::newRow("flat beyond 255 bytes") << u"ADDRESS LIKE '%Ж Д. 5 КВ.12'"_s << Rows {8};
    QTest::newRow("address with building") << u"ADDRESS LIKE '%САДОВАЯ%Д% 5%КОРП% 2%КВ%.12'"_s << Rows {1};
    QTest::newRow("address house at the end") << u"ADDRESS LIKE '%ЛЕНИНА%Д% 5'"_s << Rows {3};
    QTest::newRow("comment without wildcard") << u"COMMENT LIKE 'аптека'"_s << Rows {0};
    QTest::newRow("percent in the data") << u"COMMENT LIKE '50%'"_s << Rows {8, 9};
    QTest::newRow("number compared as number") << u"NO_TYPE='21.0'"_s << Rows {0};
    QTest::newRow("number like its text") << u"NO_TYPE LIKE '2%'"_s << Rows {0, 5};
    QTest::newRow("and") << u"ABONENT LIKE '%ИВАНОВ%' AND COMMENT LIKE 'АПТЕКА'"_s << Rows {0};
    QTest::newRow("and leaves out nulls")
        << u"COMMENT LIKE '%' AND ABONENT LIKE '%'"_s << Rows {0, 1, 3, 4, 5, 6, 8, 9, 11, 12};
    QTest::newRow("and with equal") << u"PHONE='1234567' AND ABONENT LIKE '%Ё%'"_s << Rows {};
    QTest::newRow("column name in any case") << u"abonent like '%smith%'"_s << Rows {4};
    QTest::newRow("list of letters") << u"ABONENT LIKE '[ИЯ]%'"_s << Rows {0, 1, 10};
    QTest::newRow("range") << u"ABONENT LIKE '[а-г]%'"_s << Rows {8, 9};
    QTest::newRow("range of the alphabet takes Ё") << u"ABONENT LIKE '[А-Я]%'"_s << Rows {0, 1, 2, 3, 8, 9, 10, 11};
    QTest::newRow("Ё follows Е in a range") << u"ABONENT LIKE '[Ё-Ж]%'"_s << Rows {2, 11};
    QTest::newRow("negated list") << u"ABONENT LIKE '[!ИЯ]%'"_s << Rows {2, 3, 4, 5, 8, 9, 11, 12};
    QTest::newRow("negated range") << u"PHONE LIKE '[!0-9]%'"_s << Rows {2};
    QTest::newRow("digit range") << u"PHONE LIKE '[2-3]%'"_s << Rows {0, 1, 6, 8};
    QTest::newRow("list after a literal") << u"ABONENT LIKE '%ИВАНОВ[А]%'"_s << Rows {1};
    QTest::newRow("list at the end of a long text") << u"ADDRESS LIKE '%САДОВАЯ%Д% 5%КВ%.1[2]'"_s << Rows {0, 1, 8};
    QTest::newRow("bracket as a list of itself") << u"ABONENT LIKE '[[]ВЕКТОР]%'"_s << Rows {12};
    QTest::newRow("closing bracket alone is itself") << u"ABONENT LIKE '%Р]%'"_s << Rows {12};
    QTest::newRow("percent inside a list is itself") << u"COMMENT LIKE '50[%]%'"_s << Rows {8};
    QTest::newRow("underscore inside a list is itself") << u"ABONENT LIKE 'АБВ[_]ГД'"_s << Rows {8};
    QTest::newRow("hyphen first in a list") << u"COMMENT LIKE 'A[-X]B'"_s << Rows {12};
    QTest::newRow("hyphen last in a list") << u"COMMENT LIKE 'A[X-]B'"_s << Rows {12};
    QTest::newRow("empty list is no character") << u"ABONENT LIKE 'Я[]'"_s << Rows {10};
    QTest::newRow("negated empty list is any character") << u"ABONENT LIKE '[!]'"_s << Rows {10};
    QTest::newRow("equal takes brackets as they are") << u"ABONENT='[вектор] straße ﬁrma'"_s << Rows {12};
    QTest::newRow("ß folds to itself") << u"ABONENT LIKE '%straße%'"_s << Rows {12};
    QTest::newRow("ligature is not two letters") << u"ABONENT LIKE '%FIRMA'"_s << Rows {};
}

void tst_database_evaluation::matchingRows()
{
    QFETCH(QString, condition);
    QFETCH(Rows, expected);
    const auto table = sampleTable();
    const QString sql = u"SELECT * FROM Base WHERE "_s + condition + u" "_s;
    QCOMPARE(evaluated(*table, sql, false), expected);
    QCOMPARE(evaluated(*table, sql, true), expected);
}

void tst_database_evaluation::rejectedStatements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("no condition") << u"SELECT * FROM Base WHERE "_s;
    QTest::newRow("no WHERE") << u"SELECT * FROM Base"_s;
    QTest::newRow("empty") << u""_s;
    QTest::newRow("or") << u"SELECT * FROM Base WHERE PHONE='1' OR PHONE='2'"_s;
    QTest::newRow("dangling and") << u"SELECT * FROM Base WHERE PHONE='1' AND "_s;
    QTest::newRow("unterminated text") << u"SELECT * FROM Base WHERE ABONENT LIKE '%ИВАНОВ%"_s;
    QTest::newRow("apostrophe inside a text") << u"SELECT * FROM Base WHERE ABONENT LIKE '%O'BRIEN%'"_s;
    QTest::newRow("unknown column") << u"SELECT * FROM Base WHERE NAME LIKE '%'"_s;
    QTest::newRow("column list") << u"SELECT ABONENT FROM Base WHERE PHONE='1'"_s;
    QTest::newRow("unquoted value") << u"SELECT * FROM Base WHERE PHONE=1"_s;
    QTest::newRow("other operator") << u"SELECT * FROM Base WHERE PHONE<>'1'"_s;
    QTest::newRow("trailing words") << u"SELECT * FROM Base WHERE PHONE='1' ORDER BY PHONE"_s;
    QTest::newRow("keyword glued to name") << u"SELECT * FROMBase WHERE PHONE='1'"_s;
    QTest::newRow("text for a number") << u"SELECT * FROM Base WHERE NO_TYPE='ЛИЧНЫЙ'"_s;
    QTest::newRow("list left open") << u"SELECT * FROM Base WHERE ABONENT LIKE '%[АБ%'"_s;
    QTest::newRow("list left open after a closed one") << u"SELECT * FROM Base WHERE ABONENT LIKE '[А]%['"_s;
    QTest::newRow("descending range") << u"SELECT * FROM Base WHERE ABONENT LIKE '[Я-А]%'"_s;
    QTest::newRow("list left open in a later condition")
        << u"SELECT * FROM Base WHERE PHONE='1' AND ADDRESS LIKE '[%'"_s;
}

void tst_database_evaluation::rejectedStatements()
{
    QFETCH(QString, sql);
    const auto table = sampleTable();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, bindConditions(*table, parseStatement(sql)));
}

void tst_database_evaluation::parsedStatements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Statement>("expected");

    const Statement phone {u"Base"_s, {{u"PHONE"_s, ComparisonOperator::Equal, u"123456"_s}}};
    QTest::newRow("phone") << u"SELECT * FROM Base WHERE PHONE='123456'"_s << phone;
    QTest::newRow("keywords in lower case, blanks everywhere")
        << u"  select\t*\nfrom   Base  where PHONE = '123456'   "_s << phone;
    QTest::newRow("no blanks where none are needed") << u"SELECT*FROM Base WHERE PHONE='123456'"_s << phone;
    QTest::newRow("bracketed names") << u"SELECT * FROM [Base] WHERE [PHONE]='123456'"_s << phone;
    QTest::newRow("three conditions")
        << u"SELECT * FROM Base WHERE ABONENT LIKE '%ПЕТРОВ%' AND COMMENT LIKE 'АПТЕКА' AND ADDRESS LIKE '%Д% 5'"_s
        << Statement {u"Base"_s,
               {{u"ABONENT"_s, ComparisonOperator::Like, u"%ПЕТРОВ%"_s},
                   {u"COMMENT"_s, ComparisonOperator::Like, u"АПТЕКА"_s},
                   {u"ADDRESS"_s, ComparisonOperator::Like, u"%Д% 5"_s}}};
    QTest::newRow("apostrophes and keywords inside a text")
        << u"SELECT * FROM Base WHERE COMMENT LIKE '''A'' AND B OR '''"_s
        << Statement {u"Base"_s, {{u"COMMENT"_s, ComparisonOperator::Like, u"'A' AND B OR '"_s}}};
}

void tst_database_evaluation::parsedStatements()
{
    QFETCH(QString, sql);
    QFETCH(Statement, expected);
    QCOMPARE(parseStatement(sql), expected);
}

void tst_database_evaluation::originalTextsKept()
{
    const auto table = sampleTable();
    const TextColumn &abonent = table->values(*table->columnIndex(u"ABONENT"_s));
    QCOMPARE(abonent.text(0), u"ИВАНОВ И.И."_s);
    QCOMPARE(abonent.text(1), u"иванова а.п."_s);
    QCOMPARE(abonent.text(2), u"Ёлкин Ё.Ё."_s);
    QCOMPARE(abonent.text(4), u"Smith John"_s);
    QCOMPARE(abonent.text(6), QString());
    QVERIFY(!abonent.isNull(6));
    QVERIFY(abonent.isNull(7));
    QCOMPARE(abonent.text(11), u"ёж"_s);
    const TextColumn &address = table->values(*table->columnIndex(u"address"_s));
    QCOMPARE(address.text(9), longAddress(u"123"_s));
}

int main(int argc, char *argv[])
{
    return velkaro::testing::runOnBothPaths<tst_database_evaluation>(argc, argv);
}
#include "tst_database_evaluation.moc"
