#include "database/core/CaseFold.h"
#include "support/BothPaths.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::database;

class tst_database_casefold : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folded_data();
    void folded();
    void everyBmpCharacterFoldsLikeQChar();
    void asciiRunsFoldLikeQChar_data();
    void asciiRunsFoldLikeQChar();
    void invalidUtf8KeptByteForByte();
};

void tst_database_casefold::folded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Russian alphabet") << u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"_s
                                      << u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_s;
    QTest::newRow("Latin and digits") << u"Baker street 221b"_s << u"BAKER STREET 221B"_s;
    QTest::newRow("upper case unchanged") << u"САДОВАЯ УЛ. Д. 5 КВ.12"_s << u"САДОВАЯ УЛ. Д. 5 КВ.12"_s;
    QTest::newRow("other Cyrillic letters") << u"ђѓєѕіїјљњћќўџѣ"_s << u"ЂЃЄЅІЇЈЉЊЋЌЎЏѢ"_s;
    QTest::newRow("Greek") << u"αβγ"_s << u"ΑΒΓ"_s;
    QTest::newRow("mixed case, sixteen bytes at a time")
        << u"ул. Школьная д. 94, кв. 12; ЁЛКИ-палки ёж ѐѝ, Иван Петрович"_s
        << u"УЛ. ШКОЛЬНАЯ Д. 94, КВ. 12; ЁЛКИ-ПАЛКИ ЁЖ ЀЍ, ИВАН ПЕТРОВИЧ"_s;
    QTest::newRow("one character stays one: sharp s") << u"straße"_s << u"STRAßE"_s;
    QTest::newRow("one character stays one: dotless i") << u"ı"_s << u"I"_s;
    QTest::newRow("outside the BMP") << u"\U00010428"_s << u"\U00010400"_s;
    // The most a fold grows a text: two bytes to three, in a text longer than any block the folding steps by.
    QTest::newRow("two bytes become three") << u"\u0250"_s.repeated(700) << u"\u2C6F"_s.repeated(700);
    QTest::newRow("empty") << QString() << QString();
    // Every length of a value's last part, shorter than the sixteen bytes folded at a time.
    const QString mixed = u"Ёлка 7а ул.Жуковского д.12 kv.3"_s;
    for (qsizetype length = 1; length <= mixed.size(); ++length)
        QTest::addRow("mixed, %d characters", int(length)) << mixed.left(length) << mixed.left(length).toUpper();
}

void tst_database_casefold::folded()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(foldedUtf8(text)), expected);
}

void tst_database_casefold::everyBmpCharacterFoldsLikeQChar()
{
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QString text = QString::fromUcs4(&c, 1);
        const QString expected = QString::fromUcs4(std::array {QChar::toUpper(c)}.data(), 1);
        // Alone, in a run long enough to be folded many bytes at a time, and split where such a run ends.
        const QString fifteen(15, u'Z');
        if (QString::fromStdString(foldedUtf8(text)) != expected
            || QString::fromStdString(foldedUtf8(u"Д"_s + text.repeated(16))) != u"Д"_s + expected.repeated(16)
            || QString::fromStdString(foldedUtf8(fifteen + text + fifteen)) != fifteen + expected + fifteen)
            QFAIL(qPrintable(u"U+%1 folds wrongly"_s.arg(quint32(c), 4, 16, QChar(u'0'))));
    }
}

void tst_database_casefold::asciiRunsFoldLikeQChar_data()
{
    QString everyAscii;
    for (char16_t c = 1; c < 0x80; ++c)
        everyAscii += QChar(c);
    QTest::addColumn<QString>("text");
    QTest::newRow("every ASCII character") << everyAscii;
    QTest::newRow("shifted by three") << u"abc"_s + everyAscii;
    QTest::newRow("between Cyrillic") << u"ж"_s + everyAscii + u"ё"_s + everyAscii.right(13) + u"\U00010428"_s;
    QTest::newRow("lower case ends a run") << u"zzzzzzzzz"_s;
}

void tst_database_casefold::asciiRunsFoldLikeQChar()
{
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(foldedUtf8(text)), text.toUpper());
}

void tst_database_casefold::invalidUtf8KeptByteForByte()
{
    const std::string invalid = "a\xD0z\x80\xFF\xE0\xA0";
    QCOMPARE(foldedUtf8(std::string_view(invalid)), std::string("A\xD0Z\x80\xFF\xE0\xA0"));
    // Invalid bytes among sixteen that fold to themselves, and a character split at sixteen bytes.
    const std::string longer = "\xD0\x90\x85ZZZZZZZZZZZZ\xD0\xD0\x90" "a\xD0\xB0";
    QCOMPARE(foldedUtf8(std::string_view(longer)), std::string("\xD0\x90\x85ZZZZZZZZZZZZ\xD0\xD0\x90" "A\xD0\x90"));
    QCOMPARE(utf8CharLength(invalid.data() + 1, invalid.data() + invalid.size()), std::size_t {1});
    QCOMPARE(utf8CharLength(invalid.data() + 5, invalid.data() + invalid.size()), std::size_t {1});
}

int main(int argc, char *argv[])
{
    return velkaro::testing::runOnBothPaths<tst_database_casefold>(argc, argv);
}
#include "tst_database_casefold.moc"
