#pragma once

#include <QString>

#include <optional>

namespace velkaro::database {

// The value of attribute `key` in an ODBC connection text: `key=value` pairs separated by `;`, keys
// without regard to case and surrounding blanks, a value optionally in braces (where `}}` stands for `}`
// and `;` may occur). The first occurrence of a key counts. Nothing when the key is absent or the text
// is malformed.
std::optional<QString> odbcAttribute(const QString &connectionText, const QString &key);

// The database file the connection text names for the Access driver: DRIVER must be
// "Microsoft Access Driver (*.mdb)" and DBQ non-empty; nothing otherwise.
std::optional<QString> accessDatabaseFile(const QString &connectionText);

} // namespace velkaro::database
