#pragma once

#include "Jet4Format.h"

#include <QList>
#include <QString>

// What the system part of a Jet 3 and a Jet 4 file have in common: the first pages, the objects of the catalogue and
// the columns of the four system tables.
namespace velkaro::mkbase::jet {

inline constexpr quint32 kGlobalMapPage = 1;
inline constexpr quint32 kObjectsDefinitionPage = 2;
inline constexpr quint32 kAcesDefinitionPage = 3;
inline constexpr quint32 kQueriesDefinitionPage = 4;
inline constexpr quint32 kRelationshipsDefinitionPage = 5;
inline constexpr quint32 kMapPage = 6;

inline constexpr quint32 kTablesContainerId = 0x0F000001;
inline constexpr quint32 kDatabasesContainerId = 0x0F000002;
inline constexpr quint32 kRelationshipsContainerId = 0x0F000003;
inline constexpr quint32 kDatabaseObjectId = 0x10000000;
inline constexpr quint32 kSystemObjectFlags = 0x80000000;

// A row of MSysObjects before its format stores it.
struct CatalogueObject
{
    quint32 id;
    quint32 parentId;
    QString name;
    quint16 type;
    quint32 flags;
    bool ownedByAdmin; // Admin owns the database and the user's table, the engine the rest
};

// The three containers, the database and the four system tables, in the order Access lists them, then the user table
// whose definition is on userTablePage.
QList<CatalogueObject> catalogueObjects(const QString &tableName, quint32 userTablePage);

// Columns of the system tables. A text or binary column of 255 characters takes 255 x bytesPerCharacter bytes (1 in
// Jet 3, 2 in Jet 4).
QList<jet4::ColumnLayout> objectsColumns(int bytesPerCharacter);
QList<jet4::ColumnLayout> acesColumns(int bytesPerCharacter);
QList<jet4::ColumnLayout> queriesColumns(int bytesPerCharacter);
QList<jet4::ColumnLayout> relationshipsColumns(int bytesPerCharacter);

jet4::ColumnLayout fixedSystemColumn(const QString &name, quint8 type, quint16 length);

} // namespace velkaro::mkbase::jet
