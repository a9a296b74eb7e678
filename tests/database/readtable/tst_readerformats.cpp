#include "ReadTableFixtures.h"
#include "database/reader/Jet3Text.h"
#include "database/reader/Jet4Text.h"
#include "database/reader/JetHeader.h"
#include "database/reader/ReaderFailure.h"
#include "database/reader/RowCracker.h"
#include "database/reader/TableDefinition.h"
#include "database/reader/TableDefinitionCheck.h"
#include "database/reader/UsageMap.h"

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
    return size != kTextDoesNotFit ? QString::fromUtf8(out.constData(), qsizetype(size)) : u"<too long>"_s;
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
    void descriptors();
    void definitionChecks_data();
    void definitionChecks();
    void rows_data();
    void rows();
    void usageMaps_data();
    void usageMaps();
};

void tst_readerformats::jet4Texts_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain, vector length") << utf16(u"ИВАНОВ И.И. УЛ. ЛЕНИНА"_s) << u"ИВАНОВ И.И. УЛ. ЛЕНИНА"_s;
    QTest::newRow("plain, short") << utf16(u"Жм"_s) << u"Жм"_s;
    // Every length of a last part shorter than eight units after a whole eight, and one beyond U+0800 in it.
    for (qsizetype length = 8; length <= 16; ++length) {
        const QString text = u"УЛ. Ёлкина д. 7А"_s.left(length);
        QTest::addRow("plain, %d units", int(length)) << utf16(text) << text;
    }
    QTest::newRow("plain, beyond U+0800 in the last part") << utf16(u"ДОМ 12 КВ.中"_s) << u"ДОМ 12 КВ.中"_s;
    QTest::newRow("plain, beyond U+0800") << utf16(u"中文 テキスト ДОМ"_s) << u"中文 テキスト ДОМ"_s;
    QTest::newRow("plain, surrogate pair") << utf16(u"A 😀 Б"_s) << u"A 😀 Б"_s;
    QTest::newRow("plain, lone low surrogate") << QByteArray::fromHex("410000DC4200") << u"A?B"_s;
    QTest::newRow("plain, lone high surrogate at the end") << QByteArray::fromHex("410000D8") << u"A?"_s;
    QTest::newRow("plain, odd last byte dropped") << QByteArray::fromHex("41004200FF") << u"AB"_s;
    QTest::newRow("compressed, ASCII") << QByteArray::fromHex("FFFE32333435") << u"2345"_s;
    QTest::newRow("compressed, Latin-1") << QByteArray::fromHex("FFFE47FC DF65") << u"Güße"_s;
    QTest::newRow("compressed, mode switches") << QByteArray::fromHex("FFFE41200018044604002042") << u"A Иц B"_s;
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
    const auto size =
        jet3TextToUtf8(bytesOf(stored).data(), std::size_t(stored.size()), *table, out.data(), out.size());
    QVERIFY(size != kTextDoesNotFit);
    QCOMPARE(QString::fromUtf8(out.constData(), qsizetype(size)), text);
    // One byte short of the text: nothing.
    QVERIFY(jet3TextToUtf8(bytesOf(stored).data(), std::size_t(stored.size()), *table, out.data(), size - 1)
        == kTextDoesNotFit);
}

void tst_readerformats::westernOrCyrillic_data()
{
    QTest::addColumn<QByteArray>("texts"); // in the file's bytes
    QTest::addColumn<int>("codePage");

    QTest::newRow("Russian directory") << QByteArray::fromHex("C8C2C0CDCEC220C82EC82E") + " 2345678 D 5" << 1251;
    QTest::newRow("Russian with a Latin company name")
        << QByteArray::fromHex("CECECE20") + "ROMASHKA" + QByteArray::fromHex("20CBC5CDC8CDC020C42E203130") << 1251;
    QTest::newRow("German") << QByteArray("M\xFCller, Stra\xDF"
                                          "e 5, K\xF6ln")
                            << 1252;
    QTest::newRow("French") << QByteArray("Le\xEFla \xC9lodie, All\xE9"
                                          "e des Ch\xEAnes")
                            << 1252;
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
    QByteArray access2010 = written;
    access2010.replace(4, 16, QByteArray("Standard ACE DB", 16));
    access2010.replace(0x14, 2, "\x03\x01");
    QTest::newRow("ACE 14 as Access 2010 writes it") << access2010 << int(JetFormat::Ace) << QString();
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

void tst_readerformats::descriptors()
{
    // Jet 3: two real indexes, then descriptors of column 3 in 1253 and column 0 in 1251, then their names.
    QByteArray jet3(43 + 2 * 8 + 2 * 18, '\0');
    writeU16(jet3, 25, 2);
    writeU32(jet3, 31, 2);
    writeU32(jet3, 35, 0x00000A01);
    jet3[43 + 16 + 1] = 3;
    writeU16(jet3, 43 + 16 + 11, 1253);
    writeU16(jet3, 43 + 16 + 18 + 11, 1251);
    jet3 += QByteArray("\x02\xC0\xE1", 3) + QByteArray("\x01Z", 2);
    const CodePages codePages;
    const TableDefinition table3 = parseTableDefinition(bytesOf(jet3), codePages.find(1251));
    QCOMPARE(table3.columns.size(), 2U);
    QCOMPARE(table3.columns[0].number, 0);
    QCOMPARE(table3.columns[0].name, std::string("Z"));
    QCOMPARE(table3.columns[0].codePage, 1251);
    QCOMPARE(table3.columns[1].name, std::string("Аб"));
    QCOMPARE(table3.columns[1].codePage, 1253);
    QCOMPARE(table3.usageMap.page, 10U);
    QCOMPARE(table3.usageMap.row, 1U);
    QVERIFY_THROWS_EXCEPTION(ReaderFailure, parseTableDefinition(bytesOf(jet3.chopped(1)), codePages.find(1251)));

    // Jet 4: one real index, then column 2 calculated and column 7 not, a decimal of precision 18 and scale 4,
    // named in UCS-2 and compressed.
    QByteArray jet4(63 + 12 + 2 * 25, '\0');
    writeU32(jet4, 16, 12345);
    writeU16(jet4, 45, 2);
    writeU32(jet4, 51, 1);
    jet4[63 + 12 + 5] = 2;
    jet4[63 + 12 + 12] = 9;
    jet4[63 + 12 + 16] = char(0xC1);
    jet4[63 + 12 + 25] = 0x10;
    jet4[63 + 12 + 25 + 5] = 7;
    jet4[63 + 12 + 25 + 11] = 18;
    jet4[63 + 12 + 25 + 12] = 4;
    jet4[63 + 12 + 25 + 16] = 0x01;
    jet4 += QByteArray("\x02\x00\x10\x04", 4) + QByteArray("\x03\x00\xFF\xFEx", 5);
    const TableDefinition table4 = parseTableDefinition(bytesOf(jet4), nullptr);
    QCOMPARE(table4.rowCount, 12345U);
    QVERIFY(table4.columns[0].calculated);
    QCOMPARE(table4.columns[0].name, std::string("А"));
    QVERIFY(!table4.columns[1].calculated);
    QCOMPARE(table4.columns[1].name, std::string("x"));
    QCOMPARE(table4.columns[0].codePage, 0);
    QCOMPARE(table4.columns[0].scale, 0);
    QCOMPARE(table4.columns[1].scale, 4);
}

using Columns = QList<ColumnDefinition>;

void tst_readerformats::definitionChecks_data()
{
    QTest::addColumn<Columns>("columns");
    QTest::addColumn<QString>("problem"); // empty: sound

    // name, type, number, variable index, fixed offset, size, fixed
    const ColumnDefinition byte {"C", ColumnType::Byte, 0, 0, 0, 1, true};
    QTest::newRow("a boolean at offset 0 beside a byte, as Access writes it")
        << Columns {byte, {"I", ColumnType::Boolean, 1, 0, 0, 1, true}} << QString();
    QTest::newRow("a long among the variable values, as in Access's system tables")
        << Columns {{"ErrorCode", ColumnType::Long, 0, 0, 0, 4, false}} << QString();
    QTest::newRow("two bytes at one offset")
        << Columns {byte, {"D", ColumnType::Byte, 1, 0, 0, 1, true}} << u"fixed columns overlap"_s;
    QTest::newRow("a long of 2 bytes") << Columns {{"E", ColumnType::Long, 0, 0, 0, 2, true}}
                                       << u"E: size 2 for its type"_s;
    QTest::newRow("a directory column as a date")
        << Columns {{"phone", ColumnType::DateTime, 0, 0, 0, 8, true}} << u"phone: a directory column of type 8"_s;
}

void tst_readerformats::definitionChecks()
{
    QFETCH(Columns, columns);
    QFETCH(QString, problem);
    TableDefinition table;
    table.maxColumns = 8;
    table.variableColumns = 8;
    table.columns.assign(columns.begin(), columns.end());
    QCOMPARE(QString::fromStdString(tableDefinitionProblem(table, false, 4096).value_or(std::string())), problem);
}

using Fields = QList<std::tuple<bool, int, int>>; // present, start in the row, size
using Layout = QList<ColumnLayout>;

void tst_readerformats::rows_data()
{
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<bool>("jet3");
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<Fields>("fields"); // empty: refused

    // The directory row of the Jet 4 notes: ABONENT, PHONE, ADDRESS, COMMENT (null) variable, NO_TYPE fixed.
    const QByteArray jet4 = QByteArray::fromHex(
        "0500150000001804120410041d041e041204200018042e0018042e00fffe323334353637382104100414041e04120410042f"
        "04200014042e002000350020001a0412042e00310032004900490025001c000600040017");
    const Layout directory = {
        {0, false, 0, 0, 0}, {1, false, 0, 0, 1}, {2, false, 0, 0, 2}, {3, false, 0, 0, 3}, {4, true, 0, 4, 0}};
    QTest::newRow("jet4 directory row") << jet4 << false << directory
                                        << Fields {{true, 6, 22}, {true, 28, 9}, {true, 37, 36}, {false, 73, 0},
                                               {true, 2, 4}};
    QByteArray backwards = jet4;
    backwards[0x4D] = 0x4A; // ADDRESS starts after COMMENT does
    QTest::newRow("jet4 offsets going backwards") << backwards << false << directory << Fields {};
    QByteArray manyVariable = jet4;
    manyVariable[0x53] = char(0xFF);
    QTest::newRow("jet4 more variable values than the row holds") << manyVariable << false << directory << Fields {};
    Layout moved = directory;
    moved[4].fixedOffset = 8;
    QTest::newRow("jet4 fixed value in the texts") << jet4 << false << moved << Fields {};

    // A Jet 3 row of 311 bytes: a long, 200 and 100 bytes of text, the end of data past 256 and so one jump.
    QByteArray jet3 = QByteArray::fromHex("0315000000") + QByteArray(200, 'A') + QByteArray(100, 'B');
    jet3 += QByteArray::fromHex("31cd05020207");
    const Layout three = {{0, true, 0, 4, 0}, {1, false, 0, 0, 0}, {2, false, 0, 0, 1}};
    QTest::newRow("jet3 with a jump table")
        << jet3 << true << three << Fields {{true, 1, 4}, {true, 5, 200}, {true, 205, 100}};
    QByteArray noJump = jet3;
    noJump[308] = 9; // the jump names no variable value
    QTest::newRow("jet3 jump table naming no value") << noJump << true << three << Fields {};
    QTest::newRow("jet3 column added after the row")
        << jet3 << true << Layout {{9, false, 0, 0, 5}} << Fields {{false, 0, 0}};
}

void tst_readerformats::rows()
{
    QFETCH(QByteArray, row);
    QFETCH(bool, jet3);
    QFETCH(Layout, layout);
    QFETCH(Fields, fields);
    // The row at a page's end, as on a data page.
    const std::uint32_t start = 4096 - std::uint32_t(row.size());
    const QByteArray page = QByteArray(int(start), '\0') + row;
    std::vector<RowField> cracked(std::size_t(layout.size()));
    const bool read = crackRow(bytesOf(page), start, std::uint32_t(row.size()), jet3,
        std::span<const ColumnLayout>(layout.constData(), std::size_t(layout.size())), cracked.data());
    QCOMPARE(read, !fields.isEmpty());
    for (qsizetype i = 0; read && i < fields.size(); ++i) {
        const auto [present, at, size] = fields[i];
        QCOMPARE(cracked[std::size_t(i)].present, present);
        if (present)
            QCOMPARE(int(cracked[std::size_t(i)].start - start), at);
        QCOMPARE(int(cracked[std::size_t(i)].size), size);
    }
}

void tst_readerformats::usageMaps_data()
{
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QList<PageRun>>("pages"); // empty: refused

    QTest::newRow("inline") << QByteArray::fromHex("00080000000500ff") << QList<PageRun> {{8, 1}, {10, 1}, {24, 8}};
    QTest::newRow("inline past the file") << QByteArray::fromHex("000000010001") << QList<PageRun> {};
    QTest::newRow("reference to page 3") << QByteArray::fromHex("010000000003000000")
                                         << QList<PageRun> {{32736 + 1, 1}, {32736 + 9, 1}};
    QTest::newRow("reference to a page that is no bitmap") << QByteArray::fromHex("0102000000") << QList<PageRun> {};
    QTest::newRow("unknown type") << QByteArray::fromHex("0200000000") << QList<PageRun> {};
}

void tst_readerformats::usageMaps()
{
    QFETCH(QByteArray, map);
    QFETCH(QList<PageRun>, pages);
    // Page 3 is a bitmap page marking 1 and 9 of its range; page 2 a data page.
    QByteArray bitmap = QByteArray::fromHex("05010000") + QByteArray(4092, '\0');
    bitmap[4] = char(0x02);
    bitmap[5] = char(0x02);
    const QByteArray data = QByteArray::fromHex("0101") + QByteArray(4094, '\0');
    const auto page = [&](std::uint32_t number) { return bytesOf(number == 3 ? bitmap : data); };
    try {
        const std::vector<PageRun> listed = usageMapPages(bytesOf(map), 4096, 40000, page);
        QCOMPARE(QList<PageRun>(listed.begin(), listed.end()), pages);
    } catch (const ReaderFailure &) {
        QVERIFY(pages.isEmpty());
    }
}

QTEST_GUILESS_MAIN(tst_readerformats)
#include "tst_readerformats.moc"
