#include "EdgeCases.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray quoted(const QString &text)
{
    return '"' + text.toUtf8().replace('"', "\"\"") + '"';
}

} // namespace

QList<EdgeCase> edgeCases()
{
    const QString longCyrillic = u"Ж"_s.repeated(255);
    const QString longLatin = u"a"_s.repeated(254) + u'z';
    const QString longPhone = u"9"_s.repeated(50);
    return {
        {"cyrillic and latin", R"("ИВАНОВ Ivan И.И.",2345678,"УЛ. САДОВАЯ Д. 5 КОРП. 2 КВ.12",АПТЕКА,21)",
            {u"ИВАНОВ Ivan И.И."_s, u"2345678"_s, u"УЛ. САДОВАЯ Д. 5 КОРП. 2 КВ.12"_s, u"АПТЕКА"_s}, 21},
        {"empty text and null", R"("",,"УЛ. ЛЕНИНА Д. 1",,0)", {u""_s, {}, u"УЛ. ЛЕНИНА Д. 1"_s, {}}, 0},
        {"null everywhere", ",,,,", {{}, {}, {}, {}}, {}},
        {"blanks kept", R"(  ПЕТРОВ П. , 3456789 ,"   "," x ",99)",
            {u"  ПЕТРОВ П. "_s, u" 3456789 "_s, u"   "_s, u" x "_s}, 99},
        {"longest texts",
            quoted(longLatin) + ',' + longPhone.toUtf8() + ',' + quoted(longCyrillic) + ',' + quoted(longCyrillic)
                + ",70",
            {longLatin, longPhone, longCyrillic, longCyrillic}, 70},
        {"quotes commas line breaks", "\"О'НИЛ, \"\"ТЕСТ\"\"\",\"1\",\"a,b\",\"line1\r\nline2\nline3\",-5",
            {u"О'НИЛ, \"ТЕСТ\""_s, u"1"_s, u"a,b"_s, u"line1\r\nline2\nline3"_s}, -5},
        {"latin-1 and short texts", "ääkkösiä,ab,é,Zz,2147483647", {u"ääkkösiä"_s, u"ab"_s, u"é"_s, u"Zz"_s},
            2147483647},
        {"zero-low-byte characters", "Ѐ,1,\"ЀЁ 1\",x,-2147483648", {u"Ѐ"_s, u"1"_s, u"ЀЁ 1"_s, u"x"_s}, -2147483648LL},
        {"lower case", "иванова а.а.,2-34-56,ул. садовая д. 5 кв.12,аптека,2",
            {u"иванова а.а."_s, u"2-34-56"_s, u"ул. садовая д. 5 кв.12"_s, u"аптека"_s}, 2},
        {"outside the BMP", "\xF0\x9F\x93\x9E СВЯЗЬ,1234567,,,3", {u"\U0001F4DE СВЯЗЬ"_s, u"1234567"_s, {}, {}}, 3,
            false},
    };
}

QByteArray edgeCaseCsv()
{
    // Columns in another order than the table's: NO_TYPE first.
    QByteArray csv = "\xEF\xBB\xBFNO_TYPE,ABONENT,PHONE,ADDRESS,COMMENT\r\n";
    for (const EdgeCase &edge : edgeCases()) {
        const qsizetype lastComma = edge.csvLine.lastIndexOf(',');
        csv += edge.csvLine.mid(lastComma + 1) + ',' + edge.csvLine.left(lastComma) + "\r\n";
    }
    return csv;
}
