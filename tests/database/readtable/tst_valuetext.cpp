#include "database/reader/ValueText.h"

#include <QTest>

#include <array>
#include <bit>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace velkaro::reader;

namespace {

// Jet type codes.
constexpr int kMoney = 0x05;
constexpr int kDateTime = 0x08;
constexpr int kGuid = 0x0F;
constexpr int kNumeric = 0x10;

QByteArray storedDouble(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes.append(char(bits >> (8 * i)));
    return bytes;
}

// A decimal: the sign byte, then the magnitude's 32-bit words from the most significant on.
QByteArray storedNumeric(bool negative, std::array<quint32, 4> words)
{
    QByteArray bytes(1, negative ? char(0x80) : '\0');
    for (quint32 word : words) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char(word >> (8 * i)));
    }
    return bytes;
}

double days(int day, int hour, int minute, double second)
{
    return day + (hour * 3600 + minute * 60 + second) / 86400.0;
}

} // namespace

// The texts of stored money, dates, GUIDs and decimals. Every row's text is the one libmdb 1.0 binds, except the
// rows marked "sound", where libmdb's text is garbage ("1900-01-00 00:00:00"), "24:00:00" or a misplaced point.
class tst_valuetext : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
};

void tst_valuetext::texts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("text");

    const auto money = [](const char *name, const char *hex, const QString &text) {
        QTest::newRow(name) << kMoney << QByteArray::fromHex(hex) << 0 << text;
    };
    money("money, zero", "0000000000000000", u"0.0000"_s);
    money("money, a ten-thousandth", "0100000000000000", u"0.0001"_s);
    money("money, negative", "C01DFEFFFFFFFFFF", u"-12.3456"_s);
    money("money, largest", "FFFFFFFFFFFFFF7F", u"922337203685477.5807"_s);
    money("money, most negative", "0000000000000080", u"-922337203685477.5808"_s);

    const auto date = [](const char *name, double stored, const QString &text) {
        QTest::newRow(name) << kDateTime << storedDouble(stored) << 0 << text;
    };
    date("date, day zero at midnight", 0.0, u"1899-12-30 00:00:00"_s);
    date("date, written by Access", 44532.0, u"2021-12-02 00:00:00"_s);
    date("date, with a time", days(36526, 12, 34, 56), u"2000-01-01 12:34:56"_s);
    date("date, half a second rounds up", days(1, 0, 0, 0.5), u"1899-12-31 00:00:01"_s);
    date("date, less than half a second rounds down", days(1, 0, 0, 0.49), u"1899-12-31 00:00:00"_s);
    date("date, 1900 has no leap day", 61.0, u"1900-03-01 00:00:00"_s);
    date("date, 2000 has one", 36585.0, u"2000-02-29 00:00:00"_s);
    date("date, sound: rounds to the next day", std::nextafter(2.0, 0.0), u"1900-01-01 00:00:00"_s);
    date("date, sound: before day zero, time forwards", -1.25, u"1899-12-29 06:00:00"_s);
    date("date, sound: just below zero is day zero", -0.5, u"1899-12-30 12:00:00"_s);
    date("date, sound: Access's year 632", -463126.0, u"0632-01-01 00:00:00"_s);
    date("date, sound: Access's first day", -657434.75, u"0100-01-01 18:00:00"_s);
    date("date, sound: Access's last second", days(2958465, 23, 59, 59), u"9999-12-31 23:59:59"_s);
    date("date, sound: rounds beyond the last day", days(2958465, 23, 59, 59.6), QString());
    date("date, sound: after the last day", 2958466.0, QString());
    date("date, sound: before the first day", -657435.0, QString());
    date("date, sound: not a number", std::numeric_limits<double>::quiet_NaN(), QString());
    date("date, sound: infinite", -std::numeric_limits<double>::infinity(), QString());

    QTest::newRow("GUID, sound: fields reversed, last eight bytes as stored")
        << kGuid << QByteArray::fromHex("40FC296B47CA6710B31D00DD010662DA") << 0
        << u"{6B29FC40-CA47-1067-B31D-00DD010662DA}"_s;

    const auto numeric = [](const char *name, bool negative, std::array<quint32, 4> words, int scale,
                             const QString &text) {
        QTest::newRow(name) << kNumeric << storedNumeric(negative, words) << scale << text;
    };
    numeric("decimal, scale 0", false, {0, 0, 0, 1}, 0, u"1"_s);
    numeric("decimal, scale 2", false, {0, 0, 0, 12345}, 2, u"123.45"_s);
    numeric("decimal, scale beyond the digits", false, {0, 0, 0, 7}, 3, u"0.007"_s);
    numeric("decimal, zero", false, {0, 0, 0, 0}, 2, u"0.00"_s);
    numeric("decimal, negative", true, {0, 0, 0, 150}, 2, u"-1.50"_s);
    numeric("decimal, negative zero", true, {0, 0, 0, 0}, 0, u"-0"_s);
    numeric("decimal, words from the most significant", false, {1, 0, 1, 0}, 0, u"79228162514264337597838917632"_s);
    numeric("decimal, largest", false, {~0U, ~0U, ~0U, ~0U}, 28, u"34028236692.0938463463374607431768211455"_s);
    numeric("decimal, sound: scale 40", false, {0, 0, 0, 1}, 40, u"0."_s + QString(39, u'0') + u"1"_s);
}

void tst_valuetext::texts()
{
    QFETCH(int, type);
    QFETCH(QByteArray, stored);
    QFETCH(int, scale);
    QFETCH(QString, text);

    const auto *value = reinterpret_cast<const unsigned char *>(stored.constData());
    std::array<char, kNumericTextCapacity> out {};
    std::string_view written;
    switch (type) {
    case kMoney:
        written = moneyText(value, out.data());
        QVERIFY(written.size() <= kMoneyTextCapacity);
        break;
    case kDateTime:
        written = dateTimeText(value, out.data());
        QVERIFY(written.size() <= kDateTimeTextCapacity);
        break;
    case kGuid:
        written = guidText(value, out.data());
        QCOMPARE(written.size(), kGuidTextCapacity);
        break;
    case kNumeric:
        written = numericText(value, std::uint8_t(scale), out.data());
        break;
    default:
        QFAIL("no text for this type");
    }
    QCOMPARE(QString::fromLatin1(written.data(), qsizetype(written.size())), text);
}

QTEST_GUILESS_MAIN(tst_valuetext)
#include "tst_valuetext.moc"
