#include "search/LineTypeCatalogue.h"
#include "search/LineTypeCode.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using namespace velkaro::search;

class tst_search_linetype : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogueCoversTwoToSeventy();
    void descriptions_data();
    void descriptions();
    void codeFromNoType_data();
    void codeFromNoType();
};

void tst_search_linetype::catalogueCoversTwoToSeventy()
{
    QCOMPARE(LineTypeCatalogue::size(), 69);
    for (int code = -1; code <= 256; ++code)
        QCOMPARE(LineTypeCatalogue::description(code).has_value(), code >= 2 && code <= 70);
}

void tst_search_linetype::descriptions_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("2") << 2 << u"АЛТАЙ личная абон.р/ст с автоматич.вых.на ГТС в собств.аб."_s;
    QTest::newRow("12") << 12 << u"КОЛЛЕКТИВНЫЙ  (справок не давать)"_s;
    QTest::newRow("18") << 18 << u"КОЛЛЕКТИВНЫЙ через АВУ н/ч  (справок не давать)"_s;
    QTest::newRow("19") << 19 << u"КОЛЛЕКТИВНЫЙ,БЛОКИРОВАННЫЙ  (справок не давать)"_s;
    QTest::newRow("21") << 21 << u"ЛИЧНЫЙ"_s;
    QTest::newRow("26") << 26 << u"ЛИЧНЫЙ параллельный с коллетивным  справок не давать"_s;
    QTest::newRow("41") << 41 << u"ТАКСОФОН"_s;
    QTest::newRow("49") << 49 << u"УЧРЕЖД. СЛУЖЕБНЫЙ , СПРАВОК НЕ ДАВАТЬ"_s;
    QTest::newRow("53") << 53 << u"УЧРЕЖД.ЧЕРЕЗ PAIRSPAN  СЛУЖЕБНЫЙ"_s;
    QTest::newRow("54") << 54 << u"УЧРЕЖДЕНЧЕНСКИЙ БЛОКИРОВАННЫЙ БРОНЬ"_s;
    QTest::newRow("66") << 66 << u"МТС (СПб прямой номер)"_s;
    QTest::newRow("70") << 70 << u"FORA"_s;
}

void tst_search_linetype::descriptions()
{
    QFETCH(int, code);
    QFETCH(QString, description);
    QCOMPARE(LineTypeCatalogue::description(code), std::optional<QString>(description));
}

void tst_search_linetype::codeFromNoType_data()
{
    QTest::addColumn<QVariant>("noType");
    QTest::addColumn<int>("code"); // -1: no code

    QTest::newRow("null") << QVariant() << -1;
    QTest::newRow("number") << QVariant(21.0) << 21;
    QTest::newRow("half rounds to even, down") << QVariant(2.5) << 2;
    QTest::newRow("half rounds to even, up") << QVariant(3.5) << 4;
    QTest::newRow("0") << QVariant(0.0) << 0;
    QTest::newRow("255") << QVariant(255.0) << 255;
    QTest::newRow("255.5 rounds to 256") << QVariant(255.5) << -1;
    QTest::newRow("small negative rounds to 0") << QVariant(-0.4) << 0;
    QTest::newRow("negative") << QVariant(-1.0) << -1;
    QTest::newRow("huge") << QVariant(1e300) << -1;
    QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN()) << -1;
    QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << -1;
    QTest::newRow("text") << QVariant(u"41"_s) << 41;
    QTest::newRow("text with leading blanks and a tail") << QVariant(u" \t 41abc"_s) << 41;
    QTest::newRow("text with fraction") << QVariant(u"2.5"_s) << 2;
    QTest::newRow("text with bare fraction") << QVariant(u".6"_s) << 1;
    QTest::newRow("text with exponent") << QVariant(u"2e1"_s) << 20;
    QTest::newRow("text with dangling exponent") << QVariant(u"7e"_s) << 7;
    QTest::newRow("text without number") << QVariant(u"abc"_s) << 0;
    QTest::newRow("empty text") << QVariant(u""_s) << 0;
    QTest::newRow("text of a full stop") << QVariant(u"."_s) << 0;
    QTest::newRow("negative text") << QVariant(u"-3"_s) << -1;
    QTest::newRow("text over 255") << QVariant(u"300"_s) << -1;
}

void tst_search_linetype::codeFromNoType()
{
    QFETCH(QVariant, noType);
    QFETCH(int, code);
    QCOMPARE(lineTypeCode(noType), code < 0 ? std::nullopt : std::optional<int>(code));
}

QTEST_APPLESS_MAIN(tst_search_linetype)
#include "tst_search_linetype.moc"
