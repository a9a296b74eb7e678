#include "RowFields.h"

#include <cstring>

namespace velkaro::mkbase::jet {

RowFields layOutFields(const jet4::TableLayout &layout, const QList<QByteArray> &values, int countSize)
{
    const int columnCount = int(layout.columns.size());
    RowFields fields {QByteArray(countSize + layout.fixedSize, '\0'), QByteArray((columnCount + 7) / 8, '\0'), {}};
    for (int number = 0; number < columnCount; ++number) {
        const jet4::ColumnLayout &column = layout.columns.at(number);
        const QByteArray &value = values.at(number);
        if (!column.fixed)
            fields.variableStarts.append(int(fields.row.size()));
        if (value.isNull())
            continue;
        fields.mask[number / 8] = char(fields.mask.at(number / 8) | (1 << (number % 8)));
        if (column.type == jet4::Boolean)
            continue; // the mask bit is the value
        if (column.fixed)
            std::memcpy(fields.row.data() + countSize + column.fixedOffset, value.constData(), size_t(value.size()));
        else
            fields.row.append(value);
    }
    return fields;
}

} // namespace velkaro::mkbase::jet
