#include "Jet4Catalogue.h"

#include "HeaderPage.h"
#include "Jet4IndexKeys.h"
#include "Jet4UsageMaps.h"
#include "SystemTables.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase::jet4 {

namespace {

using namespace jet;

constexpr quint32 kFirstIndexPage = 7; // one leaf page for each of the seven system indexes
constexpr quint32 kObjectsPage = 14;
constexpr quint32 kAcesPage = 15;
static_assert(kUserTablePage == kAcesPage + 1);

// 2004-06-05 13:06:59.655, the creation date of Access's empty Jet 4 database whose owner values we copy:
// the owner values in the catalogue only match this date.
constexpr quint8 kCreationDate[8] = {0xBC, 0x72, 0x1F, 0x7D, 0xF1, 0x9F, 0xE2, 0x40};
constexpr quint32 kCreationDay = 38143;
// Security identifiers as stored with that date: the engine (owner of the system objects), Admin (owner of the
// database and of the user table) and the two groups the Jet-made database grants rights to.
const QByteArray kEngineSid = QByteArray::fromHex("A731");
const QByteArray kAdminSid = QByteArray::fromHex("A633");
const QByteArray kCreatorsGroupSid = QByteArray::fromHex("A736");
const QByteArray kUsersGroupSid = QByteArray::fromHex("A733");

QByteArray plainText(const QString &text)
{
    QByteArray b(2 * text.size(), '\0');
    for (int i = 0; i < text.size(); ++i)
        put16(b, 2 * i, text.at(i).unicode());
    return b;
}

// Jet 4 adds a column to MSysQueries.
TableLayout queriesLayout()
{
    QList<ColumnLayout> columns = queriesColumns(2);
    columns.append(fixedSystemColumn(u"LvExtra"_s, LongInteger, 4));
    return makeLayout(columns);
}

// The rows of the map page, in the order they are added.
class MapRows
{
public:
    quint32 add(const QByteArray &row)
    {
        m_rows.append(row);
        return rowPointer(kMapPage, quint32(m_rows.size() - 1));
    }
    const QList<QByteArray> &rows() const { return m_rows; }

private:
    QList<QByteArray> m_rows;
};

// An index of a system table with the key of each of its rows, in row order.
struct SystemIndex
{
    IndexDefinition definition;
    QList<QByteArray> keys;
};

// Leaf pages are numbered on from kFirstIndexPage in the order the indexes are added.
class IndexPages
{
public:
    quint32 add(const QByteArray &page)
    {
        m_pages += page;
        return kFirstIndexPage + quint32(m_pages.size() / kPageSize - 1);
    }
    const QByteArray &pages() const { return m_pages; }

private:
    QByteArray m_pages;
};

QByteArray entryPointer(quint32 page, quint32 row)
{
    const char bytes[4] = {char(page >> 16), char(page >> 8), char(page), char(row)};
    return QByteArray(bytes, 4);
}

// A system table whose rows, if any, fill the one data page dataPage, with its indexes.
TableDefinition systemTable(TableLayout layout, const QList<QByteArray> &rows, quint32 dataPage, MapRows &maps,
    const QList<SystemIndex> &indexes, IndexPages &indexPages, quint32 definitionPage)
{
    TableDefinition definition;
    definition.tableType = 0x53;
    definition.rowCount = quint32(rows.size());
    const bool hasRows = !rows.isEmpty();
    definition.ownedPagesMap = maps.add(hasRows ? inlineMap(dataPage, dataPage) : inlineMap(1, 0));
    definition.freePagesMap = maps.add(hasRows ? inlineMap(dataPage, dataPage) : inlineMap(1, 0));
    for (int number = 0; number < layout.columns.size(); ++number) {
        const quint8 type = layout.columns.at(number).type;
        if (type == Memo || type == Ole) {
            const quint32 owned = maps.add(inlineMap(1, 0));
            definition.longValueMaps.append({quint16(number), owned, maps.add(inlineMap(1, 0))});
        }
    }
    for (const SystemIndex &index : indexes) {
        QList<QByteArray> entries;
        for (int row = 0; row < index.keys.size(); ++row)
            entries.append(index.keys.at(row) + entryPointer(dataPage, quint32(row)));
        std::sort(entries.begin(), entries.end());
        IndexDefinition indexDefinition = index.definition;
        indexDefinition.leafPage = indexPages.add(indexLeafPage(definitionPage, entries));
        indexDefinition.usageMap = maps.add(inlineMap(indexDefinition.leafPage, indexDefinition.leafPage));
        definition.indexes.append(indexDefinition);
    }
    definition.layout = std::move(layout);
    return definition;
}

IndexDefinition indexDefinition(
    const QString &name, const QList<quint16> &columns, quint8 flags, bool primaryKey = false)
{
    return {name, columns, flags, primaryKey, 0, 0};
}

QByteArray headerPage()
{
    QByteArray page = jet::headerPage(kPageSize, 1);
    auto *b = reinterpret_cast<quint8 *>(page.data());
    put16(b + 0x3C, 1252);
    put32(b + 0x3E, 0); // database key: pages are not encrypted
    for (int i = 0; i < 10; ++i)
        put32(b + 0x42 + 4 * i, kCreationDay); // empty password, masked with the creation date
    put32(b + 0x6A, 0x21AA); // Jet 4.0 build 8618, as Access 2000 writes
    put32(b + 0x6E, 0x0409); // sort order General
    std::memcpy(b + 0x72, kCreationDate, sizeof kCreationDate);
    toggleHeaderMask(b);
    constexpr quint8 kVersionTag[8] = {0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};
    std::memcpy(b + 0x98, kVersionTag, sizeof kVersionTag);
    return page;
}

// An OLE value stored in the row itself: the 12-byte long-value header with the inline flag, then the bytes.
QByteArray inlineLongValue(const QByteArray &data)
{
    QByteArray value(12, '\0');
    put32(value, 0, quint32(data.size()) | 0x80000000);
    return value + data;
}

QByteArray propertyName(const QString &name)
{
    return bytes16(quint32(2 * name.size())) + plainText(name);
}

// The database's property stream: "MR2\0", a block naming the properties, a block of their values. AccessVersion
// "08.50" makes readers take the file for an Access 2000 database rather than a bare Jet 4 one.
QByteArray databaseProperties()
{
    const QString name = u"AccessVersion"_s;
    const QByteArray version = plainText(u"08.50"_s);
    const QByteArray names = propertyName(name);
    QByteArray stream("MR2", 4);
    stream += bytes32(quint32(6 + names.size())) + bytes16(0x80) + names;
    const QByteArray mapName = bytes32(6) + bytes16(0); // the default map, whose name is empty
    QByteArray value = bytes16(quint32(8 + version.size()));
    value += char(0); // not a DDL property
    value += char(Text);
    value += bytes16(0) + bytes16(quint32(version.size())) + version;
    stream += bytes32(quint32(6 + mapName.size() + value.size())) + bytes16(0x00) + mapName + value;
    return stream;
}

QByteArray objectRow(const TableLayout &layout, const CatalogueObject &object)
{
    const QByteArray date(reinterpret_cast<const char *>(kCreationDate), sizeof kCreationDate);
    QList<QByteArray> values(layout.columns.size());
    values[0] = bytes32(object.id);
    values[1] = bytes32(object.parentId);
    values[2] = plainText(object.name);
    values[3] = bytes16(object.type);
    values[4] = date;
    values[5] = date;
    values[6] = object.ownedByAdmin ? kAdminSid : kEngineSid;
    values[7] = bytes32(object.flags);
    if (object.id == kDatabaseObjectId)
        values[14] = inlineLongValue(databaseProperties());
    return encodeRow(layout, values);
}

struct AccessControlEntry
{
    quint32 objectId;
    QByteArray sid;
    quint32 rights;
    bool inheritable;
};

// The permissions the Jet engine gives a new database, and those Access gives a new table: all rights but one
// (0xFFEFF) for its creator and for the users group.
QList<AccessControlEntry> accessControlEntries()
{
    return {
        {kTablesContainerId, kCreatorsGroupSid, 0xF00FE, true},
        {kTablesContainerId, kAdminSid, 0x60001, false},
        {kTablesContainerId, kUsersGroupSid, 0xFFEFF, true},
        {kDatabasesContainerId, kAdminSid, 0x60000, false},
        {kRelationshipsContainerId, kCreatorsGroupSid, 0xF00FE, true},
        {kRelationshipsContainerId, kAdminSid, 0x60001, false},
        {kRelationshipsContainerId, kUsersGroupSid, 0xFFFFF, true},
        {kDatabaseObjectId, kAdminSid, 0x6000E, false},
        {kDatabaseObjectId, kUsersGroupSid, 0x0000E, false},
        {kObjectsDefinitionPage, kAdminSid, 0x60000, false},
        {kObjectsDefinitionPage, kUsersGroupSid, 0x00014, false},
        {kAcesDefinitionPage, kAdminSid, 0x60000, false},
        {kQueriesDefinitionPage, kAdminSid, 0x60000, false},
        {kQueriesDefinitionPage, kUsersGroupSid, 0x00014, false},
        {kRelationshipsDefinitionPage, kAdminSid, 0xE0000, false},
        {kRelationshipsDefinitionPage, kUsersGroupSid, 0x00014, false},
        {kUserTablePage, kAdminSid, 0xFFEFF, false},
        {kUserTablePage, kUsersGroupSid, 0xFFEFF, false},
    };
}

QByteArray aceRow(const TableLayout &layout, const AccessControlEntry &entry)
{
    return encodeRow(layout,
        {bytes32(entry.objectId), entry.sid, bytes32(entry.rights), entry.inheritable ? QByteArray("") : QByteArray()});
}

struct FileLayout
{
    quint32 lastDataPage;
    quint32 userBitmapPages;
    quint32 globalBitmapPages;
    quint32 totalPages;
};

FileLayout fileLayout(quint32 dataPages)
{
    FileLayout layout;
    layout.lastDataPage = kFirstDataPage + dataPages - 1;
    layout.userBitmapPages = dataPages == 0 ? 0 : bitmapPagesForRange(layout.lastDataPage);
    const quint32 before = kFirstDataPage + dataPages + layout.userBitmapPages;
    layout.globalBitmapPages = globalBitmapPages(before);
    layout.totalPages = before + layout.globalBitmapPages;
    return layout;
}

} // namespace

quint32 filePages(quint32 dataPages)
{
    return fileLayout(dataPages).totalPages;
}

QByteArray cataloguePages(const CatalogueContents &contents)
{
    const FileLayout layout = fileLayout(contents.dataPages);
    const TableLayout objectsLayout = makeLayout(objectsColumns(2));
    const TableLayout acesLayout = makeLayout(acesColumns(2));
    const QList<CatalogueObject> objects = catalogueObjects(contents.tableName, kUserTablePage);
    QList<QByteArray> objectRows;
    for (const CatalogueObject &object : objects)
        objectRows.append(objectRow(objectsLayout, object));
    const QList<AccessControlEntry> entries = accessControlEntries();
    QList<QByteArray> aceRows;
    for (const AccessControlEntry &entry : entries)
        aceRows.append(aceRow(acesLayout, entry));

    SystemIndex parentIdName {indexDefinition(u"ParentIdName"_s, {1, 2}, 0x81), {}};
    SystemIndex objectId {indexDefinition(u"Id"_s, {0}, 0x81, true), {}};
    for (const CatalogueObject &object : objects) {
        QByteArray nameKey;
        [[maybe_unused]] const bool known = generalTextKey(object.name, &nameKey);
        Q_ASSERT(known); // the writer refuses table names without a General sort key
        parentIdName.keys.append(longKey(qint32(object.parentId)) + nameKey);
        objectId.keys.append(longKey(qint32(object.id)));
    }
    SystemIndex aceObjectId {indexDefinition(u"ObjectId"_s, {0}, 0x88), {}};
    for (const AccessControlEntry &entry : entries)
        aceObjectId.keys.append(longKey(qint32(entry.objectId)));

    MapRows maps;
    IndexPages indexPages;
    const TableDefinition objectsTable = systemTable(
        objectsLayout, objectRows, kObjectsPage, maps, {parentIdName, objectId}, indexPages, kObjectsDefinitionPage);
    const TableDefinition acesTable =
        systemTable(acesLayout, aceRows, kAcesPage, maps, {aceObjectId}, indexPages, kAcesDefinitionPage);
    const TableDefinition queries = systemTable(queriesLayout(), {}, 0, maps,
        {{indexDefinition(u"ObjectIdAttribute"_s, {0, 1, 2}, 0x81, true), {}}}, indexPages, kQueriesDefinitionPage);
    const TableDefinition relationships = systemTable(makeLayout(relationshipsColumns(2)), {}, 0, maps,
        {{indexDefinition(u"szRelationship"_s, {0}, 0x82), {}}, {indexDefinition(u"szObject"_s, {4}, 0x82), {}},
            {indexDefinition(u"szReferencedObject"_s, {6}, 0x82), {}}},
        indexPages, kRelationshipsDefinitionPage);

    TableDefinition user;
    user.layout = contents.userLayout;
    user.rowCount = contents.rowCount;
    QByteArray unused;
    const quint32 firstBitmapPage = kFirstDataPage + contents.dataPages;
    user.ownedPagesMap = maps.add(pageRangeMap(kFirstDataPage, layout.lastDataPage, firstBitmapPage, &unused));
    const quint32 roomPage = contents.lastPageHasRoom ? layout.lastDataPage : 0;
    user.freePagesMap = maps.add(contents.lastPageHasRoom ? inlineMap(roomPage, roomPage) : inlineMap(1, 0));

    QByteArray pages;
    pages.reserve(kCataloguePageCount * kPageSize);
    pages += headerPage();
    pages += dataPage(kGlobalMapPage,
        {globalMap(layout.totalPages, layout.globalBitmapPages, &unused), QByteArray(kMapRowSize, '\0')});
    pages += tableDefinitionPage(objectsTable);
    pages += tableDefinitionPage(acesTable);
    pages += tableDefinitionPage(queries);
    pages += tableDefinitionPage(relationships);
    pages += dataPage(0, maps.rows());
    pages += indexPages.pages();
    pages += dataPage(kObjectsDefinitionPage, objectRows);
    pages += dataPage(kAcesDefinitionPage, aceRows);
    pages += tableDefinitionPage(user);
    Q_ASSERT(pages.size() == kCataloguePageCount * kPageSize);
    return pages;
}

QByteArray trailingPages(const CatalogueContents &contents)
{
    const FileLayout layout = fileLayout(contents.dataPages);
    QByteArray pages;
    if (contents.dataPages > 0)
        pageRangeMap(kFirstDataPage, layout.lastDataPage, kFirstDataPage + contents.dataPages, &pages);
    globalMap(layout.totalPages, layout.globalBitmapPages, &pages);
    return pages;
}

} // namespace velkaro::mkbase::jet4
