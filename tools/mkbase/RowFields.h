#pragma once

#include "Jet4Format.h"

#include <QByteArray>
#include <QList>

namespace velkaro::mkbase::jet {

// The part of a row Jet 3 and Jet 4 lay out alike: room for the column count (left zero), the fixed area, the
// variable values in column order; and the null mask, a set bit for each column that is not NULL. The formats differ
// in the count's width and in what follows the variable values.
struct RowFields
{
    QByteArray row;
    QByteArray mask;
    QList<int> variableStarts; // where in row each variable column starts
};

// values: one per column, a null QByteArray for NULL, else the stored bytes.
RowFields layOutFields(const jet4::TableLayout &layout, const QList<QByteArray> &values, int countSize);

} // namespace velkaro::mkbase::jet
