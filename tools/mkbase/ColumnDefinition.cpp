#include "ColumnDefinition.h"

#include "EscapeForMessage.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

QList<ColumnDefinition> defaultColumns()
{
    return {
        {u"ABONENT"_s, ColumnType::Text, 255},
        {u"PHONE"_s, ColumnType::Text, 50},
        {u"ADDRESS"_s, ColumnType::Text, 255},
        {u"COMMENT"_s, ColumnType::Text, 255},
        {u"NO_TYPE"_s, ColumnType::LongInteger, 0},
    };
}

bool isValidObjectName(const QString &name, QString *error)
{
    if (name.isEmpty() || name.size() > 64) {
        *error = u"name \"%1\" must have 1 to 64 characters"_s.arg(escapeForMessage(name));
        return false;
    }
    if (name.startsWith(u' ')) {
        *error = u"name \"%1\" must not start with a blank"_s.arg(escapeForMessage(name));
        return false;
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringView(u".!`[]").contains(c)) {
            *error = u"name \"%1\" contains a character Access does not allow (. ! ` [ ] or a control character)"_s.arg(
                escapeForMessage(name));
            return false;
        }
    }
    return true;
}

bool checkUserTableName(const QString &name, QString *error)
{
    if (!isValidObjectName(name, error))
        return false;
    if (name.startsWith(u"MSys"_s, Qt::CaseInsensitive)) {
        *error = u"table name %1 is reserved for system tables"_s.arg(escapeForMessage(name));
        return false;
    }
    return true;
}

bool checkColumns(const QList<ColumnDefinition> &columns, QString *error)
{
    if (columns.isEmpty() || columns.size() > 255) {
        *error = u"a table needs 1 to 255 columns"_s;
        return false;
    }
    for (const ColumnDefinition &column : columns) {
        if (!isValidObjectName(column.name, error))
            return false;
    }
    return true;
}

} // namespace velkaro::mkbase
