#include "FieldValue.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

bool checkFieldValue(const ColumnDefinition &column, const FieldValue &value, QString *error)
{
    if (value.kind == FieldValue::Kind::Null)
        return true;
    if (column.type == ColumnType::Text) {
        if (value.kind != FieldValue::Kind::Text) {
            *error = u"column %1 takes text"_s.arg(column.name);
            return false;
        }
        if (qsizetype(value.text.size()) > column.maxLength) {
            *error = u"text of %1 characters is longer than column %2 allows (%3)"_s.arg(value.text.size())
                         .arg(column.name)
                         .arg(column.maxLength);
            return false;
        }
        if (value.text.find(u'\0') != std::u16string_view::npos) {
            *error =
                u"column %1 holds the character U+0000, which readers take for the end of the text"_s.arg(column.name);
            return false;
        }
        return true;
    }
    if (column.type == ColumnType::Double) {
        if (value.kind != FieldValue::Kind::Real && value.kind != FieldValue::Kind::Integer) {
            *error = u"column %1 takes a number"_s.arg(column.name);
            return false;
        }
        return true;
    }
    if (value.kind != FieldValue::Kind::Integer) {
        *error = u"column %1 takes a whole number"_s.arg(column.name);
        return false;
    }
    qint64 low = std::numeric_limits<qint32>::min();
    qint64 high = std::numeric_limits<qint32>::max();
    if (column.type == ColumnType::Byte) {
        low = 0;
        high = 255;
    } else if (column.type == ColumnType::Integer) {
        low = std::numeric_limits<qint16>::min();
        high = std::numeric_limits<qint16>::max();
    }
    if (value.integer < low || value.integer > high) {
        *error =
            u"%1 is outside the range of column %2 (%3 to %4)"_s.arg(value.integer).arg(column.name).arg(low).arg(high);
        return false;
    }
    return true;
}

} // namespace velkaro::mkbase
