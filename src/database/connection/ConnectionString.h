#pragma once

#include <QString>

namespace velkaro::database {

// The run-wide connection text: "DRIVER=Microsoft Access Driver (*.mdb);DBQ=" + the database file path.
QString ConnectionString();

// Sets the connection text to the default database file (places::defaultDatabasePath).
void initialiseConnectionString();

// Replaces the database path of the connection text, unchecked.
void setDatabaseFile(const QString &path);

} // namespace velkaro::database
