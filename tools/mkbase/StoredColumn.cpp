#include "StoredColumn.h"

#include <cstring>

namespace velkaro::mkbase {

jet4::ColumnLayout storedColumn(const ColumnDefinition &definition, int bytesPerCharacter)
{
    jet4::ColumnLayout column;
    column.name = definition.name;
    column.flags = 0x03;
    column.fixed = true;
    switch (definition.type) {
    case ColumnType::Text:
        column.type = jet4::Text;
        column.flags = 0x02;
        column.fixed = false;
        column.length = quint16(bytesPerCharacter * definition.maxLength);
        break;
    case ColumnType::Byte:
        column.type = jet4::Byte;
        column.length = 1;
        break;
    case ColumnType::Integer:
        column.type = jet4::Integer;
        column.length = 2;
        break;
    case ColumnType::LongInteger:
        column.type = jet4::LongInteger;
        column.length = 4;
        break;
    case ColumnType::Double:
        column.type = jet4::Double;
        column.length = 8;
        break;
    }
    return column;
}

void putFixedValue(ColumnType type, const FieldValue &value, quint8 *at)
{
    switch (type) {
    case ColumnType::Byte:
        *at = quint8(value.integer);
        break;
    case ColumnType::Integer:
        jet4::put16(at, quint32(value.integer));
        break;
    case ColumnType::LongInteger:
        jet4::put32(at, quint32(value.integer));
        break;
    case ColumnType::Double: {
        const double number = value.kind == FieldValue::Kind::Real ? value.real : double(value.integer);
        quint64 bits;
        std::memcpy(&bits, &number, sizeof bits);
        jet4::put32(at, quint32(bits));
        jet4::put32(at + 4, quint32(bits >> 32));
        break;
    }
    case ColumnType::Text:
        break;
    }
}

} // namespace velkaro::mkbase
