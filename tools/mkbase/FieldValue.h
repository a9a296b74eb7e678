#pragma once

#include "ColumnDefinition.h"

#include <QString>

#include <string_view>

namespace velkaro::mkbase {

// One value of a row: NULL, a text for text columns, a whole number or a double for numeric columns.
struct FieldValue
{
    enum class Kind : quint8 { Null, Text, Integer, Real };
    Kind kind = Kind::Null;
    std::u16string_view text;
    qint64 integer = 0;
    double real = 0;

    static FieldValue null() { return {}; }
    static FieldValue fromText(std::u16string_view text) { return {Kind::Text, text, 0, 0}; }
    static FieldValue fromInteger(qint64 value) { return {Kind::Integer, {}, value, 0}; }
    static FieldValue fromReal(double value) { return {Kind::Real, {}, 0, value}; }
};

// Checks a value against its column: kind, text length, number range. Errors name the column.
bool checkFieldValue(const ColumnDefinition &column, const FieldValue &value, QString *error);

} // namespace velkaro::mkbase
