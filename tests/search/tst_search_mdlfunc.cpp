#include "search/mdlFunc.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::search;

namespace velkaro::search {
char *toString(const SearchCriteria &c)
{
    const QString text = u"{phone=%1 subscriber=%2 address=%3 comment=%4 '%5' '%6' '%7' '%8'}"_s.arg(c.phone)
                             .arg(c.subscriber)
                             .arg(c.address)
                             .arg(c.comment)
                             .arg(c.phoneValue, c.subscriberPattern, c.addressPattern, c.commentPattern);
    return qstrdup(text.toUtf8().constData());
}
} // namespace velkaro::search

namespace {

SearchInputs inputs(const QString &street, const QString &house, const QString &korp, const QString &flat,
    const QString &ab, const QString &phone, const QString &comment)
{
    return {street, house, korp, flat, ab, phone, comment};
}

void addInputColumns()
{
    QTest::addColumn<QString>("street");
    QTest::addColumn<QString>("house");
    QTest::addColumn<QString>("korp");
    QTest::addColumn<QString>("flat");
    QTest::addColumn<QString>("ab");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("comment");
}

SearchInputs fetchInputs()
{
    QFETCH(QString, street);
    QFETCH(QString, house);
    QFETCH(QString, korp);
    QFETCH(QString, flat);
    QFETCH(QString, ab);
    QFETCH(QString, phone);
    QFETCH(QString, comment);
    return inputs(street, house, korp, flat, ab, phone, comment);
}

} // namespace

class tst_search_mdlfunc : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queryFromInputs_data();
    void queryFromInputs();
    void unmatchedInputsKeepCriteria_data();
    void unmatchedInputsKeepCriteria();
    void laterSearchKeepsOtherValues_data();
    void laterSearchKeepsOtherValues();
    void queryFromCriteria_data();
    void queryFromCriteria();
};

void tst_search_mdlfunc::queryFromInputs_data()
{
    addInputColumns();
    QTest::addColumn<QString>("query");
    const QString e;

    QTest::newRow("phone trimmed, dashes removed")
        << e << e << e << e << e << u"  12-34-56  "_s << e << u"SELECT * FROM Base WHERE PHONE='123456'"_s;
    QTest::newRow("phone keeps inner blank")
        << e << e << e << e << e << u"12 34-56"_s << e << u"SELECT * FROM Base WHERE PHONE='12 3456'"_s;
    QTest::newRow("phone trims blanks only, not tabs")
        << e << e << e << e << e << u"\t12-34 "_s << e << u"SELECT * FROM Base WHERE PHONE='\t1234'"_s;
    QTest::newRow("phone of dashes only")
        << e << e << e << e << e << u"--"_s << e << u"SELECT * FROM Base WHERE PHONE=''"_s;
    QTest::newRow("subscriber upper-cased, trailing blank")
        << e << e << e << e << u"иванов"_s << e << e << u"SELECT * FROM Base WHERE ABONENT LIKE '%ИВАНОВ%' "_s;
    QTest::newRow("subscriber Latin and Cyrillic") << e << e << e << e << u"smith ёжиков"_s << e << e
                                                   << u"SELECT * FROM Base WHERE ABONENT LIKE '%SMITH ЁЖИКОВ%' "_s;
    QTest::newRow("subscriber: one character to one") << e << e << e << e << u"straße ﬁrma"_s << e << e
                                                      << u"SELECT * FROM Base WHERE ABONENT LIKE '%STRAßE ﬁRMA%' "_s;
    QTest::newRow("street: one character to one")
        << u"weißer"_s << u"5"_s << e << e << e << e << e << u"SELECT * FROM Base WHERE ADDRESS LIKE '%WEIßER%Д% 5'"_s;
    QTest::newRow("remark: one character to one")
        << e << e << e << e << e << e << u"ŉ ǰ"_s << u"SELECT * FROM Base WHERE COMMENT LIKE 'ŉ ǰ' "_s;
    QTest::newRow("subscriber of blanks is given")
        << e << e << e << e << u"  "_s << e << e << u"SELECT * FROM Base WHERE ABONENT LIKE '%  %' "_s;
    QTest::newRow("street and house") << u"садовая"_s << u"5"_s << e << e << e << e << e
                                      << u"SELECT * FROM Base WHERE ADDRESS LIKE '%САДОВАЯ%Д% 5'"_s;
    QTest::newRow("street, house and flat") << u"садовая"_s << u"5"_s << e << u"12"_s << e << e << e
                                            << u"SELECT * FROM Base WHERE ADDRESS LIKE '%САДОВАЯ%Д% 5%КВ%.12'"_s;
    QTest::newRow("street, house, building and flat")
        << u"садовая"_s << u"5"_s << u"2"_s << u"12"_s << e << e << e
        << u"SELECT * FROM Base WHERE ADDRESS LIKE '%САДОВАЯ%Д% 5%КОРП% 2%КВ%.12'"_s;
    QTest::newRow("house alone") << e << u"5"_s << e << e << e << e << e
                                 << u"SELECT * FROM Base WHERE ADDRESS LIKE '%%Д% 5'"_s;
    QTest::newRow("house, building, flat as typed")
        << u"nevsky pr"_s << u" 5а "_s << u"2b"_s << u"12б "_s << e << e << e
        << u"SELECT * FROM Base WHERE ADDRESS LIKE '%NEVSKY PR%Д%  5а %КОРП% 2b%КВ%.12б '"_s;
    QTest::newRow("subscriber wins over phone") << e << e << e << e << u"петров"_s << u"1234567"_s << e
                                                << u"SELECT * FROM Base WHERE ABONENT LIKE '%ПЕТРОВ%' "_s;
    QTest::newRow("address wins over subscriber and phone")
        << u"садовая"_s << u"5"_s << e << e << u"петров"_s << u"1234567"_s << e
        << u"SELECT * FROM Base WHERE ADDRESS LIKE '%САДОВАЯ%Д% 5'"_s;
    QTest::newRow("remark wins over subscriber")
        << e << e << e << e << u"петров"_s << e << u"аптека"_s << u"SELECT * FROM Base WHERE COMMENT LIKE 'АПТЕКА' "_s;
    QTest::newRow("remark wins over address") << u"садовая"_s << u"5"_s << u"2"_s << u"12"_s << e << e << u"аптека"_s
                                              << u"SELECT * FROM Base WHERE COMMENT LIKE 'АПТЕКА' "_s;
    QTest::newRow("incomplete address leaves subscriber")
        << u"садовая"_s << u"5"_s << u"2"_s << e << u"петров"_s << e << e
        << u"SELECT * FROM Base WHERE ABONENT LIKE '%ПЕТРОВ%' "_s;
    QTest::newRow("apostrophe in subscriber")
        << e << e << e << e << u"о'нил"_s << e << e << u"SELECT * FROM Base WHERE ABONENT LIKE '%О''НИЛ%' "_s;
    QTest::newRow("apostrophe in phone") << e << e << e << e << e << u"1' OR ''='"_s << e
                                         << u"SELECT * FROM Base WHERE PHONE='1'' OR ''''='''"_s;
    QTest::newRow("apostrophes in address parts")
        << u"д'артаньяна"_s << u"5'"_s << e << u"'1"_s << e << e << e
        << u"SELECT * FROM Base WHERE ADDRESS LIKE '%Д''АРТАНЬЯНА%Д% 5''%КВ%.''1'"_s;
    QTest::newRow("apostrophe in remark") << e << e << e << e << e << e << u"' or 'a'='a"_s
                                          << u"SELECT * FROM Base WHERE COMMENT LIKE ''' OR ''A''=''A' "_s;
}

void tst_search_mdlfunc::queryFromInputs()
{
    QFETCH(QString, query);
    SearchCriteria criteria;
    const SearchInputs in = fetchInputs();
    QVERIFY(mdlFunc::anyRuleApplies(in));
    mdlFunc::deriveCriteria(in, criteria);
    QCOMPARE(mdlFunc::buildQueryText(criteria), query);
}

void tst_search_mdlfunc::unmatchedInputsKeepCriteria_data()
{
    addInputColumns();
    const QString e;
    QTest::newRow("street alone") << u"садовая"_s << e << e << e << e << e << e;
    QTest::newRow("street, house and building without flat") << u"садовая"_s << u"5"_s << u"2"_s << e << e << e << e;
    QTest::newRow("house and building") << e << u"5"_s << u"2"_s << e << e << e << e;
    QTest::newRow("house, building and flat without street") << e << u"5"_s << u"2"_s << u"12"_s << e << e << e;
    QTest::newRow("street and flat") << u"садовая"_s << e << e << u"12"_s << e << e << e;
    QTest::newRow("flat alone") << e << e << e << u"12"_s << e << e << e;
    QTest::newRow("nothing") << e << e << e << e << e << e << e;
}

void tst_search_mdlfunc::unmatchedInputsKeepCriteria()
{
    const SearchInputs in = fetchInputs();
    QVERIFY(!mdlFunc::anyRuleApplies(in));

    SearchCriteria criteria;
    mdlFunc::deriveCriteria(inputs({}, {}, {}, {}, u"иванов"_s, {}, {}), criteria);
    const SearchCriteria before = criteria;
    mdlFunc::deriveCriteria(in, criteria);
    QCOMPARE(criteria, before);
}

void tst_search_mdlfunc::laterSearchKeepsOtherValues_data()
{
    QTest::addColumn<SearchCriteria>("expected");
    QTest::newRow("phone after subscriber and address")
        << SearchCriteria {true, false, false, false, u"123"_s, u"%ИВАНОВ%"_s, u"%САДОВАЯ%Д% 5"_s, {}};
}

void tst_search_mdlfunc::laterSearchKeepsOtherValues()
{
    QFETCH(SearchCriteria, expected);
    SearchCriteria criteria;
    mdlFunc::deriveCriteria(inputs({}, {}, {}, {}, u"иванов"_s, {}, {}), criteria);
    mdlFunc::deriveCriteria(inputs(u"садовая"_s, u"5"_s, {}, {}, {}, {}, {}), criteria);
    mdlFunc::deriveCriteria(inputs({}, {}, {}, {}, {}, u"1-2-3"_s, {}), criteria);
    QCOMPARE(criteria, expected);
}

void tst_search_mdlfunc::queryFromCriteria_data()
{
    QTest::addColumn<SearchCriteria>("criteria");
    QTest::addColumn<QString>("query");

    const QString p = u"1"_s, s = u"%S%"_s, a = u"%A%Д% 1"_s, c = u"C"_s;
    QTest::newRow("no flag") << SearchCriteria {false, false, false, false, p, s, a, c}
                             << u"SELECT * FROM Base WHERE "_s;
    QTest::newRow("phone stops the rest")
        << SearchCriteria {true, true, true, true, p, s, a, c} << u"SELECT * FROM Base WHERE PHONE='1'"_s;
    QTest::newRow("subscriber, comment, address") << SearchCriteria {false, true, true, true, p, s, a,
        c} << u"SELECT * FROM Base WHERE ABONENT LIKE '%S%' AND COMMENT LIKE 'C' AND ADDRESS LIKE '%A%Д% 1'"_s;
    QTest::newRow("subscriber and address") << SearchCriteria {false, true, true, false, p, s, a,
        c} << u"SELECT * FROM Base WHERE ABONENT LIKE '%S%' AND ADDRESS LIKE '%A%Д% 1'"_s;
    QTest::newRow("comment and address") << SearchCriteria {false, false, true, true, p, s, a, c}
                                         << u"SELECT * FROM Base WHERE COMMENT LIKE 'C' AND ADDRESS LIKE '%A%Д% 1'"_s;
    QTest::newRow("subscriber and comment") << SearchCriteria {false, true, false, true, p, s, a, c}
                                            << u"SELECT * FROM Base WHERE ABONENT LIKE '%S%' AND COMMENT LIKE 'C' "_s;
    QTest::newRow("address alone has no trailing blank") << SearchCriteria {false, false, true, false, p, s, a, c}
                                                         << u"SELECT * FROM Base WHERE ADDRESS LIKE '%A%Д% 1'"_s;
}

void tst_search_mdlfunc::queryFromCriteria()
{
    QFETCH(SearchCriteria, criteria);
    QFETCH(QString, query);
    QCOMPARE(mdlFunc::buildQueryText(criteria), query);
}

QTEST_APPLESS_MAIN(tst_search_mdlfunc)
#include "tst_search_mdlfunc.moc"
