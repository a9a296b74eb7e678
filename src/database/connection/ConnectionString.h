#pragma once

#include <QString>

namespace velkaro::database {

// The run-wide connection text: "DRIVER=Microsoft Access Driver (*.mdb);DBQ=" + the database file path.
QString ConnectionString();

// Sets the connection text to the default database: the program's folder + native separator + "base.mdb".
void initialiseConnectionString();

// Replaces the database path of the connection text, unchecked.
void setDatabaseFile(const QString &path);

// The default database path exactly as initialiseConnectionString builds it.
QString defaultDatabasePath();

// The folder that holds the program file, with native separators.
QString programFolder();

} // namespace velkaro::database
