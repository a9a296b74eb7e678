#include "SystemTables.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase::jet {

using jet4::ColumnLayout;

namespace {

ColumnLayout variableColumn(const QString &name, quint8 type, quint16 length, quint8 flags = 0x12)
{
    return {name, type, flags, 0, length, false};
}

} // namespace

ColumnLayout fixedSystemColumn(const QString &name, quint8 type, quint16 length)
{
    return {name, type, 0x13, 0, length, true};
}

QList<CatalogueObject> catalogueObjects(const QString &tableName, quint32 userTablePage)
{
    return {
        {kTablesContainerId, 0x0F000000, u"Tables"_s, 3, kSystemObjectFlags, false},
        {kDatabasesContainerId, 0x0F000000, u"Databases"_s, 3, kSystemObjectFlags, false},
        {kRelationshipsContainerId, 0x0F000000, u"Relationships"_s, 3, kSystemObjectFlags, false},
        {kDatabaseObjectId, kDatabasesContainerId, u"MSysDb"_s, 2, kSystemObjectFlags, true},
        {kObjectsDefinitionPage, kTablesContainerId, u"MSysObjects"_s, 1, kSystemObjectFlags, false},
        {kAcesDefinitionPage, kTablesContainerId, u"MSysACEs"_s, 1, kSystemObjectFlags, false},
        {kQueriesDefinitionPage, kTablesContainerId, u"MSysQueries"_s, 1, kSystemObjectFlags, false},
        {kRelationshipsDefinitionPage, kTablesContainerId, u"MSysRelationships"_s, 1, kSystemObjectFlags, false},
        {userTablePage, kTablesContainerId, tableName, 1, 0, true},
    };
}

QList<ColumnLayout> objectsColumns(int bytesPerCharacter)
{
    const auto wide = quint16(255 * bytesPerCharacter);
    return {
        fixedSystemColumn(u"Id"_s, jet4::LongInteger, 4),
        fixedSystemColumn(u"ParentId"_s, jet4::LongInteger, 4),
        variableColumn(u"Name"_s, jet4::Text, wide),
        fixedSystemColumn(u"Type"_s, jet4::Integer, 2),
        fixedSystemColumn(u"DateCreate"_s, jet4::DateTime, 8),
        fixedSystemColumn(u"DateUpdate"_s, jet4::DateTime, 8),
        variableColumn(u"Owner"_s, jet4::Binary, wide, 0x32),
        fixedSystemColumn(u"Flags"_s, jet4::LongInteger, 4),
        variableColumn(u"Database"_s, jet4::Memo, 0),
        variableColumn(u"Connect"_s, jet4::Memo, 0),
        variableColumn(u"ForeignName"_s, jet4::Text, wide),
        variableColumn(u"RmtInfoShort"_s, jet4::Binary, wide),
        variableColumn(u"RmtInfoLong"_s, jet4::Ole, 0),
        variableColumn(u"Lv"_s, jet4::Ole, 0),
        variableColumn(u"LvProp"_s, jet4::Ole, 0),
        variableColumn(u"LvModule"_s, jet4::Ole, 0),
        variableColumn(u"LvExtra"_s, jet4::Ole, 0),
    };
}

QList<ColumnLayout> acesColumns(int bytesPerCharacter)
{
    return {
        fixedSystemColumn(u"ObjectId"_s, jet4::LongInteger, 4),
        variableColumn(u"SID"_s, jet4::Binary, quint16(255 * bytesPerCharacter), 0x32),
        fixedSystemColumn(u"ACM"_s, jet4::LongInteger, 4),
        fixedSystemColumn(u"FInheritable"_s, jet4::Boolean, 1),
    };
}

QList<ColumnLayout> queriesColumns(int bytesPerCharacter)
{
    const auto wide = quint16(255 * bytesPerCharacter);
    return {
        fixedSystemColumn(u"ObjectId"_s, jet4::LongInteger, 4),
        fixedSystemColumn(u"Attribute"_s, jet4::Byte, 1),
        variableColumn(u"Order"_s, jet4::Binary, wide),
        variableColumn(u"Name1"_s, jet4::Text, wide),
        variableColumn(u"Name2"_s, jet4::Text, wide),
        variableColumn(u"Expression"_s, jet4::Memo, 0),
        fixedSystemColumn(u"Flag"_s, jet4::Integer, 2),
    };
}

QList<ColumnLayout> relationshipsColumns(int bytesPerCharacter)
{
    const auto wide = quint16(255 * bytesPerCharacter);
    return {
        variableColumn(u"szRelationship"_s, jet4::Text, wide),
        fixedSystemColumn(u"grbit"_s, jet4::LongInteger, 4),
        fixedSystemColumn(u"ccolumn"_s, jet4::LongInteger, 4),
        fixedSystemColumn(u"icolumn"_s, jet4::LongInteger, 4),
        variableColumn(u"szObject"_s, jet4::Text, wide),
        variableColumn(u"szColumn"_s, jet4::Text, wide),
        variableColumn(u"szReferencedObject"_s, jet4::Text, wide),
        variableColumn(u"szReferencedColumn"_s, jet4::Text, wide),
    };
}

} // namespace velkaro::mkbase::jet
