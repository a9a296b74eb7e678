#pragma once

#include <QList>
#include <QString>

namespace velkaro::mkbase {

enum class ColumnType { Text, Byte, Integer, LongInteger, Double };

// One column of the table to write; maxLength counts UTF-16 code units and applies to text only.
struct ColumnDefinition
{
    QString name;
    ColumnType type = ColumnType::Text;
    int maxLength = 255;

    bool operator==(const ColumnDefinition &) const = default;
};

// ABONENT Text(255), PHONE Text(50), ADDRESS Text(255), COMMENT Text(255), NO_TYPE Long Integer.
QList<ColumnDefinition> defaultColumns();

// Checks a table or column name against the rules Access applies to object names.
bool isValidObjectName(const QString &name, QString *error);

// Checks the name of a user table: an object name outside the "MSys" prefix of the system tables.
bool checkUserTableName(const QString &name, QString *error);

// Checks the columns of a table: 1 to 255 of them, each with a valid object name.
bool checkColumns(const QList<ColumnDefinition> &columns, QString *error);

} // namespace velkaro::mkbase
