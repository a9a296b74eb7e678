#include "Jet4Catalogue.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase::jet4 {

namespace {

constexpr quint32 MapPage = 6;
constexpr quint32 ObjectsPage = 7;
constexpr int MapRowSize = 69;
constexpr int MapRowCount = 26;
constexpr int UserMapRow = 24;

// 2004-06-05 13:06:59.655, the creation date of Access's empty Jet 4 database whose owner values we copy:
// the owner values in the catalogue only match this date.
constexpr quint8 CreationDate[8] = {0xBC, 0x72, 0x1F, 0x7D, 0xF1, 0x9F, 0xE2, 0x40};
constexpr quint32 CreationDay = 38143;
const QByteArray EngineOwner = QByteArray::fromHex("A731");
const QByteArray AdminOwner = QByteArray::fromHex("A633");

constexpr quint32 SystemObjectFlags = 0x80000000;

QByteArray bytes16(quint32 value)
{
    QByteArray b(2, '\0');
    put16(b, 0, value);
    return b;
}

QByteArray bytes32(quint32 value)
{
    QByteArray b(4, '\0');
    put32(b, 0, value);
    return b;
}

QByteArray plainText(const QString &text)
{
    QByteArray b(2 * text.size(), '\0');
    for (int i = 0; i < text.size(); ++i)
        put16(b, 2 * i, text.at(i).unicode());
    return b;
}

ColumnLayout fixedColumn(const QString &name, quint8 type, quint16 length, quint8 flags = 0x13)
{
    return {name, type, flags, 0, length, true};
}

ColumnLayout variableColumn(const QString &name, quint8 type, quint16 length, quint8 flags = 0x12)
{
    return {name, type, flags, 0, length, false};
}

TableLayout objectsLayout()
{
    return makeLayout({
        fixedColumn(u"Id"_s, LongInteger, 4),
        fixedColumn(u"ParentId"_s, LongInteger, 4),
        variableColumn(u"Name"_s, Text, 510),
        fixedColumn(u"Type"_s, Integer, 2),
        fixedColumn(u"DateCreate"_s, DateTime, 8),
        fixedColumn(u"DateUpdate"_s, DateTime, 8),
        variableColumn(u"Owner"_s, Binary, 255, 0x32),
        fixedColumn(u"Flags"_s, LongInteger, 4),
        variableColumn(u"Database"_s, Memo, 0),
        variableColumn(u"Connect"_s, Memo, 0),
        variableColumn(u"ForeignName"_s, Text, 510),
        variableColumn(u"RmtInfoShort"_s, Binary, 255),
        variableColumn(u"RmtInfoLong"_s, Ole, 0),
        variableColumn(u"Lv"_s, Ole, 0),
        variableColumn(u"LvProp"_s, Ole, 0),
        variableColumn(u"LvModule"_s, Ole, 0),
        variableColumn(u"LvExtra"_s, Ole, 0),
    });
}

TableLayout acesLayout()
{
    return makeLayout({
        fixedColumn(u"ObjectId"_s, LongInteger, 4),
        variableColumn(u"SID"_s, Binary, 255, 0x32),
        fixedColumn(u"ACM"_s, LongInteger, 4),
        fixedColumn(u"FInheritable"_s, Boolean, 1),
    });
}

TableLayout queriesLayout()
{
    return makeLayout({
        fixedColumn(u"ObjectId"_s, LongInteger, 4),
        fixedColumn(u"Attribute"_s, Byte, 1),
        variableColumn(u"Order"_s, Binary, 255),
        variableColumn(u"Name1"_s, Text, 510),
        variableColumn(u"Name2"_s, Text, 510),
        variableColumn(u"Expression"_s, Memo, 0),
        fixedColumn(u"Flag"_s, Integer, 2),
        fixedColumn(u"LvExtra"_s, LongInteger, 4),
    });
}

TableLayout relationshipsLayout()
{
    return makeLayout({
        variableColumn(u"szRelationship"_s, Text, 510),
        fixedColumn(u"grbit"_s, LongInteger, 4),
        fixedColumn(u"ccolumn"_s, LongInteger, 4),
        fixedColumn(u"icolumn"_s, LongInteger, 4),
        variableColumn(u"szObject"_s, Text, 510),
        variableColumn(u"szColumn"_s, Text, 510),
        variableColumn(u"szReferencedObject"_s, Text, 510),
        variableColumn(u"szReferencedColumn"_s, Text, 510),
    });
}

// Hands out consecutive rows of the map page, each an empty type-0 map unless filled in later.
class MapRows
{
public:
    quint32 take() { return rowPointer(MapPage, m_next++); }

private:
    quint32 m_next = 0;
};

TableDefinition systemTable(TableLayout layout, MapRows &maps)
{
    TableDefinition definition;
    definition.tableType = 0x53;
    definition.ownedPagesMap = maps.take();
    definition.freePagesMap = maps.take();
    for (int number = 0; number < layout.columns.size(); ++number) {
        const quint8 type = layout.columns.at(number).type;
        if (type == Memo || type == Ole) {
            const quint32 owned = maps.take();
            definition.longValueMaps.append({quint16(number), owned, maps.take()});
        }
    }
    definition.layout = std::move(layout);
    return definition;
}

void rc4(const quint8 *key, int keyLength, quint8 *data, int length)
{
    quint8 state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % keyLength]) & 0xFF;
        std::swap(state[i], state[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + state[i]) & 0xFF;
        std::swap(state[i], state[j]);
        data[n] ^= state[(state[i] + state[j]) & 0xFF];
    }
}

QByteArray headerPage()
{
    QByteArray page(PageSize, '\0');
    auto *b = reinterpret_cast<quint8 *>(page.data());
    put32(b, 0x00000100);
    std::memcpy(b + 0x04, "Standard Jet DB", 16);
    put32(b + 0x14, 1); // Jet 4

    constexpr quint8 constantStart[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03,
        0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(b + 0x18, constantStart, sizeof constantStart);
    put16(b + 0x3C, 1252);
    put32(b + 0x3E, 0); // database key: pages are not encrypted
    for (int i = 0; i < 10; ++i)
        put32(b + 0x42 + 4 * i, CreationDay); // empty password, masked with the creation date
    put32(b + 0x6A, 0x21AA); // Jet 4.0 build 8618, as Access 2000 writes
    put32(b + 0x6E, 0x0409); // sort order General
    std::memcpy(b + 0x72, CreationDate, sizeof CreationDate);
    constexpr quint8 key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, 4, b + 0x18, 128);

    constexpr quint8 versionTag[8] = {0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};
    std::memcpy(b + 0x98, versionTag, sizeof versionTag);
    b[0xE00] = 0x01;
    b[0xE01] = 0x01;
    for (int at = 0xE02; at < PageSize; at += 2)
        b[at + 1] = 0x01;
    return page;
}

QByteArray globalUsageMap(quint32 totalPages)
{
    QByteArray map(MapRowSize, '\0');
    if (totalPages > 512) {
        map[0] = 0x01; // reference map without bitmap pages: nothing free
        return map;
    }
    for (quint32 page = totalPages; page < 512; ++page)
        map[int(5 + page / 8)] = char(map.at(int(5 + page / 8)) | (1 << (page % 8)));
    return map;
}

QByteArray objectRow(const TableLayout &layout, quint32 id, quint32 parentId, const QString &name, quint16 type,
    quint32 flags, const QByteArray &owner)
{
    const QByteArray date(reinterpret_cast<const char *>(CreationDate), sizeof CreationDate);
    QList<QByteArray> values(layout.columns.size());
    values[0] = bytes32(id);
    values[1] = bytes32(parentId);
    values[2] = plainText(name);
    values[3] = bytes16(type);
    values[4] = date;
    values[5] = date;
    values[6] = owner;
    values[7] = bytes32(flags);
    return encodeRow(layout, values);
}

} // namespace

quint32 userOwnedPagesMap()
{
    return rowPointer(MapPage, UserMapRow);
}
quint32 userFreePagesMap()
{
    return rowPointer(MapPage, UserMapRow + 1);
}

QByteArray cataloguePages(const CatalogueContents &contents)
{
    MapRows maps;
    const TableDefinition objects = systemTable(objectsLayout(), maps);
    const TableDefinition aces = systemTable(acesLayout(), maps);
    const TableDefinition queries = systemTable(queriesLayout(), maps);
    const TableDefinition relationships = systemTable(relationshipsLayout(), maps);
    TableDefinition user;
    user.layout = contents.userLayout;
    user.rowCount = contents.rowCount;
    user.ownedPagesMap = maps.take();
    user.freePagesMap = maps.take();
    Q_ASSERT(user.ownedPagesMap == userOwnedPagesMap());

    QList<QByteArray> mapRows(MapRowCount, QByteArray(MapRowSize, '\0'));
    QByteArray &objectsOwned = mapRows[int(objects.ownedPagesMap & 0xFF)];
    objectsOwned[5 + ObjectsPage / 8] = char(1 << (ObjectsPage % 8));
    mapRows[UserMapRow] = contents.ownedPagesMap;

    const TableLayout &o = objects.layout;
    const QList<QByteArray> objectRows = {
        objectRow(o, 0x0F000001, 0x0F000000, u"Tables"_s, 3, SystemObjectFlags, EngineOwner),
        objectRow(o, 0x0F000002, 0x0F000000, u"Databases"_s, 3, SystemObjectFlags, EngineOwner),
        objectRow(o, 0x0F000003, 0x0F000000, u"Relationships"_s, 3, SystemObjectFlags, EngineOwner),
        objectRow(o, 0x10000000, 0x0F000002, u"MSysDb"_s, 2, SystemObjectFlags, AdminOwner),
        objectRow(o, 2, 0x0F000001, u"MSysObjects"_s, 1, SystemObjectFlags, EngineOwner),
        objectRow(o, 3, 0x0F000001, u"MSysACEs"_s, 1, SystemObjectFlags, EngineOwner),
        objectRow(o, 4, 0x0F000001, u"MSysQueries"_s, 1, SystemObjectFlags, EngineOwner),
        objectRow(o, 5, 0x0F000001, u"MSysRelationships"_s, 1, SystemObjectFlags, EngineOwner),
        objectRow(o, UserTablePage, 0x0F000001, contents.tableName, 1, 0, AdminOwner),
    };

    QByteArray pages;
    pages.reserve(CataloguePageCount * PageSize);
    pages += headerPage();
    pages += dataPage(1, {globalUsageMap(contents.totalPages), QByteArray(MapRowSize, '\0')});
    pages += tableDefinitionPage(objects);
    pages += tableDefinitionPage(aces);
    pages += tableDefinitionPage(queries);
    pages += tableDefinitionPage(relationships);
    pages += dataPage(0, mapRows);
    pages += dataPage(2, objectRows);
    pages += tableDefinitionPage(user);
    return pages;
}

} // namespace velkaro::mkbase::jet4
