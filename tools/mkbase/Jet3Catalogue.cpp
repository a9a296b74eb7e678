#include "Jet3Catalogue.h"

#include "HeaderPage.h"
#include "SystemTables.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase::jet3 {

using jet4::bytes16;
using jet4::bytes32;
using jet4::ColumnLayout;
using jet4::put16;
using jet4::rowPointer;
using jet4::TableLayout;

namespace {

using namespace jet;

constexpr quint32 kObjectsPage = 7;
static_assert(kUserTablePage == kObjectsPage + 1);

// Owners as Access 97 stores them: the engine owns the system objects, Admin the database and the user's tables.
const QByteArray kEngineSid = QByteArray::fromHex("0203");
const QByteArray kAdminSid = QByteArray::fromHex("0301");
// 1998-01-01 12:00, the creation date of every catalogue object.
constexpr double kCreationDate = 35796.5;

// The user table's name comes in the text code page; the system objects' names are ASCII.
QByteArray objectRow(const TableLayout &layout, const CatalogueObject &object, const QByteArray &tableName)
{
    const QByteArray date(reinterpret_cast<const char *>(&kCreationDate), sizeof kCreationDate);
    QList<QByteArray> values(layout.columns.size());
    values[0] = bytes32(object.id);
    values[1] = bytes32(object.parentId);
    values[2] = object.id == kUserTablePage ? tableName : object.name.toLatin1();
    values[3] = bytes16(object.type);
    values[4] = date;
    values[5] = date;
    values[6] = object.ownedByAdmin ? kAdminSid : kEngineSid;
    values[7] = bytes32(object.flags);
    return jet3::encodeRow(layout, values);
}

QList<QByteArray> objectRows(const QByteArray &tableName)
{
    const TableLayout layout = jet4::makeLayout(objectsColumns(1));
    QList<QByteArray> rows;
    for (const CatalogueObject &object : catalogueObjects({}, kUserTablePage))
        rows.append(objectRow(layout, object, tableName));
    return rows;
}

QByteArray headerPage(quint16 sortOrder, quint16 codePage)
{
    QByteArray page = jet::headerPage(kPageSize, 0);
    auto *b = reinterpret_cast<quint8 *>(page.data());
    put16(b + 0x38, 1);
    put16(b + 0x3A, sortOrder);
    put16(b + 0x3C, codePage);
    put16(b + 0x56, 0x251E); // as Access 97 writes it
    toggleHeaderMask(b);
    return page;
}

// The global map on page 1, where a set bit means free: the pages past the end of the file.
QByteArray globalMap(quint32 totalPages)
{
    return inlineMap(totalPages, kInlineMapPages - 1);
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
    const TableDefinition objectsTable =
        systemTable(jet4::makeLayout(objectsColumns(1)), int(objects.size()), kObjectsPage, maps, user);
    const TableDefinition aces = systemTable(jet4::makeLayout(acesColumns(1)), 0, 0, maps, user);
    const TableDefinition queries = systemTable(jet4::makeLayout(queriesColumns(1)), 0, 0, maps, user);
    const TableDefinition relationships = systemTable(jet4::makeLayout(relationshipsColumns(1)), 0, 0, maps, user);
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
