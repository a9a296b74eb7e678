#include "ReadTableFixtures.h"
#include "database/reader/Jet3Definition.h"
#include "database/reader/Jet3Text.h"
#include "database/reader/Jet4Text.h"
#include "database/reader/JetHeader.h"
#include "database/reader/ReaderFailure.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::reader;
using namespace velkaro::database::test;

namespace {

std::span<const unsigned char> bytesOf(const QByteArray &bytes)
{
    return {reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size())};
}

QString jet4Text(const QByteArray &stored)
{
    QByteArray out(2 * stored.size() + 18, '\0');
    const auto size = jet4TextToUtf8(bytesOf(stored).data(), std::size_t(stored.size()), out.data(), out.size());
    return size ? QString::fromUtf8(out.constData(), qsizetype(*size)) : u"<too long>"_s;
}

QByteArray utf16(const QString &text)
{
    return {reinterpret_cast<const char *>(text.utf16()), text.size() * 2};
}

// The header of a file our writer made: plain fields sit under an RC4 mask, so a field is changed by XORing the
// stored bytes with the difference of the plain ones.
QByteArray writtenHeader()
{
    QTemporaryDir dir;
    return readFile(writeDirectory(dir.filePath(u"h.mdb"_s), 3, 1)).left(qsizetype(kJetHeaderBytes));
}

} // namespace

// The reader's parsers over bytes: the text decoders, the header and the Jet 3 definition.
class tst_readerformats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jet4Texts_data();
    void jet4Texts();
    void jet3Texts_data();
    void jet3Texts();
    void westernOrCyrillic_data();
    void westernOrCyrillic();
    void headers_data();
    void headers();
    void jet3Descriptors();
};

void tst_readerformats::jet4Texts_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain, vector length") << utf16(u"ИВАНОВ И.И. УЛ. ЛЕНИНА"_s) << u"ИВАНОВ И.И. УЛ. ЛЕНИНА"_s;
    QTest::newRow("plain, short") << utf16(u"Жм"_s) << u"Жм"_s;
    QTest::newRow("plain, beyond U+0800") << utf16(u"中文 テキスト ДОМ"_s) << u"中文 テキスト ДОМ"_s;
    QTest::newRow("plain, surrogate pair") << utf16(u"A 😀 Б"_s) << u"A 😀 Б"_s;
    QTest::newRow("plain, lone low surrogate") << QByteArray::fromHex("410000DC4200") << u"A?B"_s;
    QTest::newRow("plain, lone high surrogate at the end") << QByteArray::fromHex("410000D8") << u"A?"_s;
    QTest::newRow("plain, odd last byte dropped") << QByteArray::fromHex("41004200FF") << u"AB"_s;
    QTest::newRow("compressed, ASCII") << QByteArray::fromHex("FFFE32333435") << u"2345"_s;
    QTest::newRow("compressed, Latin-1") << QByteArray::fromHex("FFFE47FC DF65") << u"Güße"_s;
    QTest::newRow("compressed, mode switches")
        << QByteArray::fromHex("FFFE41200018044604002042") << u"A Иц B"_s;
    QTest::newRow("compressed, lone high surrogate before a one-byte run")
        << QByteArray::fromHex("FFFE41003DD8004243") << u"A?BC"_s;
    QTest::newRow("compressed, surrogate pair") << QByteArray::fromHex("FFFE41003DD801DE0042") << u"A😁B"_s;
}

// Run with and without VELKARO_READER_PLAIN_UTF8, so that the vector path and the plain one meet every case.
void tst_readerformats::jet4Texts()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, text);
    QCOMPARE(jet4Text(stored), text);
}

void tst_readerformats::jet3Texts_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("text");

    const QByteArray ivanov = QByteArray::fromHex("C8C2C0CDCEC220C82EC82E");
    QTest::newRow("1251") << 1251 << ivanov << u"ИВАНОВ И.И."_s;
    QTest::newRow("1252") << 1252 << ivanov << u"ÈÂÀÍÎÂ È.È."_s;
    QTest::newRow("1251 Ё ё and №") << 1251 << QByteArray::fromHex("A8B8B9") << u"Ёё№"_s;
    QTest::newRow("1250") << 1250 << QByteArray::fromHex("8A9EE8") << u"Šžč"_s;
    QTest::newRow("1251 byte without a character") << 1251 << QByteArray::fromHex("41984A") << u"A?J"_s;
    QTest::newRow("874 Thai") << 874 << QByteArray::fromHex("A1") << u"ก"_s;
}

void tst_readerformats::jet3Texts()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, stored);
    QFETCH(QString, text);
    const CodePages pages;
    const CodePageTable *table = pages.find(std::uint16_t(codePage));
    QVERIFY(table);
    QByteArray out(3 * stored.size(), '\0');
    const auto size = jet3TextToUtf8(bytesOf(stored).data(), std::size_t(stored.size()), *table, out.data(), out.size());
    QVERIFY(size);
    QCOMPARE(QString::fromUtf8(out.constData(), qsizetype(*size)), text);
    // One byte short of the text: nothing.
    QVERIFY(!jet3TextToUtf8(bytesOf(stored).data(), std::size_t(stored.size()), *table, out.data(), *size - 1));
}

void tst_readerformats::westernOrCyrillic_data()
{
    QTest::addColumn<QByteArray>("texts"); // in the file's bytes
    QTest::addColumn<int>("codePage");

    QTest::newRow("Russian directory") << QByteArray::fromHex("C8C2C0CDCEC220C82EC82E") + " 2345678 D 5" << 1251;
    QTest::newRow("Russian with a Latin company name")
        << QByteArray::fromHex("CECECE20") + "ROMASHKA" + QByteArray::fromHex("20CBC5CDC8CDC020C42E203130") << 1251;
    QTest::newRow("German") << QByteArray("M\xFCller, Stra\xDF""e 5, K\xF6ln") << 1252;
    QTest::newRow("French") << QByteArray("Le\xEFla \xC9lodie, All\xE9""e des Ch\xEAnes") << 1252;
    QTest::newRow("digits only") << QByteArray("2345678 12") << 1252;
    QTest::newRow("nothing") << QByteArray() << 1252;
}

void tst_readerformats::westernOrCyrillic()
{
    QFETCH(QByteArray, texts);
    QFETCH(int, codePage);
    LetterCounts letters;
    letters.add(bytesOf(texts).data(), std::size_t(texts.size()));
    QCOMPARE(int(velkaro::reader::westernOrCyrillic(letters)), codePage);
}

void tst_readerformats::headers_data()
{
    QTest::addColumn<QByteArray>("page0");
    QTest::addColumn<int>("format"); // -1: refused
    QTest::addColumn<QString>("refusal");

    const QByteArray written = writtenHeader();
    QTest::newRow("Jet 4") << written << int(JetFormat::Jet4) << QString();
    for (char version = 2; version <= 6; ++version) {
        QByteArray ace = written;
        ace.replace(4, 16, QByteArray("Standard ACE DB", 16));
        ace[0x14] = version;
        QTest::addRow("ACE version %d", version) << ace << int(JetFormat::Ace) << QString();
    }
    QByteArray ace7 = written;
    ace7.replace(4, 16, QByteArray("Standard ACE DB", 16));
    ace7[0x14] = 7;
    QTest::newRow("ACE version 7") << ace7 << -1 << u"format version 7"_s;
    QByteArray jetAsAce = written;
    jetAsAce[0x14] = 2;
    QTest::newRow("Jet name, ACE version") << jetAsAce << -1 << u"format version 2"_s;
    QByteArray other = written;
    other.replace(4, 15, "MSISAM Database");
    QTest::newRow("another engine") << other << -1 << u"no Jet database header"_s;
    QByteArray encoded = written;
    encoded[0x40] = char(encoded[0x40] ^ 0x5A);
    QTest::newRow("encoded pages") << encoded << -1 << u"locked: encoded or encrypted pages"_s;
    QByteArray password = written;
    password[0x42] = char(password[0x42] ^ 'S');
    QTest::newRow("database password") << password << -1 << u"locked: database password"_s;
    QByteArray lastPasswordByte = written;
    lastPasswordByte[0x42 + 39] = char(lastPasswordByte[0x42 + 39] ^ 1);
    QTest::newRow("password's last byte") << lastPasswordByte << -1 << u"locked: database password"_s;
    QTest::newRow("short") << written.left(0x90) << -1 << u"no Jet database header"_s;
}

void tst_readerformats::headers()
{
    QFETCH(QByteArray, page0);
    QFETCH(int, format);
    QFETCH(QString, refusal);
    try {
        const JetHeader header = parseJetHeader(bytesOf(page0));
        QCOMPARE(int(header.format), format);
        QCOMPARE(header.pageSize, 4096U);
        QCOMPARE(header.codePage, 1252);
        QCOMPARE(header.sortOrder, 1033);
    } catch (const ReaderFailure &failure) {
        QCOMPARE(QString::fromStdString(failure.detail), refusal);
        QCOMPARE(format, -1);
    }
}

void tst_readerformats::jet3Descriptors()
{
    // Two real indexes, then two descriptors: column 0 in 1251, column 3 in 1253.
    QByteArray definition(43 + 2 * 8 + 2 * 18, '\0');
    writeU16(definition, 25, 2);
    writeU32(definition, 31, 2);
    definition[43 + 16 + 1] = 0;
    writeU16(definition, 43 + 16 + 11, 1251);
    definition[43 + 16 + 18 + 1] = 3;
    writeU16(definition, 43 + 16 + 18 + 11, 1253);
    QCOMPARE(jet3ColumnCodePages(bytesOf(definition)), (std::map<int, std::uint16_t> {{0, 1251}, {3, 1253}}));
    QVERIFY_THROWS_EXCEPTION(ReaderFailure, jet3ColumnCodePages(bytesOf(definition.chopped(1))));
}

QTEST_GUILESS_MAIN(tst_readerformats)
#include "tst_readerformats.moc"
