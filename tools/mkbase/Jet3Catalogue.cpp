#include "Jet3Catalogue.h"

#include "Rc4.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase::jet3 {

using jet4::ColumnLayout;
using jet4::put16;
using jet4::put32;
using jet4::rowPointer;
using jet4::TableLayout;

namespace {

constexpr quint32 kGlobalMapPage = 1;
constexpr quint32 kObjectsDefinitionPage = 2;
constexpr quint32 kAcesDefinitionPage = 3;
constexpr quint32 kQueriesDefinitionPage = 4;
constexpr quint32 kRelationshipsDefinitionPage = 5;
constexpr quint32 kMapPage = 6;
constexpr quint32 kObjectsPage = 7;
static_assert(kUserTablePage == kObjectsPage + 1);

constexpr quint32 kTablesContainerId = 0x0F000001;
constexpr quint32 kDatabasesContainerId = 0x0F000002;
constexpr quint32 kRelationshipsContainerId = 0x0F000003;
constexpr quint32 kDatabaseObjectId = 0x10000000;
constexpr quint32 kSystemObjectFlags = 0x80000000;
// Owners as Access 97 stores them: the engine owns the system objects, Admin the database and the user's tables.
const QByteArray kEngineSid = QByteArray::fromHex("0203");
const QByteArray kAdminSid = QByteArray::fromHex("0301");
// 1998-01-01 12:00, the creation date of every catalogue object.
constexpr double kCreationDate = 35796.5;

ColumnLayout fixedColumn(const QString &name, quint8 type, quint16 length)
{
    return {name, type, 0x13, 0, length, true};
}

ColumnLayout variableColumn(const QString &name, quint8 type, quint16 length, quint8 flags = 0x12)
{
    return {name, type, flags, 0, length, false};
}

TableLayout objectsLayout()
{
    return jet4::makeLayout({
        fixedColumn(u"Id"_s, jet4::LongInteger, 4),
        fixedColumn(u"ParentId"_s, jet4::LongInteger, 4),
        variableColumn(u"Name"_s, jet4::Text, 255),
        fixedColumn(u"Type"_s, jet4::Integer, 2),
        fixedColumn(u"DateCreate"_s, jet4::DateTime, 8),
        fixedColumn(u"DateUpdate"_s, jet4::DateTime, 8),
        variableColumn(u"Owner"_s, jet4::Binary, 255, 0x32),
        fixedColumn(u"Flags"_s, jet4::LongInteger, 4),
        variableColumn(u"Database"_s, jet4::Memo, 0),
        variableColumn(u"Connect"_s, jet4::Memo, 0),
        variableColumn(u"ForeignName"_s, jet4::Text, 255),
        variableColumn(u"RmtInfoShort"_s, jet4::Binary, 255),
        variableColumn(u"RmtInfoLong"_s, jet4::Ole, 0),
        variableColumn(u"Lv"_s, jet4::Ole, 0),
        variableColumn(u"LvProp"_s, jet4::Ole, 0),
        variableColumn(u"LvModule"_s, jet4::Ole, 0),
        variableColumn(u"LvExtra"_s, jet4::Ole, 0),
    });
}

TableLayout acesLayout()
{
    return jet4::makeLayout({
        fixedColumn(u"ObjectId"_s, jet4::LongInteger, 4),
        variableColumn(u"SID"_s, jet4::Binary, 255, 0x32),
        fixedColumn(u"ACM"_s, jet4::LongInteger, 4),
        fixedColumn(u"FInheritable"_s, jet4::Boolean, 1),
    });
}

TableLayout queriesLayout()
{
    return jet4::makeLayout({
        fixedColumn(u"ObjectId"_s, jet4::LongInteger, 4),
        fixedColumn(u"Attribute"_s, jet4::Byte, 1),
        variableColumn(u"Order"_s, jet4::Binary, 255),
        variableColumn(u"Name1"_s, jet4::Text, 255),
        variableColumn(u"Name2"_s, jet4::Text, 255),
        variableColumn(u"Expression"_s, jet4::Memo, 0),
        fixedColumn(u"Flag"_s, jet4::Integer, 2),
    });
}

TableLayout relationshipsLayout()
{
    return jet4::makeLayout({
        variableColumn(u"szRelationship"_s, jet4::Text, 255),
        fixedColumn(u"grbit"_s, jet4::LongInteger, 4),
        fixedColumn(u"ccolumn"_s, jet4::LongInteger, 4),
        fixedColumn(u"icolumn"_s, jet4::LongInteger, 4),
        variableColumn(u"szObject"_s, jet4::Text, 255),
        variableColumn(u"szColumn"_s, jet4::Text, 255),
        variableColumn(u"szReferencedObject"_s, jet4::Text, 255),
        variableColumn(u"szReferencedColumn"_s, jet4::Text, 255),
    });
}

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

struct CatalogueObject
{
    quint32 id;
    quint32 parentId;
    QByteArray name;
    quint16 type;
    quint32 flags;
    QByteArray owner;
};

QByteArray objectRow(const TableLayout &layout, const CatalogueObject &object)
{
    const QByteArray date(reinterpret_cast<const char *>(&kCreationDate), sizeof kCreationDate);
    QList<QByteArray> values(layout.columns.size());
    values[0] = bytes32(object.id);
    values[1] = bytes32(object.parentId);
    values[2] = object.name;
    values[3] = bytes16(object.type);
    values[4] = date;
    values[5] = date;
    values[6] = object.owner;
    values[7] = bytes32(object.flags);
    return jet3::encodeRow(layout, values);
}

QList<QByteArray> objectRows(const QByteArray &tableName)
{
    const QList<CatalogueObject> objects = {
        {kTablesContainerId, 0x0F000000, "Tables", 3, kSystemObjectFlags, kEngineSid},
        {kDatabasesContainerId, 0x0F000000, "Databases", 3, kSystemObjectFlags, kEngineSid},
        {kRelationshipsContainerId, 0x0F000000, "Relationships", 3, kSystemObjectFlags, kEngineSid},
        {kDatabaseObjectId, kDatabasesContainerId, "MSysDb", 2, kSystemObjectFlags, kAdminSid},
        {kObjectsDefinitionPage, kTablesContainerId, "MSysObjects", 1, kSystemObjectFlags, kEngineSid},
        {kAcesDefinitionPage, kTablesContainerId, "MSysACEs", 1, kSystemObjectFlags, kEngineSid},
        {kQueriesDefinitionPage, kTablesContainerId, "MSysQueries", 1, kSystemObjectFlags, kEngineSid},
        {kRelationshipsDefinitionPage, kTablesContainerId, "MSysRelationships", 1, kSystemObjectFlags, kEngineSid},
        {kUserTablePage, kTablesContainerId, tableName, 1, 0, kAdminSid},
    };
    const TableLayout layout = objectsLayout();
    QList<QByteArray> rows;
    for (const CatalogueObject &object : objects)
        rows.append(objectRow(layout, object));
    return rows;
}

QByteArray headerPage(quint16 sortOrder, quint16 codePage)
{
    QByteArray page(kPageSize, '\0');
    auto *b = reinterpret_cast<quint8 *>(page.data());
    put32(b, 0x00000100);
    std::memcpy(b + 0x04, "Standard Jet DB", 16);
    put32(b + 0x14, 0); // Jet 3
    constexpr quint8 kConstantStart[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03,
        0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(b + 0x18, kConstantStart, sizeof kConstantStart);
    put16(b + 0x38, 1);
    put16(b + 0x3A, sortOrder);
    put16(b + 0x3C, codePage);
    put16(b + 0x56, 0x251E); // as Access 97 writes it
    constexpr quint8 kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kHeaderKey, 4, b + 0x18, 126);
    b[0x600] = 0x01;
    b[0x601] = 0x01;
    for (int at = 0x602; at < kPageSize; at += 2)
        b[at + 1] = 0x01;
    return page;
}

// The global map on page 1, where a set bit means free: the pages past the end of the file.
QByteArray globalMap(quint32 totalPages)
{
    QByteArray map(kMapRowSize, '\0');
    for (quint32 page = totalPages; page < kInlineMapPages; ++page)
        map[5 + page / 8] = char(map.at(5 + page / 8) | (1 << (page % 8)));
    return map;
}

// A system table whose rows, if any, fill the data page dataPage; its maps become rows of the map page.
TableDefinition systemTable(
    TableLayout layout, int rows, quint32 dataPage, QList<QByteArray> &maps, const TableDefinition &database)
{
    TableDefinition definition;
    definition.tableType = 0x53;
    definition.rowCount = quint32(rows);
    definition.sortOrder = database.sortOrder;
    definition.codePage = database.codePage;
    for (const ColumnLayout &column : layout.columns)
        definition.columnNames.append(column.name.toLatin1());
    const QByteArray owned = rows > 0 ? inlineMap(dataPage, dataPage) : inlineMap(1, 0);
    maps.append(owned);
    definition.ownedPagesMap = rowPointer(kMapPage, quint32(maps.size() - 1));
    maps.append(owned);
    definition.freePagesMap = rowPointer(kMapPage, quint32(maps.size() - 1));
    definition.layout = std::move(layout);
    return definition;
}

} // namespace

QByteArray cataloguePages(CatalogueContents contents)
{
    const quint32 totalPages = kFirstDataPage + contents.dataPages;
    Q_ASSERT(totalPages <= kInlineMapPages);
    const QList<QByteArray> objects = objectRows(contents.tableName);
    QList<QByteArray> maps;
    const TableDefinition &user = contents.user;
    const TableDefinition objectsTable = systemTable(objectsLayout(), int(objects.size()), kObjectsPage, maps, user);
    const TableDefinition aces = systemTable(acesLayout(), 0, 0, maps, user);
    const TableDefinition queries = systemTable(queriesLayout(), 0, 0, maps, user);
    const TableDefinition relationships = systemTable(relationshipsLayout(), 0, 0, maps, user);
    const quint32 lastDataPage = kFirstDataPage + contents.dataPages - 1;
    maps.append(contents.dataPages > 0 ? inlineMap(kFirstDataPage, lastDataPage) : inlineMap(1, 0));
    contents.user.ownedPagesMap = rowPointer(kMapPage, quint32(maps.size() - 1));
    maps.append(contents.lastPageHasRoom ? inlineMap(lastDataPage, lastDataPage) : inlineMap(1, 0));
    contents.user.freePagesMap = rowPointer(kMapPage, quint32(maps.size() - 1));

    QByteArray pages;
    pages += headerPage(user.sortOrder, user.codePage);
    pages += dataPage(kGlobalMapPage, {globalMap(totalPages), QByteArray(kMapRowSize, '\0')});
    pages += tableDefinitionPage(objectsTable);
    pages += tableDefinitionPage(aces);
    pages += tableDefinitionPage(queries);
    pages += tableDefinitionPage(relationships);
    pages += dataPage(0, maps);
    pages += dataPage(kObjectsDefinitionPage, objects);
    pages += tableDefinitionPage(contents.user);
    Q_ASSERT(pages.size() == qsizetype(kFirstDataPage) * kPageSize);
    return pages;
}

} // namespace velkaro::mkbase::jet3
