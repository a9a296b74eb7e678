#pragma once

#include "ColumnDefinition.h"

namespace velkaro::mkbase {

// Parses "NAME:TYPE,..." with TYPE one of text(N) (1..255), text (= text(255)), byte, integer, long, double.
// An empty list yields the default columns.
bool parseColumnList(const QString &list, QList<ColumnDefinition> *columns, QString *error);

} // namespace velkaro::mkbase
