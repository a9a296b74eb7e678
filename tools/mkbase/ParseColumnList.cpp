#include "ParseColumnList.h"

#include "EscapeForMessage.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

bool parseColumnType(const QString &text, ColumnDefinition *column)
{
    const QString type = text.trimmed().toLower();
    static const QRegularExpression textWithLength(u"^text\\(\\s*(\\d{1,3})\\s*\\)$"_s);
    if (type == u"text") {
        column->type = ColumnType::Text;
        column->maxLength = 255;
        return true;
    }
    if (const QRegularExpressionMatch match = textWithLength.match(type); match.hasMatch()) {
        const int length = match.captured(1).toInt();
        if (length < 1 || length > 255)
            return false;
        column->type = ColumnType::Text;
        column->maxLength = length;
        return true;
    }
    column->maxLength = 0;
    if (type == u"byte")
        column->type = ColumnType::Byte;
    else if (type == u"integer")
        column->type = ColumnType::Integer;
    else if (type == u"long")
        column->type = ColumnType::LongInteger;
    else if (type == u"double")
        column->type = ColumnType::Double;
    else
        return false;
    return true;
}
} // namespace

bool parseColumnList(const QString &list, QList<ColumnDefinition> *columns, QString *error)
{
    if (list.trimmed().isEmpty()) {
        *columns = defaultColumns();
        return true;
    }
    QList<ColumnDefinition> parsed;
    for (const QString &item : list.split(u',')) {
        const qsizetype colon = item.lastIndexOf(u':');
        if (colon < 0) {
            *error = u"column \"%1\" has no type (expected NAME:TYPE)"_s.arg(escapeForMessage(item));
            return false;
        }
        ColumnDefinition column;
        column.name = item.left(colon).trimmed();
        if (!isValidObjectName(column.name, error))
            return false;
        if (!parseColumnType(item.mid(colon + 1), &column)) {
            *error = u"column %1 has unknown type \"%2\" (use text(N) with N 1..255, text, byte, integer, long, "
                     u"double)"_s.arg(column.name, escapeForMessage(item.mid(colon + 1).trimmed()));
            return false;
        }
        for (const ColumnDefinition &earlier : std::as_const(parsed)) {
            if (earlier.name.compare(column.name, Qt::CaseInsensitive) == 0) {
                *error = u"column %1 is named twice"_s.arg(column.name);
                return false;
            }
        }
        parsed.append(column);
    }
    if (parsed.size() > 255) {
        *error = u"a table has at most 255 columns"_s;
        return false;
    }
    *columns = parsed;
    return true;
}

} // namespace velkaro::mkbase
